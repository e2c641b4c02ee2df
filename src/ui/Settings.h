// The preferences dialog: the deck's options, output device, pitch range,
// end-of-track policy, hot key and log, laid out at fixed positions. It only
// shows and collects values; the window fills it and applies the choices
// (MainDialogs.cpp).
#pragma once
#include <QDialog>

#include "ui_Settings.h"

class TPForm : public QDialog, public Ui::TPForm {
 public:
  explicit TPForm(QWidget* parent = nullptr);

  // The "Pitch range" group as one choice of three: 0 ±8 %, 1 ±16 %, 2 ±20 %.
  // Any other index selects the middle item.
  int PitchRangeIndex() const;
  void SetPitchRangeIndex(int index);

 protected:
  void showEvent(QShowEvent* event) override;
};

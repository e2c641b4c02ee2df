// The keylock engine, on a small dialog of its own beside the designed
// preferences (which keep their controls): "fine" sounds best, "fast" costs
// less and answers sooner. It only shows and collects the choice.
#pragma once
#include <QDialog>
#include <cstdint>

class QRadioButton;

class TKeylockForm : public QDialog {
 public:
  explicit TKeylockForm(QWidget* parent = nullptr);

  // DSBKEYLOCK_FINE or DSBKEYLOCK_FAST.
  uint32_t Engine() const;
  void SetEngine(uint32_t engine);

 private:
  QRadioButton* fine_;
  QRadioButton* fast_;
};

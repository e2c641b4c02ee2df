#include "ui/Settings.h"

#include "ui/CenterOnScreen.h"

TPForm::TPForm(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(375, 335);
  // The deck window's stand-in for the small dialog font: with it the captions
  // fit the designed widths.
  QFont face("Liberation Sans");
  face.setPixelSize(11);
  setFont(face);
  // The one caption still wider than its label in this font; a slightly
  // narrower cut keeps it clear of the drop-down beside it.
  QFont narrow = face;
  narrow.setStretch(92);
  Label2->setFont(narrow);
  // Each group's caption sits in its frame's top line, so the controls placed
  // just below the caption stay inside the frame.
  setStyleSheet(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 7px; top: -1px; padding: 0 2px; }");
}

int TPForm::PitchRangeIndex() const {
  if (PitchRangeItem0->isChecked()) return 0;
  if (PitchRangeItem2->isChecked()) return 2;
  return 1;
}

void TPForm::SetPitchRangeIndex(int index) {
  (index == 0 ? PitchRangeItem0 : index == 2 ? PitchRangeItem2 : PitchRangeItem1)->setChecked(true);
}

// Centred on the screen, not over the deck that opened it: the decks share these settings.
void TPForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(*this);
  Devices->setFocus();
}

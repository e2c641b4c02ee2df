#include "ui/Settings.h"

#include <QScreen>

TPForm::TPForm(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(375, 335);
  // The deck window's stand-in for the small dialog font: with it the captions
  // fit the designed widths.
  QFont face("Liberation Sans");
  face.setPixelSize(11);
  setFont(face);
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
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  Devices->setFocus();
}

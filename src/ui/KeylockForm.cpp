#include "ui/KeylockForm.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/sound/DirectSound.h"

TKeylockForm::TKeylockForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Keylock");
  auto* group = new QGroupBox("Keylock engine (every deck)", this);
  fine_ = new QRadioButton("&Fine: the best sound", group);
  fast_ = new QRadioButton("F&ast: less CPU, heard sooner", group);
  auto* choices = new QVBoxLayout(group);
  choices->addWidget(fine_);
  choices->addWidget(fast_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(new QLabel("K turns keylock on and off on each deck.", this));
  layout->addWidget(buttons);
  fine_->setChecked(true);
}

uint32_t TKeylockForm::Engine() const { return fast_->isChecked() ? DSBKEYLOCK_FAST : DSBKEYLOCK_FINE; }

void TKeylockForm::SetEngine(uint32_t engine) { (engine == DSBKEYLOCK_FAST ? fast_ : fine_)->setChecked(true); }

#include "ui/LoudnessForm.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "deck/VySystem.h"
#include "foundation/Preferences.h"

namespace {
constexpr double kTargetStepLu = 0.5;
}

void ShowLoudnessPreferences(QWidget* parent, TVySystemTAG& deck) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Loudness");
  auto* autoGain = new QCheckBox("&Auto-gain: bring each track to the target loudness");
  autoGain->setObjectName("chkAutoGain");
  autoGain->setChecked(deck.AutoGain());
  auto* target = new QDoubleSpinBox;
  target->setObjectName("AutoGainTarget");
  target->setRange(kLowestAutoGainTargetLufs, kHighestAutoGainTargetLufs);
  target->setSingleStep(kTargetStepLu);
  target->setDecimals(1);
  target->setSuffix(" LUFS");
  target->setValue(deck.AutoGainTargetLufs());
  auto* form = new QFormLayout;
  form->addRow(autoGain);
  form->addRow("&Target loudness:", target);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return;
  Preferences::SetFlag(kAutoGainPreference, autoGain->isChecked());
  Preferences::SetNumber(kAutoGainTargetPreference, target->value());
  deck.SetAutoGain(autoGain->isChecked(), target->value());
}

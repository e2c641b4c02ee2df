// The window's controls wired to the deck: each handler sends one command.
#include <QToolButton>

#include "deck/VySystem.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

void TMainForm::ConnectHandlers() {
  ui_->Volume->OnChange = [this](QObject*) { VolumeChange(); };
  ui_->Balance->OnChange = [this](QObject*) { BalanceChange(); };
  QObject::connect(ui_->btnPlay, &QToolButton::pressed, this, [this] {
    if (deck_) deck_->PlayPause();
  });
  QObject::connect(ui_->btnPrefs, &QToolButton::clicked, this, [this] { ShowPreferences(); });
}

void TMainForm::VolumeChange() {
  if (deck_) deck_->SetVolume(ui_->Volume->Value());
}

void TMainForm::BalanceChange() {
  if (deck_) deck_->SetBalance(ui_->Balance->Value(), false);
}

// The window's dialogs: the preferences, filled from the live deck and window
// and on OK every choice applied at once (the hot key lasts for the run; the
// rest is stored when the window closes), the help page and the About box.
// Each holds the keys off while it is open.
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <algorithm>
#include <array>

#include "deck/KeylockStore.h"
#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "foundation/OzoLog.h"
#include "ui/About.h"
#include "ui/DisplayRefresh.h"
#include "ui/HelpPage.h"
#include "ui/MainMidi.h"
#include "ui/MidiDialog.h"
#include "ui/KeylockForm.h"
#include "ui/Settings.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
struct TOptionBox {
  QCheckBox* box;
  uint32_t flag;
};

// "Get exact song length" is the inverse of fast open and is kept apart.
std::array<TOptionBox, 7> OptionBoxes(TPForm& form) {
  return {{{form.chkPlayWhenOpen, pfPlayWhenOpen},
           {form.chkPlayWhenTrack, pfPlayWhenTrack},
           {form.chkSecureClose, pfSecureClose},
           {form.chkSecureTrack, pfSecureTrack},
           {form.chkSecureDrop, pfSecureDrop},
           {form.chkPlayListLoop, pfPlayListLoop},
           {form.chkPioneerCue, pfPioneerCue}}};
}
}  // namespace

void TMainForm::ShowPreferences() {
  if (!deck_) return;
  FormDeactivate();
  if (!prefs_) prefs_ = new TPForm(this);  // a child: it goes with the window
  TPForm& form = *prefs_;
  ListDevices();
  FillDeviceChoice(form);

  TVyPreferences preferences;
  deck_->GetPreferences(preferences);
  for (const TOptionBox& option : OptionBoxes(form)) option.box->setChecked(preferences.Flags & option.flag);
  form.chkFastOpen->setChecked(!(preferences.Flags & pfFastOpen));
  (preferences.EndOfTrack == etStop   ? form.radStop
   : preferences.EndOfTrack == etNext ? form.radNext
                                      : form.radRestart)
      ->setChecked(true);
  form.SetPitchRangeIndex(preferences.PitchRange);
  form.HotKey->setCurrentIndex(hotKeyIndex_);
  form.chkVMPeaks->setChecked(ui_->VMetter->Peaks() != pkNone);
  form.chkLog->setChecked(LogIsOn());
  form.chkDownmix->setChecked(downmixControl_);

  // The window may have closed under the dialog (a termination request).
  if (form.exec() != QDialog::Accepted || !deck_) {
    FormActivate();
    return;
  }
  // A device or log the user changed here is theirs to keep; one left as a
  // command-line option set it stays for this run only.
  if (form.Devices->isEnabled() && form.Devices->currentIndex() != int(deviceIndex_)) {
    SelectDevice(uint32_t(form.Devices->currentIndex()));  // none selected (-1) is out of range: device 0
    config_.KeepDevice(deviceIndex_);
  }
  if (form.chkLog->isChecked() != LogIsOn()) config_.KeepLog(form.chkLog->isChecked());
  // The whole word is rebuilt: bits no box shows are cleared.
  preferences.Flags = form.chkFastOpen->isChecked() ? 0 : pfFastOpen;
  for (const TOptionBox& option : OptionBoxes(form))
    if (option.box->isChecked()) preferences.Flags |= option.flag;
  preferences.EndOfTrack = form.radStop->isChecked() ? etStop : form.radNext->isChecked() ? etNext : etRestart;
  preferences.PitchRange = uint8_t(form.PitchRangeIndex());
  SetHotKeyIndex(std::max(0, form.HotKey->currentIndex()));
  ui_->VMetter->SetPeaks(form.chkVMPeaks->isChecked() ? pkMedium : pkNone);
  form.chkLog->isChecked() ? LogStart() : LogStop();
  if (form.chkDownmix->isChecked() != downmixControl_) {
    ShowDownmixControl(form.chkDownmix->isChecked());
    // Both controls start centred; the knob's setter reports 0 to the deck.
    ui_->Balance->SetValue(0);
    ui_->DownMix->SetValue(0);
  }
  deck_->SetPreferences(preferences);
  display_->RefreshDropAcceptance();
  UpdatePitchFader();
  FormActivate();
}

// The engine is one choice for every deck of the user, stored at once.
void TMainForm::ShowKeylockPreferences() {
  if (!deck_) return;
  FormDeactivate();
  TKeylockForm form(this);
  form.SetEngine(deck_->KeylockEngine());
  if (form.exec() == QDialog::Accepted && deck_) {
    deck_->SetKeylockEngine(form.Engine());
    KeylockStore::SetEngine(form.Engine());
  }
  FormActivate();
}

// The desktop's own browser shows the page; no shell is involved. Where no
// browser can be started, the page's place is told, so it can be read anyway.
void TMainForm::ShowHelp() {
  const QString folder = QCoreApplication::applicationDirPath();
  const QString page = FindHelpPage(folder);
  if (!page.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(page))) return;
  FormDeactivate();
  if (page.isEmpty())
    ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "The help page was not found at %s",
                   HelpPageCandidates(folder).join(" or ").toLocal8Bit().constData());
  else
    ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "No web browser could be started to show the help page %s",
                   page.toLocal8Bit().constData());
  FormActivate();
}

void TMainForm::ShowAbout() {
  FormDeactivate();
  if (!about_) about_ = new TAboutBox(this);  // a child: it goes with the window
  about_->LabelVersion->setText(kAboutVersionLine);
  about_->exec();
  FormActivate();
}

void TMainForm::ShowMidi() {
  if (!midi_) return;
  FormDeactivate();
  if (!midiDialog_) midiDialog_ = new TMidiDialog(midi_->Control(), this);  // a child: it goes with the window
  midiDialog_->Refresh();
  midiDialog_->exec();
  FormActivate();
}

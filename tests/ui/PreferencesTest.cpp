// The preferences dialog: its tab order, each choice reaching the
// deck and the window on OK and nothing on Cancel; where the help page is looked for.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

#include "MainFormFixture.h"
#include "controls/Ozoknob.h"
#include "controls/Slider.h"
#include "controls/Vumetter.h"
#include "foundation/OzoLog.h"
#include "platform/keyboard/DesktopHotKey.h"
#include "support/XvfbServer.h"
#include "ui/HelpPage.h"
#include "ui/Settings.h"

namespace {
const char* const kOptionBoxes[] = {"chkPlayWhenOpen", "chkPlayWhenTrack", "chkSecureClose", "chkSecureTrack",
                                    "chkSecureDrop",   "chkPlayListLoop",  "chkPioneerCue",  "chkFastOpen"};

class Preferences : public MainForm {
 protected:
  void SetUp() override {
    SetLogPath(dir.File("vys.log"));
    ASSERT_EQ(form.FormCreate({}), 0);
    start = DeckPreferences();
  }
  void TearDown() override {
    LogStop();
    MainForm::TearDown();
  }
  // Opens the dialog from the window; while it is modal, `edit` changes it
  // and `button` closes it.
  void RunDialog(const std::function<void(TPForm&)>& edit, const char* button = "btnOk") {
    bool reached = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = dynamic_cast<TPForm*>(QApplication::activeModalWidget());
      if (!dialog) return;
      reached = true;
      edit(*dialog);
      dialog->findChild<QPushButton*>(button)->click();
    });
    form.ShowPreferences();
    EXPECT_TRUE(reached) << "the dialog was not shown modally";
  }
  TVyPreferences DeckPreferences() {
    TVyPreferences preferences;
    form.Deck()->GetPreferences(preferences);
    return preferences;
  }
  bool Shown(const char* control) { return !Control(form, control)->isHidden(); }
  PKMODES Peaks() { return Control<TOzoVUmetter>(form, "VMetter")->Peaks(); }

  TVyPreferences start;  // the deck's own, before the test changes any
};

TEST_F(Preferences, TabOrderFollowsTheDesignAndTheFocusStartsOnDevices) {
  TPForm dialog;
  const QStringList designed = QString("Devices chkPlayWhenOpen chkPlayWhenTrack chkSecureClose chkSecureTrack "
                                        "chkSecureDrop chkVMPeaks chkPlayListLoop chkDownmix chkPioneerCue chkFastOpen "
                                        "PitchRangeItem0 PitchRangeItem1 PitchRangeItem2 radStop radRestart radNext "
                                        "HotKey chkLog btnOk btnCancel")
                                    .split(' ');
  QStringList chain{"Devices"};
  for (QWidget* w = dialog.Devices->nextInFocusChain(); w != dialog.Devices; w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus) chain << w->objectName();
  EXPECT_EQ(chain, designed);
  dialog.show();
  EXPECT_EQ(dialog.focusWidget(), dialog.Devices);
}

// One box at a time, so that two swapped boxes cannot hide each other; a bit
// no box shows is cleared.
TEST_F(Preferences, OkRebuildsTheOptionWordFromTheBoxes) {
  const uint32_t bits[] = {pfPlayWhenOpen, pfPlayWhenTrack, pfSecureClose, pfSecureTrack,
                           pfSecureDrop,   pfPlayListLoop,  pfPioneerCue,  0};
  for (size_t i = 0; i < std::size(kOptionBoxes); ++i) {
    TVyPreferences stray = start;
    stray.Flags |= 0x100;
    form.Deck()->SetPreferences(stray);
    RunDialog([&](TPForm& dialog) {
      for (const char* name : kOptionBoxes) dialog.findChild<QCheckBox*>(name)->setChecked(name == kOptionBoxes[i]);
    });
    const uint32_t fastOpen = std::strcmp(kOptionBoxes[i], "chkFastOpen") == 0 ? 0 : pfFastOpen;
    EXPECT_EQ(DeckPreferences().Flags, bits[i] | fastOpen) << kOptionBoxes[i];
  }
}

TEST_F(Preferences, OkAppliesEndOfTrackPitchRangePeaksAndLog) {
  form.Deck()->ToggleTimeMode();
  TVyPreferences read = DeckPreferences();
  read.Reserved1[0] = 7;
  form.Deck()->SetPreferences(read);
  RunDialog([](TPForm& dialog) {
    dialog.radNext->setChecked(true);
    dialog.PitchRangeItem0->setChecked(true);
    dialog.chkVMPeaks->setChecked(false);
    dialog.chkLog->setChecked(true);
  });
  TVyPreferences now = DeckPreferences();
  EXPECT_EQ(now.EndOfTrack, etNext);
  EXPECT_EQ(now.PitchRange, pr8);
  EXPECT_EQ(now.TimeMode, 1) << "kept as read";
  EXPECT_EQ(now.Reserved1[0], 7) << "kept as read";
  EXPECT_EQ(Control<TSlider>(form, "Pitch")->MaxValue(), form.Deck()->DeckInfo.Fader.Maximum);
  EXPECT_EQ(Peaks(), pkNone);
  EXPECT_TRUE(LogIsOn());
  RunDialog([&](TPForm& dialog) {
    dialog.radRestart->setChecked(true);
    dialog.PitchRangeItem2->setChecked(true);
    dialog.chkVMPeaks->setChecked(true);
    dialog.chkLog->setChecked(false);
  });
  now = DeckPreferences();
  EXPECT_EQ(now.EndOfTrack, etRestart);
  EXPECT_EQ(now.PitchRange, pr20);
  EXPECT_EQ(Peaks(), pkMedium);
  EXPECT_FALSE(LogIsOn());
}

// The dialog shows the key the desktop gave, never one another program holds.
TEST_F(Preferences, AHotKeyIsKeptOnlyWhenTheDesktopGivesIt) {
  XvfbServer server;
  ASSERT_TRUE(server.Ok());
  DesktopHotKey otherProgram;
  ASSERT_EQ(otherProgram.SetHotKey(HWND(1), VK_F1 + 2), kHotKeySet);
  CaptureMessages();
  int shown = -1;
  RunDialog([](TPForm& dialog) { dialog.HotKey->setCurrentIndex(5); });
  RunDialog([&](TPForm& dialog) {
    shown = dialog.HotKey->currentIndex();
    dialog.HotKey->setCurrentIndex(3);
  });
  EXPECT_EQ(shown, 5) << "F5 is the window's hot key";
  EXPECT_EQ(LastMessage().rfind("F3 could not be made this deck's hot key", 0), 0u) << LastMessage();
  RunDialog([&](TPForm& dialog) { shown = dialog.HotKey->currentIndex(); });
  EXPECT_EQ(shown, 0) << "the refused F3 is not shown as set";
}

TEST_F(Preferences, CancelChangesNothing) {
  const PKMODES peaks = Peaks();
  RunDialog(
      [](TPForm& dialog) {
        for (const char* name : kOptionBoxes) dialog.findChild<QCheckBox*>(name)->toggle();
        dialog.radNext->setChecked(true);
        dialog.PitchRangeItem2->setChecked(true);
        dialog.HotKey->setCurrentIndex(3);
        dialog.chkVMPeaks->toggle();
        dialog.chkLog->setChecked(true);
        dialog.chkDownmix->setChecked(true);
      },
      "btnCancel");
  const TVyPreferences now = DeckPreferences();
  EXPECT_EQ(now.Flags, start.Flags);
  EXPECT_EQ(now.EndOfTrack, start.EndOfTrack);
  EXPECT_EQ(now.PitchRange, start.PitchRange);
  EXPECT_EQ(Peaks(), peaks);
  EXPECT_FALSE(LogIsOn());
  EXPECT_TRUE(Shown("Balance"));
  EXPECT_FALSE(Shown("DownMix"));
  RunDialog([](TPForm& dialog) { EXPECT_EQ(dialog.HotKey->currentIndex(), 0); }, "btnCancel");
}

TEST_F(Preferences, DownmixAloneSwapsTheKnobAndTheSliderAndCentresBoth) {
  auto* balance = Control<TOzoKnob>(form, "Balance");
  auto* downMix = Control<TSlider>(form, "DownMix");
  for (bool on : {true, false}) {
    balance->SetValue(40);
    downMix->SetValue(1);
    RunDialog([&](TPForm& dialog) { dialog.chkDownmix->setChecked(on); });
    EXPECT_EQ(Shown("DownMix"), on);
    EXPECT_EQ(Shown("Balance"), !on);
    EXPECT_EQ(balance->Value(), 0);
    EXPECT_EQ(downMix->Value(), 0);
    EXPECT_EQ(form.Deck()->Balance, 0);
    EXPECT_EQ(DeckPreferences().Flags, start.Flags);
  }
}

TEST_F(Preferences, HelpPageIsLookedForBesideTheProgramThenInTheDataFolder) {
  const QString bin = QString::fromStdString(dir.File("bin"));
  const QString shared = QString::fromStdString(dir.File("share/vy-system/vys.html"));
  ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(shared).path()));
  EXPECT_EQ(FindHelpPage(bin), "");
  WriteFileBytes(shared.toStdString(), "<html></html>");
  EXPECT_EQ(FindHelpPage(bin), shared);
  WriteFileBytes(dir.File("bin/vys.html"), "<html></html>");
  EXPECT_EQ(FindHelpPage(bin), bin + "/vys.html");
}

// Qt's offscreen platform starts no browser, as a desktop without one.
TEST_F(Preferences, HelpNoBrowserCanShowSaysWhereThePageIs) {
  const std::string page = QCoreApplication::applicationDirPath().toStdString() + "/vys.html";
  WriteFileBytes(page, "<html></html>");
  CaptureMessages();
  form.ShowHelp();
  std::remove(page.c_str());
  EXPECT_EQ(LastMessage(), "No web browser could be started to show the help page " + page);
}
}  // namespace

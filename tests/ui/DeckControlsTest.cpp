// The window's input side on Qt's offscreen platform: keys from a scripted
// keyboard, clicks, drags and the wheel turned into deck commands.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "MainFormFixture.h"
#include "controls/Ozolcd.h"
#include "controls/Slider.h"
#include "support/FixedAnalysis.h"
#include "support/ScriptedKeyboard.h"

namespace {
constexpr int kFolderReadLimitMs = 20000;  // a loaded machine is slow, not wrong

class DeckControls : public MainForm {
 protected:
  // A watched key changes on the keyboard, and the window hears of it.
  void Key(uint8_t key, bool down) {
    down ? keyboard.script.Press(key) : keyboard.script.Release(key);
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier);
    QApplication::sendEvent(&form, &event);
  }
  void Tap(uint8_t key) {
    Key(key, true);
    Key(key, false);
  }
  // Display ticks, with a tick's play before each.
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
      player.RunFor(TMainForm::kTimerIntervalMs);
      form.TimerUpdateTimer();
    }
  }
  void Click(const char* button) {
    QToolButton* b = Control<QToolButton>(form, button);
    Press(b, {5, 5});
    Release(b, {5, 5});
  }
  TVyPitchInfo PitchInfo() {
    TVyPitchInfo info{};
    form.Deck()->GetPitchInfo(info);
    return info;
  }

  ScriptedKeyboard keyboard;
};

TEST_F(DeckControls, TransportKeysActAsTheirButtonsAndEndWhenTheWindowLosesTheFocus) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  TVySystemTAG& deck = *form.Deck();
  ASSERT_EQ(deck.State, dsPlaying);
  Tap(DIK_NUMPADENTER);
  EXPECT_EQ(deck.State, dsPaused);
  Click("btnPlay");
  EXPECT_EQ(deck.State, dsPlaying);

  Key(DIK_RIGHT, true);
  EXPECT_EQ(deck.State, dsSearching);
  TSlider* position = Control<TSlider>(form, "Position");
  Press(position, {300, 16});  // pages toward the end
  Release(position, {300, 16});
  EXPECT_GT(position->Value(), 0);
  EXPECT_LT(deck.Song.GetPosition(), 5000u) << "no seek while the search runs";

  Key(DIK_UP, true);
  Key(DIK_M, true);
  form.FormDeactivate();
  EXPECT_EQ(deck.Song.Scan.Mode(), smNone) << "the search ends as on its key's release";
  deck.SetPitchFader(0);
  EXPECT_EQ(PitchInfo().Pitch, 0) << "the bend ended";
  Press(position, {300, 16});
  Release(position, {300, 16});
  EXPECT_EQ(deck.Song.GetPosition(), unsigned(position->Value())) << "the slider seeks again";
}

// The timer's own updates of the slider during a drag neither pull the thumb
// back nor send a seek of their own.
TEST_F(DeckControls, DraggingThePositionThumbSeeksAsTheHandMoves) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  TVySystemTAG& deck = *form.Deck();
  Ticks(1);
  TSlider* position = Control<TSlider>(form, "Position");
  QWidget* thumb = position->Thumb();
  Press(thumb, {4, 8});
  for (int x = 40; x <= 280; x += 60) {
    MoveTo(thumb, thumb->mapFrom(position, QPoint(x, 8)));
    const int handValue = position->Value();
    const int64_t movedAt = player.Now();
    Ticks(3);
    EXPECT_EQ(position->Value(), handValue) << "at x " << x;
    const auto playedMs = unsigned((player.Now() - movedAt) * 1000 / kRate);
    EXPECT_GE(deck.Song.GetPosition(), unsigned(handValue)) << "at x " << x;
    EXPECT_LE(deck.Song.GetPosition(), handValue + playedMs) << "plays on from the hand's place, at x " << x;
  }
  Release(thumb, {4, 8});
  EXPECT_GT(position->Value(), 15000);
}

TEST_F(DeckControls, VolumeKeysRampEveryTickUntilTheirOwnDirectionIsReleased) {
  ASSERT_EQ(form.FormCreate({}), 0);
  TVySystemTAG& deck = *form.Deck();
  Key(DIK_MINUS, true);
  Ticks(19);
  EXPECT_EQ(deck.Volume, 5);
  Ticks(5);
  EXPECT_EQ(deck.Volume, 0) << "the fader stops the ramp at its end";
  Key(DIK_EQUALS, true);
  Key(DIK_MINUS, false);
  Ticks(3);
  EXPECT_EQ(deck.Volume, 15) << "turned upward; releasing minus does not stop it";
  Key(DIK_EQUALS, false);
  Ticks(3);
  EXPECT_EQ(deck.Volume, 15);

  Key(DIK_LSHIFT, true);
  Key(DIK_MULTIPLY, true);
  Ticks(2);
  EXPECT_EQ(deck.Volume, 17) << "Shift makes the step 1";
  form.FormDeactivate();
  Ticks(2);
  EXPECT_EQ(deck.Volume, 17) << "losing the focus releases the key";
}

TEST_F(DeckControls, TrackButtonsMoveFiveWithCtrlUnlessSecuredOnAnAudibleDeck) {
  std::vector<std::string> songs;
  for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav", "f.wav", "g.wav"}) songs.push_back(Song(name, 1));
  ASSERT_EQ(form.FormCreate(songs), 0);
  TVySystemTAG& deck = *form.Deck();
  keyboard.script.Press(DIK_RCONTROL);  // held at the click, never polled
  Click("btnNext");
  EXPECT_EQ(deck.PlayList.CurrentIndex, 5);
  keyboard.script.Release(DIK_RCONTROL);
  Tap(DIK_PRIOR);
  EXPECT_EQ(deck.PlayList.CurrentIndex, 4);
  Key(DIK_LCONTROL, true);
  Tap(DIK_PRIOR);
  EXPECT_EQ(deck.PlayList.CurrentIndex, 0);
  Ticks(1);

  TVyPreferences preferences = deck.Preferences;
  preferences.Flags |= pfSecureTrack;
  deck.SetPreferences(preferences);
  ASSERT_EQ(deck.State, dsPlaying);
  const QString caption = form.windowTitle();
  Tap(DIK_NEXT);
  Click("btnNext");
  EXPECT_EQ(deck.PlayList.CurrentIndex, 0);
  EXPECT_EQ(form.windowTitle(), caption);
  deck.SetVolume(0);
  Tap(DIK_NEXT);
  EXPECT_EQ(deck.PlayList.CurrentIndex, 5) << "a silent deck may change tracks";
}

TEST_F(DeckControls, CtrlDragOnThePitchFaderHoldsOnlyWhileTheButtonIsDown) {
  ASSERT_EQ(form.FormCreate({}), 0);
  TSlider* pitch = Control<TSlider>(form, "Pitch");
  form.Deck()->SetPitchFader(300);
  form.RefreshPitchDisplay();
  const int span = pitch->MaxValue() - pitch->MinValue() + 400;
  Key(DIK_LCONTROL, true);
  Press(pitch, {16, 120});
  EXPECT_EQ(PitchInfo().FaderValue, (86 - 120) * span / 173) << "truncated toward zero";
  MoveTo(pitch, {16, -40});
  EXPECT_EQ(PitchInfo().FaderValue, pitch->MaxValue()) << "past the top: the range's end";
  Release(pitch, {16, -40});
  EXPECT_EQ(PitchInfo().FaderValue, 300);
  EXPECT_EQ(pitch->Value(), 300);
}

// Qt delivers a wheel turned with Alt held as a sideways turn.
TEST_F(DeckControls, AltHeldWithTheWheelNudgesAsWithoutIt) {
  ASSERT_EQ(form.FormCreate({}), 0);
  Key(DIK_LSHIFT, true);
  Key(DIK_LMENU, true);
  QWheelEvent forward({92, 100}, form.mapToGlobal(QPointF(92, 100)), {}, {120, 0}, Qt::NoButton,
                      Qt::ShiftModifier | Qt::AltModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&form, &forward);
  EXPECT_EQ(PitchInfo().Pitch, -1) << "one notch forward with Shift: 0.01 % lower";
}

// The dialog lists the folder's songs whatever the letter case of their
// names, and the chosen files become the playlist in the order chosen.
TEST_F(DeckControls, OpenDialogListsAnyCaseAndKeepsTheChosenOrder) {
  ASSERT_EQ(form.FormCreate({}), 0);
  const QString upper = QString::fromStdString(Song("LOUD.WAV", 1));
  const QString lower = QString::fromStdString(Song("quiet.wav", 1));
  WriteFileBytes(dir.File("notes.txt"), "not a song");
  int listed = -1;
  QString title, shownTypes;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    shownTypes = types->itemText(0) + "|" + types->itemText(1);
    dialog->setDirectory(QString::fromStdString(dir.Path()));
    QAbstractItemView* view = dialog->findChild<QListView*>("listView");
    // The folder is read on a thread of the dialog's own.
    // A listing that never comes shows in the count below.
    static_cast<void>(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 2; }, kFolderReadLimitMs));
    listed = view->model()->rowCount(view->rootIndex());
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("\"quiet.wav\" \"LOUD.WAV\"");
    QMetaObject::invokeMethod(dialog, "accept");
  });
  Tap(DIK_RETURN);
  EXPECT_EQ(title, "Open file(s)");
  EXPECT_EQ(shownTypes, "All supported types|MPEG Audio Files (*.MPG;*.MP2;*.MP3)");
  EXPECT_EQ(listed, 2) << "both songs, not the text file";
  TVySystemTAG& deck = *form.Deck();
  ASSERT_EQ(deck.PlayList.Entries.Count(), 2);
  EXPECT_EQ(deck.PlayList.Entries.Strings(0), lower.toStdString());
  EXPECT_EQ(deck.PlayList.Entries.Strings(1), upper.toStdString());
  EXPECT_EQ(form.windowTitle().toStdString(), kLoadingCaption);
}
}  // namespace

// B turns the pitch display into the track's tempo at the pitch set, and back.
TEST_F(DeckControls, KeyBShowsTheEffectiveTempoInThePitchDisplay) {
  ASSERT_EQ(form.FormCreate({}), 0);
  TVySystemTAG& deck = *form.Deck();
  deck.Analysis().Use(FixedAnalysis({.bpm = 125.0}), dir.File("analysis.sqlite"));
  ASSERT_EQ(deck.OpenFiles(Song("song.wav", 5), 0), 0);
  ASSERT_TRUE(deck.Analysis().WaitFor(kAnalysisLimitMs));
  deck.NudgePitch(240);
  Ticks(1);
  TOzoLCD* display = Control<TOzoLCD>(form, "LabelPitch");
  Tap(DIK_B);
  EXPECT_EQ(display->Caption(), "128.0") << "125 BPM at +2.40 %";
  Tap(DIK_B);
  EXPECT_EQ(display->Caption(), "+ e2.40");
}

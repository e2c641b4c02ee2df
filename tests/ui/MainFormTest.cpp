// The deck window on Qt's offscreen platform: its layout, what the display
// timer shows for each deck state, and when it refuses to close.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <QDir>
#include <QDropEvent>
#include <QFontInfo>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include "MainFormFixture.h"
#include "controls/Slider.h"
#include "controls/Vumetter.h"
#include "ui/MainBitmaps.h"

// The artwork's registration, compiled into the controls' library.
static void UnregisterArtwork() { Q_CLEANUP_RESOURCE(artwork); }
static void RegisterArtwork() { Q_INIT_RESOURCE(artwork); }

namespace {
QImage Glyph(TMainForm& form, const char* button) {
  QToolButton* b = Control<QToolButton>(form, button);
  return b->icon().pixmap(b->iconSize()).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage Bitmap(int index) { return MainBitmap(index)->convertToFormat(QImage::Format_ARGB32); }

// What the layout file cannot carry: the fixed size and the cut corners.
TEST_F(MainForm, TheFaceHasAFixedSizeAndRoundedBottomCorners) {
  EXPECT_EQ(form.size(), QSize(385, 195));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(Control(form, "Buffer")->isVisibleTo(&form));
  const QRegion shape = form.mask();
  EXPECT_FALSE(shape.contains(QPoint(0, 194)) || shape.contains(QPoint(384, 194))) << "rounded bottom corners";
  EXPECT_TRUE(shape.contains(QPoint(0, 0)) && shape.contains(QPoint(384, 0))) << "square under the title bar";
  EXPECT_TRUE(shape.contains(QPoint(5, 194)) && shape.contains(QPoint(0, 189)));
}

TEST_F(MainForm, CaptionsFitTheirButtonsInTheFreeFonts) {
  for (const char* name : {"btnPrefs", "btnMute", "btnTime"}) {
    QToolButton* button = Control<QToolButton>(form, name);
    const QFontInfo used(button->font());
    EXPECT_TRUE(used.family().startsWith("Liberation Sans"))
        << name << " falls back to " << used.family().toStdString();
    const QRect text = button->fontMetrics().tightBoundingRect(button->text());
    EXPECT_LE(text.width(), button->width() - 4) << name;
    EXPECT_LE(text.height(), button->height() - 4) << name;
  }
}

TEST_F(MainForm, SpeedButtonsWearTheClassicBevelAndSinkTheirGlyph) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QToolButton* open = Control<QToolButton>(form, "btnOpen");  // 25 x 25, an 11 x 10 glyph
  const QImage up = Grab(open);
  EXPECT_EQ(up.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(up.pixel(24, 24), qRgb(0, 0, 0));
  EXPECT_EQ(up.pixel(23, 23), qRgb(128, 128, 128));
  EXPECT_EQ(up.pixel(12, 2), qRgb(192, 192, 192)) << "a flat face";
  open->setDown(true);
  const QImage down = Grab(open);
  EXPECT_EQ(down.pixel(0, 0), qRgb(0, 0, 0)) << "sunk";
  EXPECT_EQ(down.copy(8, 8, 11, 10), up.copy(7, 7, 11, 10)) << "the glyph, one pixel down and right";
}

TEST_F(MainForm, BitmapLookupEndsAtTheSeventh) {
  ASSERT_TRUE(LoadBitmaps());
  EXPECT_NE(MainBitmap(6), nullptr);
  EXPECT_EQ(MainBitmap(7), nullptr);
  EXPECT_EQ(MainBitmap(-1), nullptr);
  FreeBitmaps();
}

TEST_F(MainForm, EmptyDeckShowsTheIdleCaptionAndDarkLamps) {
  ASSERT_EQ(form.FormCreate({}), 0);
  EXPECT_EQ(form.UpdateTimer().interval(), 37);
  EXPECT_EQ(form.UpdateTimer().timerType(), Qt::PreciseTimer);
  EXPECT_TRUE(form.UpdateTimer().isActive());
  form.TimerUpdateTimer();
  EXPECT_EQ(form.windowTitle().toStdString(), kIdleCaption);
  EXPECT_EQ(Glyph(form, "btnPlay"), Bitmap(bmpLedPlayDisabled));
  EXPECT_EQ(Glyph(form, "btnCUE"), Bitmap(bmpLedCueOff));
  EXPECT_TRUE(form.acceptDrops());
  TSlider* pitch = Control<TSlider>(form, "Pitch");
  EXPECT_EQ(pitch->MinValue(), -1653) << "the fader range comes from the deck";
  EXPECT_EQ(pitch->MaxValue(), 1653);
  EXPECT_EQ(pitch->Increment(), 103);
}

TEST_F(MainForm, LampsFollowTheDeckState) {
  ASSERT_EQ(form.FormCreate({Song("first.wav", 20)}), 0);
  TVySystemTAG& deck = *form.Deck();
  ASSERT_EQ(deck.State, dsPlaying) << "play when open";
  form.TimerUpdateTimer();
  EXPECT_EQ(form.windowTitle().toStdString(), std::string(kSongCaptionPrefix) + "first");
  EXPECT_EQ(Glyph(form, "btnPlay"), Bitmap(bmpLedPlay));
  EXPECT_EQ(Glyph(form, "btnCUE"), Bitmap(bmpLedCueOff));

  deck.PlayPause();
  form.TimerUpdateTimer();
  EXPECT_EQ(Glyph(form, "btnPlay"), Bitmap(bmpLedPlayOff));
  deck.CueDown();
  deck.CueUp();
  form.TimerUpdateTimer();
  ASSERT_EQ(deck.State, dsCued);
  EXPECT_EQ(Glyph(form, "btnPlay"), Bitmap(bmpLedPlayDisabled));
  EXPECT_EQ(Glyph(form, "btnCUE"), Bitmap(bmpLedCue));
  deck.ForwardDown(2);  // fixed steps of 100 ms
  form.TimerUpdateTimer();
  EXPECT_EQ(Glyph(form, "btnPlay"), Bitmap(bmpLedPlayDisabled));
  EXPECT_EQ(Glyph(form, "btnCUE"), Bitmap(bmpLedCueOff));
}

TEST_F(MainForm, OpensShowingThePlayingSongBeforeTheFirstInterval) {
  ASSERT_EQ(form.FormCreate({Song("first.wav", 20)}), 0);
  EXPECT_EQ(form.windowTitle().toStdString(), std::string(kSongCaptionPrefix) + "first");
  EXPECT_EQ(Glyph(form, "btnPlay"), Bitmap(bmpLedPlay));
}

TEST_F(MainForm, PositionShowsTheCuePointAsASearchMovesIt) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  TVySystemTAG& deck = *form.Deck();
  deck.PlayPause();
  form.TimerUpdateTimer();
  deck.ForwardDown(3);  // steps of 1000 ms
  ASSERT_TRUE(PlayTo(2000));
  deck.ForwardUp();
  form.TimerUpdateTimer();
  TVyPlayInfo info{};
  deck.GetPlayInfo(info);
  EXPECT_GT(info.Time.CuePoint, 0u);
  EXPECT_EQ(Control<TSlider>(form, "Position")->Value(), int(info.Time.CuePoint));
}

TEST_F(MainForm, PositionRangeFollowsEachNewSongLongOrShort) {
  ASSERT_EQ(form.FormCreate({Song("long.wav", 60)}), 0);
  form.TimerUpdateTimer();
  TSlider* position = Control<TSlider>(form, "Position");
  EXPECT_EQ(position->MaxValue(), 60000);
  EXPECT_EQ(position->Increment(), 30000);
  form.Deck()->OpenFiles(Song("short.wav", 10), 0);
  form.TimerUpdateTimer();
  EXPECT_EQ(position->MaxValue(), 10000);
  EXPECT_EQ(position->Increment(), 10000) << "a short song's step is its length";
  EXPECT_EQ(Control<QProgressBar>(form, "Progress")->maximum(), 100);
}

TEST_F(MainForm, MeterRestsWhileTheDeckIsPaused) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  TOzoVUmetter* meter = Control<TOzoVUmetter>(form, "VMetter");
  ASSERT_TRUE(PlayTo(300));
  form.Deck()->PlayPause();
  for (int i = 0; i < 100; ++i) meter->TimerTick(meter);
  form.TimerUpdateTimer();
  EXPECT_EQ(meter->Level(0), 0) << "levels heard before the pause are not shown after it";

  const unsigned pausedAt = form.Deck()->Song.GetPosition();
  form.Deck()->PlayPause();
  ASSERT_TRUE(PlayTo(pausedAt + 300));
  form.TimerUpdateTimer();
  EXPECT_GT(meter->Level(0), 0) << "while playing the meter shows the levels";
}

TEST_F(MainForm, DisplaysRepaintWithoutThePanelsBeneathThem) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.TimerUpdateTimer();
  PaintCounter panel1(Control(form, "Panel1")), panel2(Control(form, "Panel2"));
  TOzoVUmetter* vu = Control<TOzoVUmetter>(form, "VMetter");
  PaintCounter hundredths(Control(form, "LabelTimeCS")), meter(vu);
  for (unsigned at = 200; at <= 1000; at += 200) {
    ASSERT_TRUE(PlayTo(at));
    for (int step = 0; step < 3; ++step) vu->TimerTick(vu);  // a fall below the peak LED, which the next levels undo
    form.TimerUpdateTimer();
  }
  ASSERT_GT(hundredths.Count(), 0);
  ASSERT_GT(meter.Count(), 0);
  EXPECT_EQ(panel1.Count(), 0);
  EXPECT_EQ(panel2.Count(), 0);
}

TEST_F(MainForm, PitchLedTellsOffZeroAndMoved) {
  ASSERT_EQ(form.FormCreate({}), 0);
  TVySystemTAG& deck = *form.Deck();
  QWidget* led = Control(form, "LedPitch");
  auto colour = [&] {
    form.RefreshPitchDisplay();
    return led->palette().color(QPalette::Window);
  };
  TVyPitchInfo pitch{};
  deck.GetPitchInfo(pitch);
  ASSERT_TRUE(pitch.PitchOn);
  EXPECT_EQ(colour(), QColor(0, 255, 0));
  deck.SetPitchFader(500);
  EXPECT_EQ(colour(), QColor(0, 128, 0));
  EXPECT_EQ(Control<TSlider>(form, "Pitch")->Value(), 500);
  deck.TogglePitch();
  EXPECT_EQ(colour(), form.palette().color(QPalette::Button));
}

TEST_F(MainForm, SecureCloseHoldsAnAudiblePlayingDeck) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  form.show();
  ASSERT_EQ(form.Deck()->State, dsPlaying);
  EXPECT_FALSE(form.close());
  form.Deck()->SetVolume(0);
  EXPECT_TRUE(form.close()) << "a silent deck may close";
  EXPECT_FALSE(form.UpdateTimer().isActive());
}

// Drags `path` onto the window and drops it there.
void Drop(TMainForm& form, const std::string& path) {
  QMimeData files;
  // Percent-encoded bytes, as the desktop sends a name that is not UTF-8.
  files.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"))});
  QDragEnterEvent enter(QPoint(200, 100), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  QDropEvent drop(QPointF(200, 100), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &drop);
}

TEST_F(MainForm, DroppedFilesOpenUnlessSecureDropHoldsAPlayingDeck) {
  ASSERT_EQ(form.FormCreate({}), 0);
  TVySystemTAG& deck = *form.Deck();
  TVyPreferences preferences = deck.Preferences;
  preferences.Flags |= pfSecureDrop;
  deck.SetPreferences(preferences);
  ASSERT_TRUE(form.acceptDrops());

  Drop(form, Song("dropped.wav", 5));
  EXPECT_EQ(form.windowTitle().toStdString(), kLoadingCaption);
  form.TimerUpdateTimer();
  EXPECT_EQ(form.windowTitle().toStdString(), std::string(kSongCaptionPrefix) + "dropped");
  ASSERT_EQ(deck.State, dsPlaying);
  EXPECT_FALSE(form.acceptDrops()) << "a playing deck refuses drops";
  deck.SetVolume(0);
  form.TimerUpdateTimer();
  EXPECT_FALSE(form.acceptDrops()) << "a volume change alone does not re-evaluate";
  deck.PlayPause();
  form.TimerUpdateTimer();
  EXPECT_TRUE(form.acceptDrops());
}

// The help page tells which way of the fader plays faster, as the deck has it.
TEST_F(MainForm, HelpPageTellsWhichWayOfTheFaderPlaysFaster) {
  ASSERT_EQ(form.FormCreate({}), 0);
  form.Deck()->SetPitchFader(Control<TSlider>(form, "Pitch")->MaxValue());  // the fader's top
  TVyPitchInfo info{};
  form.Deck()->GetPitchInfo(info);
  ASSERT_LT(info.Pitch, 0);
  EXPECT_NE(ReadFileBytes(VYS_HELP_PAGE).find("pulled down (towards you) the song plays faster"), std::string::npos);
}

// A folder stands for its tracks sorted by name, however deep it lies, and
// names that are not UTF-8 (Latin-1 here) keep their bytes.
TEST_F(MainForm, ADroppedFolderOpensItsTracksByNameHoweverDeep) {
  ASSERT_EQ(form.FormCreate({}), 0);
  const std::string folder = dir.File(std::string(200, 'd')) + "/" + std::string(100, 'e') + "\xe9";
  ASSERT_TRUE(std::filesystem::create_directories(folder + "/inner"));
  for (const char* name : {"b.wav", "C.MP3", "A.wav", "notes.txt", "d\xe9.wav"})
    ASSERT_EQ(std::rename(Song(name, 1).c_str(), (folder + "/" + name).c_str()), 0);
  Drop(form, folder);
  EXPECT_EQ(form.Deck()->PlayList.Entries.GetText(),
            folder + "/A.wav\n" + folder + "/b.wav\n" + folder + "/C.MP3\n" + folder + "/d\xe9.wav\n");
  EXPECT_EQ(form.Deck()->State, dsPlaying);
}

TEST_F(MainForm, StartUpEndsWithoutItsBitmaps) {
  CaptureMessages();
  UnregisterArtwork();
  const int exitCode = form.FormCreate({});
  RegisterArtwork();
  EXPECT_EQ(exitCode, 1);
  EXPECT_EQ(LastMessage(), kResourcesMissingText);
  EXPECT_EQ(form.Deck(), nullptr);
}
}  // namespace

// The stored block and the command line over it.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <cstring>

#include "MainFormFixture.h"
#include "controls/Slider.h"
#include "foundation/OzoLog.h"
#include "foundation/OzoReg.h"
#include "ui/KeepOnScreen.h"
#include "ui/VyConfig.h"

namespace {
TVyConfigBlock Defaults() {
  TVyConfigBlock block;
  DefaultConfig(block);
  return block;
}

TEST(CommandLine, OptionsOverrideTheBlockAndEveryOtherWordIsAFile) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> files;
    uint32_t device;
    int left, top, hotKey;
    bool log;
  } cases[] = {
      {{"-x", "100", "-y", "50", "-key", "3", "a.mp3", "b.mp3"}, {"a.mp3", "b.mp3"}, 0, 100, 50, 3, false},
      {{"/SC", "1"}, {}, 1, -1, -1, 0, false},
      {{"-sc", "two", "-x", "left"}, {}, 0, -1, -1, 0, false},
      {{"-key", "13", "-key", "F3"}, {}, 0, -1, -1, 0, false},
      {{"-x", "-log"}, {}, 0, -1, -1, 0, true},
      {{"a.mp3", "-x"}, {"a.mp3"}, 0, -1, -1, 0, false},
      {{"/LOG", "-unknown", "", "/home/dj/My Music/a.mp3", "crate/b side.wav"},
       {"/home/dj/My Music/a.mp3", "crate/b side.wav"},
       0,
       -1,
       -1,
       0,
       true},
      {{"-x", "/home/dj/a.mp3", "/x"}, {"/home/dj/a.mp3"}, 0, -1, -1, 0, false},
  };
  for (const auto& c : cases) {
    TVyConfigBlock block = Defaults();
    const TCommandLine line = ParseCommandLine(c.arguments);
    ApplyCommandLine(line, block);
    const std::string args = ::testing::PrintToString(c.arguments);
    EXPECT_EQ(line.files, c.files) << args;
    EXPECT_EQ(block.DeviceIndex, c.device) << args;
    EXPECT_EQ(block.Left, c.left) << args;
    EXPECT_EQ(block.Top, c.top) << args;
    EXPECT_EQ(block.HotKey, c.hotKey) << args;
    EXPECT_EQ((block.WindowFlags & wfLog) != 0, c.log) << args;
  }
}
}  // namespace

namespace {
class StoredSettings : public MainForm {
 protected:
  static void Store(const void* data, unsigned size) {
    TOzoRegTAG reg;
    ASSERT_EQ(reg.OpenKey(kConfigKey), 1);
    ASSERT_EQ(reg.WriteBinary("Config", data, size), 1);
  }
  static TVyConfigBlock Stored() {
    TVyConfigBlock block{};
    TOzoRegTAG reg;
    EXPECT_EQ(reg.OpenKey(kConfigKey), 1);
    EXPECT_EQ(reg.ReadValue("Config", &block, sizeof block), 1);
    return block;
  }
  static bool SamePreferences(const TVyConfigBlock& block, const TVyPreferences& preferences) {
    return std::memcmp(block.Preferences, &preferences, kPreferencesBytes) == 0;
  }
};

TEST_F(StoredSettings, FirstRunStoresTheWholeBlockAndTheVersionAtClose) {
  ASSERT_EQ(form.FormCreate({"-x", "10", "-y", "20", "-key", "4"}), 0);
  form.FormClose();
  const TVyConfigBlock block = Stored();
  EXPECT_EQ(std::string(block.Magic, 4), "2500");
  EXPECT_EQ(block.DeviceIndex, 0u);
  EXPECT_EQ(block.WindowFlags, wfVUPeaks);
  EXPECT_EQ(block.Left, -1) << "position and hot key are for one run";
  EXPECT_EQ(block.Top, -1);
  EXPECT_EQ(block.HotKey, 0);
  EXPECT_TRUE(SamePreferences(block, TVyPreferences{})) << "the deck's own";
  TVyVersionRecord version{};
  TOzoRegTAG reg;
  ASSERT_EQ(reg.OpenKey(kConfigKey), 1);
  ASSERT_EQ(reg.ReadValue("Version", &version, sizeof version), 1);
  EXPECT_EQ(std::memcmp(&version, "\x01\x25\x00\x00\x01\x00\x0B\x00\xCF\x07\0\0\0\0\0\0", 16), 0);
}

TEST_F(StoredSettings, ASecondRunTakesTheStoredSettingsBack) {
  TVyConfigBlock block = Defaults();
  TVyPreferences preferences{};
  preferences.Flags = pfPlayWhenOpen | pfSecureTrack;
  preferences.EndOfTrack = etNext;
  preferences.PitchRange = pr8;
  preferences.Reserved1[0] = 0x5A;  // the deck's own bytes come back untouched
  SetConfigPreferences(block, preferences);
  block.WindowFlags = wfDownmix | wfLog;
  std::strcpy(block.Folder, "/music/crates/");
  Store(&block, sizeof block);
  SetLogPath(dir.File("vys.log"));

  ASSERT_EQ(form.FormCreate({"-log", "-sc", "1"}), 0);
  EXPECT_EQ(form.Deck()->Preferences.Flags, preferences.Flags);
  EXPECT_EQ(Control<TSlider>(form, "Pitch")->MaxValue(), form.Deck()->DeckInfo.Fader.Maximum);
  EXPECT_LT(form.Deck()->DeckInfo.Fader.Maximum, 1000) << "the fader spans the stored +-8 %";
  EXPECT_TRUE(Control(form, "DownMix")->isVisibleTo(&form));
  EXPECT_FALSE(Control(form, "Balance")->isVisibleTo(&form));
  EXPECT_TRUE(LogIsOn());
  form.FormClose();
  const TVyConfigBlock stored = Stored();
  EXPECT_TRUE(SamePreferences(stored, preferences));
  EXPECT_EQ(stored.WindowFlags, wfDownmix | wfLog) << "no peaks; the log as stored, whatever -log said";
  EXPECT_EQ(stored.DeviceIndex, 0u) << "the device as stored, whatever -sc said";
  EXPECT_STREQ(stored.Folder, "/music/crates/");
}

TEST_F(MainForm, APlaceOffEveryScreenKeepsPartOfTheWindowOnOne) {
  ASSERT_EQ(form.FormCreate({"-x", "999999", "-y", "-999999"}), 0);
  const QRect seen = form.frameGeometry() & QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_GE(seen.width(), kMinVisiblePixels);
  EXPECT_GE(seen.height(), kMinVisiblePixels);
}

// Also a block with the right mark whose values are out of range, or where
// a store never holds any (position and hot key): those are not taken.
TEST_F(StoredSettings, AWrongShortLongOrOutOfRangeBlockGivesTheDefaultsAndIsReplaced) {
  TVyConfigBlock marked = Defaults();
  TVyPreferences odd{};
  odd.PitchRange = pr20;
  SetConfigPreferences(marked, odd);
  std::string wrongMark(reinterpret_cast<const char*>(&marked), sizeof marked);
  wrongMark[0] = 'X';
  TVyConfigBlock outOfRange = Defaults();
  const TVyPreferences damaged{.EndOfTrack = 7, .TimeMode = 5, .PitchRange = 7};
  SetConfigPreferences(outOfRange, damaged);
  outOfRange.Left = outOfRange.Top = 300;
  const std::string bad[] = {wrongMark, wrongMark.substr(0, 10).replace(0, 1, "2"), "2500" + std::string(396, '\0'),
                             std::string(reinterpret_cast<const char*>(&outOfRange), sizeof outOfRange)};
  for (const std::string& value : bad) {
    Store(value.data(), unsigned(value.size()));
    TMainForm window{[this](void*) { return MakeSteppedDeck(player); }};
    ASSERT_EQ(window.FormCreate({}), 0);
    EXPECT_EQ(window.Deck()->Preferences.PitchRange, pr16) << value.size();
    EXPECT_NE(window.pos(), QPoint(300, 300));
    window.FormClose();
    EXPECT_TRUE(SamePreferences(Stored(), TVyPreferences{})) << value.size();
  }
}

// A settings store that cannot be written never keeps a deck from playing.
TEST_F(StoredSettings, AnUnwritableStoreStartsTheDeckOnItsDefaults) {
  const std::string blocked = settingsDir.File("blocked");
  WriteFileBytes(blocked, "a file where the store's folder would be");
  ScopedEnvironment unwritable("XDG_CONFIG_HOME", blocked);
  ASSERT_EQ(form.FormCreate({Song("song.wav", 5)}), 0);
  EXPECT_EQ(form.Deck()->State, dsPlaying);
  EXPECT_EQ(form.Deck()->Preferences.Flags, TVyPreferences{}.Flags);
  form.Deck()->PlayPause();
  EXPECT_TRUE(form.close());
}
}  // namespace

// The deck window built on Qt's offscreen platform, with short sine songs
// made on demand; its deck plays into a capture only as the test steps it.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "WidgetTestSupport.h"
#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/Environment.h"
#include "support/SteppedDeck.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "ui/Vymain.h"

template <typename T = QWidget>
T* Control(TMainForm& form, const char* name) {
  T* control = form.findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

// Widgets on Qt's offscreen platform, songs made on demand and a settings
// store of the test's own.
class WindowTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kRate = 8000;

  static bool Application() {
    EnsureApplication();
    ChooseKeySnapshotSource();
    return true;
  }
  void TearDown() override { SetMessageBoxPresenter(nullptr); }

  // From now on message boxes are not shown: the last one's text is kept.
  static void CaptureMessages() {
    LastMessage().clear();
    SetMessageBoxPresenter([](unsigned, const char*, const char* text) {
      LastMessage() = text;
      return IDOK;
    });
  }
  static std::string& LastMessage() {
    static std::string text;
    return text;
  }

  std::string Song(const char* name, double seconds) {
    WavLayout wav;
    wav.channels = 1;
    wav.rate = kRate;
    const std::vector<int16_t> sine = DitheredSine(440, kRate, size_t(seconds * kRate), 0.5, 1);
    wav.data.assign(reinterpret_cast<const char*>(sine.data()), sine.size() * 2);
    const std::string path = dir.File(name);
    WriteFileBytes(path, MakeWav(wav));
    return path;
  }

  bool application = Application();  // before any widget
  TempDir dir;
  TempDir settingsDir;  // the settings store's, never the user's own
  ScopedEnvironment settings{"XDG_CONFIG_HOME", settingsDir.Path()};
};

// The window on a deck whose time passes only as the test runs its player.
class MainForm : public WindowTest {
 protected:
  MainForm() {
    FollowDeck(player, [this] { return form.Deck(); });
  }

  // Runs the deck until its play position reaches `ms`, whatever the machine's load.
  bool PlayTo(unsigned ms) {
    return player.RunUntil([&] { return form.Deck()->Song.GetPosition() >= ms; }, TMainForm::kTimerIntervalMs);
  }

  SteppedPlayer player{dir.File("capture.wav"), kRate};
  TMainForm form{[this](void*) { return MakeSteppedDeck(player); }};
};

// The deck window built on Qt's offscreen platform, on the null device, with
// short sine songs made on demand.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "WidgetTestSupport.h"
#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "ui/Vymain.h"

template <typename T = QWidget>
T* Control(TMainForm& form, const char* name) {
  T* control = form.findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

// Waits (with a generous limit) until the deck's play position reaches ms;
// the position read leaves the meter's levels and the cue flag alone.
inline bool ReachesPosition(TVySystemTAG& deck, unsigned ms) {
  return WaitUntil([&] { return deck.Song.GetPosition() >= ms; });
}

class MainForm : public ::testing::Test {
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
  ScopedAudioOutput audio{"null", kRate};
  TempDir dir;
  TempDir settingsDir;  // the settings store's, never the user's own
  ScopedEnvironment settings{"XDG_CONFIG_HOME", settingsDir.Path()};
  TMainForm form;
};

// The program vys as a user runs it, in a private X server with a window
// manager, listened to through the capture device: it plays the file it is
// given from its start, a click on Play pauses it, each way of ending it
// ends it cleanly, and the deck's keys and the wheel are heard as a DJ
// would hear them; the installed tree; two decks picked by their hot keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "audio/output/OzoDS.h"
#include "foundation/OzoReg.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/HeardFrames.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "support/XvfbServer.h"
#include "ui/VyConfig.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr size_t kHalfSecond = kRate / 2;
constexpr auto kLimit = std::chrono::seconds(20);
// A tone with a whole number of frames a cycle, so that one cycle's RMS is its level.
constexpr double kToneHz = 441;
constexpr size_t kToneCycle = 100;
constexpr double kToneAmplitude = 0.5;

// Polls `done`, which reads the capture or runs a tool, until it holds or the limit passes.
bool Eventually(const std::function<bool()>& done) { return WaitUntil(done, kLimit.count(), 0.05); }

// The first line a program prints, or "".
std::string Output(const std::vector<std::string>& argv) {
  ChildProcess program(argv);
  return program.WaitForLine("");
}

std::string FindWindow(const std::string& name) {
  return Output({"xdotool", "search", "--sync", "--onlyvisible", "--name", name});
}

bool Silent(const Capture& capture, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (capture.left[i] != 0 || capture.right[i] != 0) return false;
  return true;
}

// The deck's gain for a volume of 0..100, on its level curve: 1 dB a level.
double VolumeGain(int volume) { return volume == 0 ? 0 : std::pow(10.0, (VolumeLevel(volume) - 100) / 20); }

// The volumes heard in [from, to) of a capture of the tone, one for each
// stretch of steady level (at least four cycles), in order; -1 for a level
// that is no volume of the deck's curve.
std::vector<int> HeardVolumes(const Capture& c, size_t from, size_t to) {
  std::vector<int> volumes;
  double steady = -1;
  int cycles = 0;
  for (size_t at = from; at + kToneCycle <= to; at += kToneCycle) {
    const double gain = Rms(c.left, at, at + kToneCycle) * std::sqrt(2.0) / kToneAmplitude;
    cycles = std::abs(gain - steady) <= 0.002 * steady + 1e-6 ? cycles + 1 : 1;
    if (cycles == 1) steady = gain;
    if (cycles != 4) continue;
    int nearest = 0;
    for (int v = 1; v <= 100; ++v)
      if (std::abs(VolumeGain(v) - gain) < std::abs(VolumeGain(nearest) - gain)) nearest = v;
    const int volume = std::abs(VolumeGain(nearest) - gain) <= 0.005 * gain + 1e-6 ? nearest : -1;
    if (volumes.empty() || volumes.back() != volume) volumes.push_back(volume);
  }
  return volumes;
}

// The frame numbers at which sound starts after a silence or jumps, in [from, to).
std::vector<uint32_t> SnippetStarts(const Capture& c, size_t from, size_t to) {
  std::vector<uint32_t> starts;
  for (size_t i = std::max<size_t>(from, 1); i < std::min(to, c.left.size()); ++i) {
    const uint32_t heard = Heard(c, i);
    if (heard != 0 && heard != Heard(c, i - 1) + 1) starts.push_back(heard);
  }
  return starts;
}

class VysWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Ok()) << "Xvfb did not start";
    RelaxStringChecksForQtWindows();
    windowManager =
        std::make_unique<ChildProcess>(std::vector<std::string>{"openbox", "--startup", "echo window-manager-ready"});
    ASSERT_NE(windowManager->WaitForLine("window-manager-ready"), "");
    WavLayout wav;
    wav.rate = kRate;
    wav.data = NumberedFrames(20 * kRate);
    WriteFileBytes(song, MakeWav(wav));
  }

  // Starts vys on the song; its standard error joins its output.
  void Start(const std::string& file) {
    vys = std::make_unique<ChildProcess>(
        std::vector<std::string>{"sh", "-c", std::string("exec \"$0\" \"$1\" 2>&1"), VYS_PATH, file});
    window = FindWindow("^ Vy-S: ");
  }
  void Start() { Start(song); }

  // Starts vys on a steady tone and waits until it is heard.
  void StartTone() {
    WavLayout wav;
    wav.rate = kRate;
    const std::vector<int16_t> pcm = DitheredSine(kToneHz, kRate, 30 * kRate, kToneAmplitude, 2);
    wav.data.assign(reinterpret_cast<const char*>(pcm.data()), pcm.size() * sizeof(int16_t));
    WriteFileBytes(tone, MakeWav(wav));
    Start(tone);
    ASSERT_NE(window, "");
    ASSERT_TRUE(Eventually([&] {
      const Capture capture = Heard();
      return capture.left.size() > FirstSound(capture) + kHalfSecond;
    }));
  }

  void ClickPlay() {
    // The Play button's centre: it lies at (264, 104) and is 41 pixels square.
    ASSERT_EQ(RunProgram({"xdotool", "mousemove", "--window", window, "284", "124", "click", "1"}), 0);
  }

  bool Key(const char* keys) {
    return RunProgram({"xdotool", "windowactivate", "--sync", window, "key", "--clearmodifiers", keys}) == 0;
  }

  // Runs xdotool with `actions` after making the deck's window the active one.
  bool Keys(std::vector<std::string> actions) {
    actions.insert(actions.begin(), {"xdotool", "windowactivate", "--sync", window});
    return RunProgram(actions) == 0;
  }

  // Frames captured so far: the time now, on the capture's clock.
  size_t Now() { return Heard().left.size(); }

  // Waits until the capture holds `frames` more than it does now.
  bool HearFor(size_t frames) {
    const size_t until = Now() + frames;
    return Eventually([&] { return Now() >= until; });
  }

  // Waits until the last half second of the capture is silent.
  bool HearSilence() {
    return Eventually([&] {
      const Capture capture = Heard();
      const size_t end = capture.left.size();
      return end > kHalfSecond && Silent(capture, end - kHalfSecond, end);
    });
  }

  // Closes the window by the window manager's Alt+F4. A keystroke the window
  // manager missed while busy is pressed again; a refused close stays refused.
  int CloseByAltF4() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!Key("alt+F4")) break;
      const int status = vys->WaitForExit(std::chrono::seconds(5), false);
      if (status != ChildProcess::kStillRunning) return status;
    }
    return vys->WaitForExit();
  }

  // What the deck printed, read to its end once it has ended: shown with a
  // failed exit, so that a crash or a sanitizer report is seen.
  std::string DeckOutput() {
    vys->WaitForLine("\x01", 0, std::chrono::milliseconds(500));
    std::string text;
    for (const std::string& line : vys->Lines()) text += line + "\n";
    return text;
  }

  // The window's position on the screen, as "X=.. Y=..".
  std::string Position() {
    ChildProcess query({"xdotool", "getwindowgeometry", "--shell", window});
    return query.WaitForLine("X=") + " " + query.WaitForLine("Y=");
  }

  Capture Heard() {
    Capture capture;
    ReadCapture(capturePath, &capture);
    return capture;
  }

  XvfbServer server;
  std::unique_ptr<ChildProcess> windowManager;
  TempDir dir;
  ScopedEnvironment settings{"XDG_CONFIG_HOME", dir.Path()};  // never the user's own
  std::string song = dir.File("sweep.wav");
  std::string tone = dir.File("tone-caf\xe9.wav");  // a Latin-1 name, not UTF-8: opened as given
  std::string capturePath = dir.File("capture.wav");
  ScopedAudioOutput audio{ScopedAudioOutput::Capture(capturePath), kRate};
  std::unique_ptr<ChildProcess> vys;
  std::string window;
};

TEST_F(VysWindow, PlaysFromTheStartPausesOnPlayAndClosesCleanly) {
  Start();
  ASSERT_NE(window, "") << "no window with the song's caption";
  EXPECT_EQ(Output({"xdotool", "getwindowname", window}), " Vy-S: sweep");
  ASSERT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) >= kHalfSecond; }))
      << "the capture does not hold the file from its first frame";

  ClickPlay();
  ASSERT_TRUE(HearSilence()) << "the capture does not go silent after the click on Play";
  EXPECT_GT(RunFromFirstFrame(Heard()), kHalfSecond) << "what was heard before the pause came in order";

  const std::string shot = std::string(VYS_TEST_OUTPUT_DIR) + "/vys-window.png";
  EXPECT_EQ(RunProgram({WINDOW_SHOT_PATH, window, shot}), 0);

  EXPECT_EQ(CloseByAltF4(), 0) << DeckOutput();
}

TEST_F(VysWindow, CtrlQClosesOnlyOnceTheDeckIsPaused) {
  Start();
  ASSERT_NE(window, "");
  ASSERT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) > 0; }));
  ASSERT_TRUE(Key("ctrl+q"));
  const size_t heardAtCtrlQ = RunFromFirstFrame(Heard());
  EXPECT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) > heardAtCtrlQ + kHalfSecond; }))
      << "Secure close keeps an audible playing deck open";
  ClickPlay();
  ASSERT_TRUE(Key("ctrl+q"));
  EXPECT_EQ(vys->WaitForExit(), 0) << DeckOutput();
}

TEST_F(VysWindow, MovesWhenDraggedByAFreeSpotOfItsFace) {
  Start();
  ASSERT_NE(window, "");
  const std::string before = Position();
  // Between the two left bevels: the face itself. The window manager takes
  // the pointer over once the press has reached the window; the moves go to it.
  ASSERT_EQ(RunProgram({"xdotool", "mousemove", "--window", window, "92", "100", "mousedown", "1"}), 0);
  for (int step = 0; step < 10 && Position() == before; ++step)
    ASSERT_EQ(RunProgram({"xdotool", "mousemove_relative", "--sync", "6", "4"}), 0);
  ASSERT_EQ(RunProgram({"xdotool", "mouseup", "1"}), 0);
  EXPECT_TRUE(Eventually([&] { return Position() != before; })) << "still at " << before;
}

TEST_F(VysWindow, EndsCleanlyOnATerminationRequestWhilePlaying) {
  Start();
  ASSERT_NE(window, "");
  ASSERT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) > 0; }));
  vys->Signal(SIGTERM);
  EXPECT_EQ(vys->WaitForExit(), 0) << DeckOutput();
}

// The last frame number heard before the capture's silent tail.
uint32_t LastHeardBeforeSilence(const Capture& c) {
  size_t end = c.left.size();
  while (end > 0 && Heard(c, end - 1) == 0) --end;
  return end == 0 ? 0 : Heard(c, end - 1);
}

TEST_F(VysWindow, KeypadEnterPausesAndPlaysOnFromWhereItStopped) {
  Start();
  ASSERT_NE(window, "");
  ASSERT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) >= kHalfSecond; }));
  ASSERT_TRUE(Keys({"key", "KP_Enter"}));
  ASSERT_TRUE(HearSilence()) << "keypad Enter does not pause";
  const uint32_t stoppedAt = LastHeardBeforeSilence(Heard());
  EXPECT_EQ(stoppedAt, RunFromFirstFrame(Heard())) << "what was heard before the pause came in order";

  const size_t pressed = Now();
  ASSERT_TRUE(Keys({"key", "KP_Enter"}));
  ASSERT_TRUE(Eventually([&] { return FirstSound(Heard(), pressed) + kHalfSecond < Now(); }))
      << "keypad Enter does not play again";
  const Capture capture = Heard();
  const size_t resumed = FirstSound(capture, pressed);
  EXPECT_EQ(::Heard(capture, resumed), stoppedAt + 1);
  EXPECT_GE(RunLength(capture, resumed), kHalfSecond);
}

// "Pioneer style CUE key" is on from the start. The deck keeps its cue point
// in milliseconds: the first press plays on from the paused frame, the
// later ones from the cue point, less than a millisecond before it.
TEST_F(VysWindow, KeypadZeroWhilePausedPlaysOnlyWhileHeldAndReturnsToTheCuePoint) {
  Start();
  ASSERT_NE(window, "");
  ASSERT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) >= kHalfSecond; }));
  ASSERT_TRUE(Keys({"key", "KP_Enter"}));
  ASSERT_TRUE(HearSilence());
  const uint32_t paused = LastHeardBeforeSilence(Heard()) + 1;

  std::vector<uint32_t> starts;
  for (int press = 1; press <= 3; ++press) {
    SCOPED_TRACE("press " + std::to_string(press));
    const size_t down = Now();
    ASSERT_TRUE(Keys({"keydown", "KP_0"}));
    ASSERT_TRUE(Eventually([&] { return FirstSound(Heard(), down) + kHalfSecond / 2 < Now(); }))
        << "nothing heard while keypad 0 is held";
    ASSERT_TRUE(Keys({"keyup", "KP_0"}));
    const size_t up = Now();
    ASSERT_TRUE(HearSilence()) << "the deck plays on after keypad 0 is let go";
    const Capture capture = Heard();
    const size_t first = FirstSound(capture, down);
    starts.push_back(::Heard(capture, first));
    EXPECT_NEAR(starts.back(), paused, kRate / 1000);
    EXPECT_TRUE(Silent(capture, first + RunLength(capture, first), capture.left.size()))
        << "more than one stretch of sound for one press";
    EXPECT_LE(first + RunLength(capture, first), up + kHalfSecond / 5) << "sound long after the release";
  }
  EXPECT_EQ(starts[1], starts[2]) << "the cue point moved";
}

TEST_F(VysWindow, VolumeKeysRampInStepsOfFiveAndTheLaterKeyRules) {
  StartTone();
  ASSERT_TRUE(Keys({"keydown", "minus"}));
  ASSERT_TRUE(HearSilence()) << "holding minus does not ramp down to volume 0";

  // Equal pressed while minus is held turns the ramp up; letting minus go does not stop it.
  const size_t up = Now();
  ASSERT_TRUE(Keys({"keydown", "equal", "keyup", "minus"}));
  ASSERT_TRUE(Eventually([&] {
    const std::vector<int> heard = HeardVolumes(Heard(), Now() - kHalfSecond / 2, Now());
    return heard.size() == 1 && heard[0] == 100;
  })) << "the ramp up does not reach full level";
  const std::vector<int> volumes = HeardVolumes(Heard(), up, Now());
  ASSERT_FALSE(volumes.empty());
  EXPECT_EQ(volumes.front(), 0);
  EXPECT_EQ(volumes.back(), 100);
  EXPECT_GE(volumes.size(), 15u) << "steps larger than 5";
  for (size_t k = 1; k < volumes.size(); ++k) {
    EXPECT_EQ(volumes[k] % 5, 0) << "volume " << volumes[k] << " heard";
    EXPECT_GT(volumes[k], volumes[k - 1]);
  }

  // Letting equal go stops the ramp where it is.
  ASSERT_TRUE(Keys({"keyup", "equal", "keydown", "minus"}));
  ASSERT_TRUE(HearSilence());
  const size_t raised = Now();
  ASSERT_TRUE(Keys({"keyup", "minus", "keydown", "equal"}));
  ASSERT_TRUE(Eventually([&] {
    const std::vector<int> heard = HeardVolumes(Heard(), raised, Now());
    return !heard.empty() && heard.back() > 0;
  })) << "holding equal does not ramp up";
  ASSERT_TRUE(Keys({"keyup", "equal"}));
  const size_t released = Now();
  ASSERT_TRUE(HearFor(kRate));
  const std::vector<int> after = HeardVolumes(Heard(), released + kHalfSecond / 5, Now());
  ASSERT_EQ(after.size(), 1u) << "the level still moves after equal is let go";
  EXPECT_GT(after[0], 0);
  EXPECT_LT(after[0], 100);
}

// Another window taking the focus ends a held search as a release of the key
// does: the snippets stay at the reached place instead of moving on.
TEST_F(VysWindow, AnotherWindowTakingTheFocusEndsAHeldSearch) {
  Start();
  ASSERT_NE(window, "");
  ASSERT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) >= kHalfSecond; }));
  const size_t down = Now();
  ASSERT_TRUE(Keys({"keydown", "Right"}));
  ASSERT_TRUE(HearFor(kRate));

  ChildProcess other({"xmessage", "-title", "other-window", "another program"});
  const std::string otherWindow = FindWindow("^other-window$");
  ASSERT_NE(otherWindow, "");
  ASSERT_EQ(RunProgram({"xdotool", "windowactivate", "--sync", otherWindow}), 0);
  const size_t away = Now();
  ASSERT_TRUE(HearFor(3 * kRate / 2));
  RunProgram({"xdotool", "keyup", "Right"});

  const Capture capture = Heard();
  const std::vector<uint32_t> searching = SnippetStarts(capture, down, away);
  ASSERT_GE(searching.size(), 2u);
  EXPECT_GT(searching.back(), searching.front()) << "no search heard while the arrow is held";
  const std::vector<uint32_t> heldThere = SnippetStarts(capture, away + kHalfSecond / 2, capture.left.size());
  ASSERT_GE(heldThere.size(), 3u) << "no snippet heard at the reached place";
  EXPECT_EQ(*std::min_element(heldThere.begin(), heldThere.end()),
            *std::max_element(heldThere.begin(), heldThere.end()))
      << "the search moves on after the focus went to another window";
}

// Forward lowers the pitch: Shift nudges it by 0.01 %, Ctrl by 0.10 % a notch.
TEST_F(VysWindow, WheelWithShiftOrCtrlNudgesThePitchAndAloneLeavesIt) {
  StartTone();
  auto toneAfter = [&](const std::vector<std::string>& turns) {
    // A free spot of the face, where no control takes the wheel.
    std::vector<std::string> actions = {"mousemove", "--window", window, "92", "100"};
    actions.insert(actions.end(), turns.begin(), turns.end());
    EXPECT_TRUE(Keys(actions));
    const size_t from = Now() + kHalfSecond / 5;
    EXPECT_TRUE(HearFor(kRate + kHalfSecond / 5));
    return ZeroCrossingHz(Heard().left, from, from + kRate, kRate);
  };
  const double start = toneAfter({});
  EXPECT_NEAR(start / kToneHz, 1.0, 1e-5);
  EXPECT_NEAR(toneAfter({"click", "--repeat", "5", "4"}) / start, 1.0, 1e-5) << "the wheel alone";
  EXPECT_NEAR(toneAfter({"keydown", "shift", "click", "--repeat", "10", "5", "keyup", "shift"}) / start, 1.001, 2e-5)
      << "ten notches back with Shift";
  EXPECT_NEAR(toneAfter({"keydown", "ctrl", "click", "--repeat", "5", "4", "keyup", "ctrl"}) / start, 0.996, 3e-5)
      << "five notches forward with Ctrl";
}

// Position and hot key act for the run; the block stored at close keeps neither.
TEST_F(VysWindow, CommandLinePlacesTheWindowAndSetsAHotKeyForThisRunOnly) {
  WriteFileBytes(dir.File("second.wav"), ReadFileBytes(song));
  vys = std::make_unique<ChildProcess>(
      std::vector<std::string>{VYS_PATH, "-x", "100", "-y", "50", "-key", "3", song, dir.File("second.wav")});
  window = FindWindow("^ Vy-S: sweep$");
  ASSERT_NE(window, "") << "the first file on the command line plays first";
  const std::string position = Position();
  int x = 0, y = 0;
  ASSERT_EQ(std::sscanf(position.c_str(), "X=%d Y=%d", &x, &y), 2) << position;
  EXPECT_TRUE(x >= 100 && x <= 110 && y >= 50 && y <= 90) << "client at " << position << " under its frame";

  ChildProcess other({"xmessage", "-title", "other-window", "another program"});
  const std::string otherWindow = FindWindow("^other-window$");
  ASSERT_EQ(RunProgram({"xdotool", "windowactivate", "--sync", otherWindow, "key", "F3"}), 0);
  EXPECT_TRUE(Eventually([&] { return Output({"xdotool", "getactivewindow"}) == window; })) << "F3 brings the deck";

  ClickPlay();
  ASSERT_EQ(CloseByAltF4(), 0) << DeckOutput();
  TVyConfigBlock stored{};
  TOzoRegTAG reg;
  ASSERT_EQ(reg.OpenKey(kConfigKey), 1);
  ASSERT_EQ(reg.ReadValue("Config", &stored, sizeof stored), 1);
  EXPECT_EQ(std::string(stored.Magic, 4), "2500");
  EXPECT_EQ(stored.Left, -1);
  EXPECT_EQ(stored.Top, -1);
  EXPECT_EQ(stored.HotKey, 0);
}

TEST_F(VysWindow, WithoutAnyOutputTellsSoAndEndsBeforeTheWindowShows) {
  ScopedAudioOutput none("none");
  vys = std::make_unique<ChildProcess>(
      std::vector<std::string>{"sh", "-c", std::string("exec \"$0\" \"$1\" 2>&1"), VYS_PATH, song});
  EXPECT_NE(vys->WaitForLine("Vy-System: Vy-System could not detect any soundcard on this system."), "");
  EXPECT_NE(vys->WaitForLine("Try to start the sound server"), "") << "what a Linux user can do";
  const std::string box = FindWindow("^Vy-System$");
  ASSERT_NE(box, "") << "no message box";
  EXPECT_EQ(Output({"xdotool", "search", "--name", "Vy System PRO|Vy-S:"}), "") << "the deck window appeared";
  ASSERT_EQ(RunProgram({"xdotool", "windowactivate", "--sync", box, "key", "Return"}), 0);
  EXPECT_EQ(vys->WaitForExit(), 1);
}
}  // namespace

namespace {
bool IsFile(const std::string& path) { return std::ifstream(path).good(); }

// The last half second of the capture at path is silent.
bool EndsSilent(const std::string& path) {
  Capture capture;
  ReadCapture(path, &capture);
  const size_t end = capture.left.size();
  return end > kHalfSecond && Silent(capture, end - kHalfSecond, end);
}

size_t HeardRun(const std::string& path) {
  Capture capture;
  ReadCapture(path, &capture);
  return RunFromFirstFrame(capture);
}

// The whole installed tree: what the desktop reads is valid, the conventional
// words answer without any display, and the program plays from its installed place.
TEST_F(VysWindow, InstalledProgramIsCompleteAndPlaysFromItsPlace) {
  TempDir prefix;
  ASSERT_EQ(RunProgram({CMAKE_COMMAND_PATH, "--install", VYS_BUILD_DIR, "--prefix", prefix.Path()}), 0);
  const std::string share = prefix.File("share");
  for (const std::string& file :
       {prefix.File("bin/vys"), share + "/vy-system/vys.html", share + "/applications/vy-system.desktop",
        share + "/metainfo/org.example.VySystem.metainfo.xml", share + "/man/man1/vys.1",
        share + "/icons/hicolor/32x32/apps/vy-system.png", share + "/icons/hicolor/256x256/apps/vy-system.png",
        share + "/icons/hicolor/scalable/apps/vy-system.svg"})
    EXPECT_TRUE(IsFile(file)) << file << " is not installed";
  EXPECT_EQ(RunProgram({"desktop-file-validate", share + "/applications/vy-system.desktop"}), 0);
  EXPECT_EQ(RunProgram({"appstreamcli", "validate", "--no-net", share + "/metainfo/org.example.VySystem.metainfo.xml"}),
            0);

  const std::string installed = prefix.File("bin/vys");
  ChildProcess help({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", installed, "--help"});
  EXPECT_NE(help.WaitForLine("Usage: vys"), "");
  EXPECT_NE(help.WaitForLine("  VYS_AUDIO "), "") << "the environment is described";
  EXPECT_EQ(help.WaitForExit(), 0);
  ChildProcess version({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", installed, "--version"});
  EXPECT_EQ(version.WaitForLine(""), "Vy-System 2.51");
  EXPECT_EQ(version.WaitForExit(), 0);

  vys = std::make_unique<ChildProcess>(std::vector<std::string>{installed, song});
  window = FindWindow("^ Vy-S: sweep$");
  ASSERT_NE(window, "") << "the installed program shows no window";
  EXPECT_TRUE(Eventually([&] { return RunFromFirstFrame(Heard()) >= kHalfSecond; })) << "it does not play the file";
  ClickPlay();
  EXPECT_EQ(CloseByAltF4(), 0) << DeckOutput();
}

// Two decks side by side, each with its own hot key and capture: the hot key
// picks the deck, and the deck's own keys then reach that deck alone.
TEST_F(VysWindow, HotKeysPickOneOfTwoDecksAndItsKeysReachOnlyThatDeck) {
  const std::string a = dir.File("a.wav"), b = dir.File("b.wav"), captureB = dir.File("capture-b.wav");
  WriteFileBytes(a, ReadFileBytes(song));
  WriteFileBytes(b, ReadFileBytes(song));
  vys = std::make_unique<ChildProcess>(std::vector<std::string>{VYS_PATH, "-key", "1", "-x", "0", "-y", "0", a});
  ChildProcess second({"env", "VYS_AUDIO=wav:" + captureB, VYS_PATH, "-key", "2", "-x", "420", "-y", "0", b});
  const std::string windowA = FindWindow("^ Vy-S: a$"), windowB = FindWindow("^ Vy-S: b$");
  ASSERT_NE(windowA, "");
  ASSERT_NE(windowB, "");
  ASSERT_TRUE(Eventually([&] { return HeardRun(capturePath) >= kHalfSecond && HeardRun(captureB) >= kHalfSecond; }));
  auto active = [] { return Output({"xdotool", "getactivewindow"}); };

  ASSERT_EQ(RunProgram({"xdotool", "key", "F2"}), 0);
  ASSERT_TRUE(Eventually([&] { return active() == windowB; })) << "F2 does not bring the second deck";
  ASSERT_EQ(RunProgram({"xdotool", "key", "KP_Enter"}), 0);
  ASSERT_TRUE(Eventually([&] { return EndsSilent(captureB); })) << "keypad Enter does not pause the second deck";
  const size_t heardA = HeardRun(capturePath);
  EXPECT_TRUE(Eventually([&] { return HeardRun(capturePath) > heardA + kHalfSecond; }))
      << "the first deck stopped as well";

  ASSERT_EQ(RunProgram({"xdotool", "key", "F1"}), 0);
  ASSERT_TRUE(Eventually([&] { return active() == windowA; })) << "F1 does not bring the first deck";
  const size_t heardB = HeardRun(captureB);
  ASSERT_EQ(RunProgram({"xdotool", "key", "KP_Enter"}), 0);
  ASSERT_TRUE(Eventually([&] { return EndsSilent(capturePath); })) << "keypad Enter does not pause the first deck";
  ASSERT_TRUE(HearFor(kHalfSecond));
  EXPECT_EQ(HeardRun(captureB), heardB) << "the second deck played again on the first deck's key";
  EXPECT_TRUE(EndsSilent(captureB));

  for (const std::string& deck : {windowA, windowB})
    RunProgram({"xdotool", "windowactivate", "--sync", deck, "key", "--clearmodifiers", "alt+F4"});
  EXPECT_EQ(vys->WaitForExit(), 0) << DeckOutput();
  EXPECT_EQ(second.WaitForExit(), 0);
}
}  // namespace

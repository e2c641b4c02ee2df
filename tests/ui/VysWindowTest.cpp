// The program vys as a user runs it, in a private X server with a window
// manager, listened to through the capture device: it plays the file it is
// given from its start, a click on Play pauses it, and each way of ending it
// ends it cleanly.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/HeardFrames.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "support/XvfbServer.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr size_t kHalfSecond = kRate / 2;
constexpr auto kLimit = std::chrono::seconds(20);

// Polls `done` until it holds or the limit passes.
bool Eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

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
  void Start() {
    vys = std::make_unique<ChildProcess>(
        std::vector<std::string>{"sh", "-c", std::string("exec \"$0\" \"$1\" 2>&1"), VYS_PATH, song});
    window = FindWindow("^ Vy-S: ");
  }

  void ClickPlay() {
    // The Play button's centre: it lies at (264, 104) and is 41 pixels square.
    ASSERT_EQ(RunProgram({"xdotool", "mousemove", "--window", window, "284", "124", "click", "1"}), 0);
  }

  bool Key(const char* keys) {
    return RunProgram({"xdotool", "windowactivate", "--sync", window, "key", "--clearmodifiers", keys}) == 0;
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
  std::string song = dir.File("sweep.wav");
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
  size_t silentFrom = 0;
  ASSERT_TRUE(Eventually([&] {
    const Capture capture = Heard();
    const size_t end = capture.left.size();
    silentFrom = end > kHalfSecond ? end - kHalfSecond : 0;
    return end > kHalfSecond && Silent(capture, silentFrom, end);
  })) << "the capture does not go silent after the click on Play";
  EXPECT_GT(RunFromFirstFrame(Heard()), kHalfSecond) << "what was heard before the pause came in order";

  const std::string shot = std::string(VYS_TEST_OUTPUT_DIR) + "/vys-window.png";
  EXPECT_EQ(RunProgram({WINDOW_SHOT_PATH, window, shot}), 0);

  ASSERT_TRUE(Key("alt+F4"));
  EXPECT_EQ(vys->WaitForExit(), 0);
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
  EXPECT_EQ(vys->WaitForExit(), 0);
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
  EXPECT_EQ(vys->WaitForExit(), 0);
}

TEST_F(VysWindow, WithoutAnyOutputTellsSoAndEndsBeforeTheWindowShows) {
  ScopedAudioOutput none("none");
  vys = std::make_unique<ChildProcess>(
      std::vector<std::string>{"sh", "-c", std::string("exec \"$0\" \"$1\" 2>&1"), VYS_PATH, song});
  EXPECT_NE(vys->WaitForLine("Vy-System: Vy-System could not detect any soundcard on this system."), "");
  const std::string box = FindWindow("^Vy-System$");
  ASSERT_NE(box, "") << "no message box";
  EXPECT_EQ(Output({"xdotool", "search", "--name", "Vy System PRO|Vy-S:"}), "") << "the deck window appeared";
  ASSERT_EQ(RunProgram({"xdotool", "windowactivate", "--sync", box, "key", "Return"}), 0);
  EXPECT_EQ(vys->WaitForExit(), 1);
}
}  // namespace

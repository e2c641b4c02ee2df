// Key-to-sound latency of the whole program, as a DJ meets it: vys in a
// private X server with a window manager, on the 48 kHz capture device,
// driven by xdotool. Keypad Enter on a paused deck, keypad 0 (hold-to-play
// CUE) on a paused deck and a click on the Position slider of a playing deck,
// each timed from the moment xdotool has sent the press to the first captured
// frame that starts the sound or carries the new position. Median and worst
// of 20 each.
//   build/bench/key_latency    (after: cmake --build build --target key_latency)
//
// The capture writes frame n at its start plus n frames, one period ahead,
// so the file's length read at a known moment bounds that start from above;
// the tightest of many such readings (taken just after a write) fixes it to a
// fraction of a millisecond. xdotool is started anew for every press; its run
// time is shown beside the figures, which begin when it exits, the press
// being the last thing it sends (with no delay after a key).
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/HeardFrames.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "support/XvfbServer.h"

using namespace std::chrono;

namespace {
constexpr uint32_t kRate = 48000;
constexpr int kTrials = 20;
constexpr size_t kPeriodFrames = 256;  // the capture device's mixing period
constexpr size_t kHeaderBytes = 44, kFrameBytes = 8;

struct Press {
  steady_clock::time_point started, sent;  // xdotool started, and exited
};

Press Xdotool(std::vector<std::string> actions) {
  actions.insert(actions.begin(), "xdotool");
  Press press;
  press.started = steady_clock::now();
  RunProgram(actions);
  press.sent = steady_clock::now();
  return press;
}

off_t FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// The capture's frame 0 on the steady clock: the earliest moment consistent
// with every reading of the file's length over `span`.
steady_clock::time_point CaptureStart(const std::string& path, duration<double> span) {
  steady_clock::time_point start = steady_clock::time_point::max();
  for (auto end = steady_clock::now() + span; steady_clock::now() < end;) {
    const off_t size = FileSize(path);
    const auto now = steady_clock::now();
    const double frames = double(size > off_t(kHeaderBytes) ? size - off_t(kHeaderBytes) : 0) / kFrameBytes;
    if (frames > kPeriodFrames)
      start = std::min(start,
                       now - duration_cast<steady_clock::duration>(duration<double>((frames - kPeriodFrames) / kRate)));
    std::this_thread::sleep_for(microseconds(100));
  }
  return start;
}

void Report(const char* name, std::vector<double> ms, std::vector<double> xdotoolMs) {
  if (ms.empty()) {
    std::printf("%-16s no trial heard\n", name);
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::sort(xdotoolMs.begin(), xdotoolMs.end());
  std::printf("%-16s median %5.1f ms   worst %5.1f ms   best %5.1f ms   (%zu of %d heard; xdotool ran %.1f ms)\n", name,
              ms[ms.size() / 2], ms.back(), ms.front(), ms.size(), kTrials, xdotoolMs[xdotoolMs.size() / 2]);
}
}  // namespace

int main() {
  XvfbServer server;
  if (!server.Ok()) return std::puts("Xvfb did not start"), 1;
  ChildProcess windowManager({"openbox", "--startup", "echo window-manager-ready"});
  if (windowManager.WaitForLine("window-manager-ready").empty()) return std::puts("openbox did not start"), 1;
  TempDir dir;
  const std::string song = dir.File("numbered.wav"), capturePath = dir.File("capture.wav");
  WriteFileBytes(song, MakeWav({.rate = kRate, .data = NumberedFrames(60 * kRate)}));
  ScopedAudioOutput audio(ScopedAudioOutput::Capture(capturePath), kRate);
  ScopedEnvironment settings("XDG_CONFIG_HOME", dir.File("config"));  // not the user's own
  ChildProcess vys({VYS_PATH, song});
  const std::string window =
      ChildProcess({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^ Vy-S: "}).WaitForLine("");
  if (window.empty()) return std::puts("no deck window"), 1;
  RunProgram({"xdotool", "windowactivate", "--sync", window});
  Wait(0.5);
  const auto started = CaptureStart(capturePath, seconds(1));

  enum Kind { kPlay, kCue, kSeek };
  struct Trial {
    Kind kind;
    Press press;
  };
  std::vector<Trial> trials;
  Xdotool({"key", "KP_Enter"});  // the deck plays when it opens: pause it
  Wait(0.3);
  for (int i = 0; i < kTrials; ++i) {
    trials.push_back({kPlay, Xdotool({"keydown", "--delay", "0", "KP_Enter"})});
    Xdotool({"keyup", "KP_Enter"});
    Wait(0.15);
    Xdotool({"key", "KP_Enter"});
    Wait(0.2);
  }
  for (int i = 0; i < kTrials; ++i) {
    trials.push_back({kCue, Xdotool({"keydown", "--delay", "0", "KP_0"})});
    Wait(0.15);
    Xdotool({"keyup", "KP_0"});
    Wait(0.2);
  }
  Xdotool({"key", "KP_Enter"});
  Wait(0.3);
  for (int i = 0; i < kTrials; ++i) {
    // The Position slider spans (0, 153) to (326, 186): a click pages the
    // thumb toward the pointer, at either end in turn.
    Xdotool({"mousemove", "--window", window, i % 2 ? "300" : "30", "169"});
    Wait(0.1);
    trials.push_back({kSeek, Xdotool({"mousedown", "1"})});
    Xdotool({"mouseup", "1"});
    Wait(0.25);
  }
  vys.Stop();

  Capture capture;
  ReadCapture(capturePath, &capture);
  auto frameAt = [&](steady_clock::time_point t) {
    return std::min(size_t(std::max(0.0, duration<double>(t - started).count() * kRate)), capture.left.size());
  };
  std::vector<double> latency[3], xdotool[3];
  for (const Trial& trial : trials) {
    const Kind kind = trial.kind;
    size_t i = frameAt(trial.press.started);
    if (kind != kSeek) {
      i = FirstSound(capture, i);
    } else {
      while (i + 1 < capture.left.size() && Heard(capture, i + 1) == Heard(capture, i) + 1) ++i;
      ++i;
    }
    if (i >= capture.left.size()) continue;
    latency[kind].push_back((double(i) / kRate - duration<double>(trial.press.sent - started).count()) * 1000);
    xdotool[kind].push_back(duration<double, std::milli>(trial.press.sent - trial.press.started).count());
  }
  std::printf("key-to-sound latency of vys, 48 kHz capture device, from xdotool's press (target: median <= 15 ms)\n");
  Report("keypad Enter", latency[kPlay], xdotool[kPlay]);
  Report("keypad 0 (CUE)", latency[kCue], xdotool[kCue]);
  Report("Position click", latency[kSeek], xdotool[kSeek]);
  return 0;
}

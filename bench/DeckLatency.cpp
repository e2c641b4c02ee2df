// Command-to-sound latency of the whole deck on the 48 kHz capture device:
// from seek, cue-down (hold-to-play) and play to the first captured sample
// that carries the new position or starts the sound. Median and worst of 20.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "deck/VySystem.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using namespace std::chrono;

namespace {
constexpr uint32_t kRate = 48000;
constexpr int kTrials = 20;

void Report(const char* name, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-10s median %6.1f ms   worst %6.1f ms   (%zu trials)\n", name, ms[ms.size() / 2], ms.back(), ms.size());
}
}  // namespace

int main() {
  TempDir dir;
  const std::string song = dir.File("numbered.wav"), capturePath = dir.File("capture.wav");
  WriteFileBytes(song, MakeWav({.rate = kRate, .data = NumberedFrames(90 * kRate)}));
  ScopedAudioOutput audio(ScopedAudioOutput::Capture(capturePath), kRate);

  struct Event {
    const char* kind;
    steady_clock::time_point when;
    uint32_t expectedFrame;  // 0: the first sound after a silence
  };
  std::vector<Event> events;
  auto deck = std::make_unique<TVySystemTAG>();
  TVyPreferences prefs;
  prefs.Flags = pfFastOpen | pfPioneerCue;  // loaded paused
  deck->SetPreferences(prefs);
  const auto before = steady_clock::now();
  deck->OpenFiles(song, 0);
  const auto after = steady_clock::now();
  Wait(0.3);
  for (int i = 0; i < kTrials; ++i) {  // play from paused
    events.push_back({"play", steady_clock::now(), 0});
    deck->PlayPause();
    Wait(0.15);
    deck->PlayPause();
    Wait(0.15);
  }
  for (int i = 0; i < kTrials; ++i) {  // hold-to-play CUE from the cue point
    events.push_back({"cue-down", steady_clock::now(), 0});
    deck->CueDown();
    Wait(0.15);
    deck->CueUp();
    Wait(0.15);
  }
  deck->PlayPause();
  Wait(0.3);
  for (int i = 0; i < kTrials; ++i) {  // seek while playing
    const uint32_t target = 20000 + uint32_t(i) * 2000;
    events.push_back({"seek", steady_clock::now(), target * (kRate / 1000) + 1});
    deck->Seek(target);
    Wait(0.25);
  }
  deck.reset();
  Capture capture;
  ReadCapture(capturePath, &capture);

  // Frame n of the capture is heard at the device's start plus n frames; the
  // device started during the first open.
  const auto started = before + (after - before) / 2;
  auto frameAt = [&](steady_clock::time_point t) { return size_t(duration<double>(t - started).count() * kRate); };
  std::vector<double> play, cue, seek;
  for (const Event& e : events) {
    size_t i = std::min(frameAt(e.when) > 2 * kRate / 100 ? frameAt(e.when) - 2 * kRate / 100 : 0, capture.left.size());
    if (e.expectedFrame) {
      while (i < capture.left.size() && Heard(capture, i) != e.expectedFrame) ++i;
    } else {
      while (i < capture.left.size() && (capture.left[i] != 0 || capture.right[i] != 0)) ++i;  // still sounding
      i = FirstSound(capture, i);
    }
    if (i >= capture.left.size()) continue;
    const double ms = (double(i) / kRate - duration<double>(e.when - started).count()) * 1000;
    (std::strcmp(e.kind, "seek") == 0 ? seek : std::strcmp(e.kind, "play") == 0 ? play : cue).push_back(ms);
  }
  std::printf("command-to-sound latency, 48 kHz capture device (device start known to %.1f ms)\n",
              duration<double, std::milli>(after - before).count() / 2);
  Report("play", play);
  Report("cue-down", cue);
  Report("seek", seek);
  return 0;
}

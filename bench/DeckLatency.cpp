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

using namespace std::chrono;

namespace {
constexpr uint32_t kRate = 48000;
constexpr int kTrials = 20;

struct Capture {
  std::vector<float> left, right;
};

Capture Read(const std::string& path) {
  Capture c;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return c;
  std::fseek(f, 44, SEEK_SET);
  float frame[2];
  while (std::fread(frame, sizeof frame, 1, f) == 1) c.left.push_back(frame[0]), c.right.push_back(frame[1]);
  std::fclose(f);
  return c;
}

uint32_t Heard(const Capture& c, size_t i) {
  return uint32_t(std::lround(c.left[i] * 32768)) | uint32_t(std::lround(c.right[i] * 32768)) << 15;
}

void WriteNumberedWav(const std::string& path, uint32_t frames) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  auto put = [&](uint32_t v, int n) { std::fwrite(&v, 1, size_t(n), f); };
  std::fwrite("RIFF", 1, 4, f), put(36 + frames * 4, 4), std::fwrite("WAVEfmt ", 1, 8, f);
  put(16, 4), put(1, 2), put(2, 2), put(kRate, 4), put(kRate * 4, 4), put(4, 2), put(16, 2);
  std::fwrite("data", 1, 4, f), put(frames * 4, 4);
  for (uint32_t k = 0; k < frames; ++k) {
    uint32_t n = k + 1;
    int16_t side[2] = {int16_t(n & 0x7FFF), int16_t((n >> 15) & 0x7FFF)};
    std::fwrite(side, 2, 2, f);
  }
  std::fclose(f);
}

void Wait(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

void Report(const char* name, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-10s median %6.1f ms   worst %6.1f ms   (%zu trials)\n", name, ms[ms.size() / 2], ms.back(), ms.size());
}
}  // namespace

int main() {
  const std::string dir = "/tmp/vys-latency-" + std::to_string(getpid());
  std::system(("mkdir -p " + dir).c_str());
  const std::string song = dir + "/numbered.wav", capturePath = dir + "/capture.wav";
  WriteNumberedWav(song, 90 * kRate);
  setenv("VYS_AUDIO", ("wav:" + capturePath).c_str(), 1);
  setenv("VYS_AUDIO_RATE", "48000", 1);

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
  Wait(300);
  for (int i = 0; i < kTrials; ++i) {  // play from paused
    events.push_back({"play", steady_clock::now(), 0});
    deck->PlayPause();
    Wait(150);
    deck->PlayPause();
    Wait(150);
  }
  for (int i = 0; i < kTrials; ++i) {  // hold-to-play CUE from the cue point
    events.push_back({"cue-down", steady_clock::now(), 0});
    deck->CueDown();
    Wait(150);
    deck->CueUp();
    Wait(150);
  }
  deck->PlayPause();
  Wait(300);
  for (int i = 0; i < kTrials; ++i) {  // seek while playing
    const uint32_t target = 20000 + uint32_t(i) * 2000;
    events.push_back({"seek", steady_clock::now(), target * (kRate / 1000) + 1});
    deck->Seek(target);
    Wait(250);
  }
  deck.reset();
  const Capture capture = Read(capturePath);
  std::system(("rm -rf " + dir).c_str());

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
      while (i < capture.left.size() && capture.left[i] == 0 && capture.right[i] == 0) ++i;
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

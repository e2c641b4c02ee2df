// A storm of random deck commands against a playlist of good, corrupt and
// missing files while the player thread runs: no crash, no deadlock (a
// watchdog ends the run), and no command keeps the window waiting.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <thread>
#include <vector>

#include "deck/VySystem.h"
#include "support/AudioOutput.h"
#include "support/Mp3Fixtures.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using namespace std::chrono;

namespace {
constexpr unsigned kSeed = 20261207;
constexpr auto kWatchdogLimit = seconds(10);
// A window command may wait for one refill, which during an audible search
// includes the 50 ms loop pause.
constexpr double kLongestWaitMs = 100;

// Time the process's threads spent ready to run but not running: the
// machine's load, not the deck's doing, so it is left out of a command's
// wait (a command waits on the player too, which a load holds back).
double QueuedMs() {
  double ns = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream stat(task.path() / "schedstat");
    double running = 0, queued = 0;
    if (stat >> running >> queued) ns += queued;
  }
  return ns / 1e6;
}

double SoakSeconds() {
  const char* text = std::getenv("VYS_SOAK_SECONDS");
  return text ? std::atof(text) : 60.0;
}
}  // namespace

TEST(DeckSoak, RandomCommandsNeitherCrashNorHangNorKeepTheWindowWaiting) {
  TempDir dir;
  ScopedAudioOutput audio("null");
  const std::string good = dir.File("good.wav"), shortSong = dir.File("short.wav");
  WriteFileBytes(good, MakeWav({.data = PatternBytes(176400 * 4)}));
  WriteFileBytes(shortSong, MakeWav({.channels = 1, .rate = 22050, .bits = 8, .data = PatternBytes(22050 / 2)}));
  WriteFileBytes(dir.File("corrupt.wav"), "RIFF\x10\0\0\0WAVEfmt \xff\xff\xff\xff garbage");
  WriteFileBytes(dir.File("corrupt.mp3"), PatternBytes(50000, 9));
  const std::string playlist = good + "\n" + Mp3Fixture("cbr128.mp3") + "\n" + dir.File("corrupt.wav") + "\n" +
                               shortSong + "\n" + dir.File("missing.mp3") + "\n" + dir.File("corrupt.mp3") + "\n" +
                               Mp3Fixture("vbr_xing.mp3");
  std::cout << "soak seed " << kSeed << std::endl;
  RecordProperty("seed", std::to_string(kSeed));

  auto deck = std::make_unique<TVySystemTAG>();
  std::mt19937 random(kSeed);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

  std::atomic<uint64_t> heartbeat{0};
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    uint64_t seen = 0;
    auto lastProgress = steady_clock::now();
    while (!finished) {
      std::this_thread::sleep_for(milliseconds(100));
      if (heartbeat != seen) {
        seen = heartbeat;
        lastProgress = steady_clock::now();
      } else if (steady_clock::now() - lastProgress > kWatchdogLimit) {
        std::fprintf(stderr, "watchdog: no command finished for %lld s, seed %u\n",
                     (long long)duration_cast<seconds>(kWatchdogLimit).count(), kSeed);
        std::abort();
      }
    }
  });

  struct TCommand {
    const char* name;
    bool mayLoadAndPlay;
    std::function<void()> run;
  };
  const std::vector<TCommand> commands = {
      {"open", true, [&] { deck->OpenFiles(playlist, unsigned(pick(0, 1))); }},
      {"play", false, [&] { deck->PlayPause(); }},
      {"cue-down", false, [&] { deck->CueDown(); }},
      {"cue-up", false, [&] { deck->CueUp(); }},
      {"play-cue-key", false, [&] { deck->PlayCueKey(); }},
      {"ff-down", false, [&] { deck->ForwardDown(pick(0, 7)); }},
      {"ff-up", false, [&] { deck->ForwardUp(); }},
      {"rw-down", false, [&] { deck->RewindDown(pick(0, 7)); }},
      {"rw-up", false, [&] { deck->RewindUp(); }},
      {"next", true, [&] { deck->NextTrack(unsigned(pick(0, 1)) * kTrackCtrl); }},
      {"prev", true, [&] { deck->PrevTrack(unsigned(pick(0, 1)) * kTrackCtrl); }},
      {"seek", false, [&] { deck->Seek(unsigned(pick(0, 8000))); }},
      {"pitch-fader", false, [&] { deck->SetPitchFader(pick(-2000, 2000)); }},
      {"nudge", false, [&] { deck->NudgePitch(pick(-300, 300)); }},
      {"pitch-toggle", false, [&] { deck->TogglePitch(); }},
      {"bend-fast", false, [&] { pick(0, 1) ? deck->BendFastDown(pick(0, 7)) : deck->BendFastUp(); }},
      {"bend-slow", false, [&] { pick(0, 1) ? deck->BendSlowDown(pick(0, 7)) : deck->BendSlowUp(); }},
      {"volume", false, [&] { deck->SetVolume(pick(0, 100)); }},
      {"balance", false, [&] { deck->SetBalance(pick(-100, 100), false); }},
      {"downmix", false, [&] { deck->SetBalance(100 * pick(-1, 1), true); }},
      {"mute", false, [&] { pick(0, 1) ? deck->MuteDown() : deck->MuteUp(); }},
      {"time-mode", false, [&] { deck->ToggleTimeMode(); }},
      {"prefs", false,
       [&] {
         TVyPreferences p;
         deck->GetPreferences(p);
         p.Flags = uint32_t(pick(0, 255)), p.EndOfTrack = uint8_t(pick(0, 2)), p.PitchRange = uint8_t(pick(0, 3));
         deck->SetPreferences(p);
         deck->UpdateFaderInfo();
       }},
      {"tick", false,
       [&] {
         deck->CheckEndOfTrack();
         TVyPlayInfo play;
         deck->GetPlayInfo(play);
         TVyPitchInfo pitch;
         deck->GetPitchInfo(pitch);
       }},
  };

  double longestMs = 0;
  const char* longestName = "";
  uint64_t count = 0;
  const auto end = steady_clock::now() + duration<double>(SoakSeconds());
  deck->OpenFiles(playlist, 0);
  while (steady_clock::now() < end) {
    const TCommand& command = commands[size_t(pick(0, int(commands.size()) - 1))];
    const bool willPlay = command.mayLoadAndPlay && (deck->Preferences.Flags & (pfPlayWhenOpen | pfPlayWhenTrack));
    const double queuedBefore = QueuedMs();
    const auto start = steady_clock::now();
    command.run();
    const double ms = duration<double, std::milli>(steady_clock::now() - start).count() - (QueuedMs() - queuedBefore);
    if (!willPlay && ms > longestMs) longestMs = ms, longestName = command.name;
    ++heartbeat;
    ++count;
    std::this_thread::sleep_for(milliseconds(pick(0, 25)));
  }
  deck.reset();
  finished = true;
  watchdog.join();
  RecordProperty("commands", std::to_string(count));
  RecordProperty("longest_wait_ms", std::to_string(longestMs));
  std::cout << count << " commands; longest wait " << longestMs << " ms (" << longestName << ")" << std::endl;
  EXPECT_LE(longestMs, kLongestWaitMs) << longestName;
}

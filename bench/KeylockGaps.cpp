// Two decks with keylock on, each playing to a card of its own on a JACK
// server with 256-frame periods, while a third process analyses a track as
// fast as it can: the cards' recordings must hold no gap.
//   build/bench/keylock_gaps [SECONDS=600] [KEYLOCK=1]
// Run with VYS_TEST_JACK_SERVER set to a name of its own on a shared machine.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/Environment.h"
#include "support/HeardFrames.h"
#include "support/JackServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kFileRate = 44100, kServerRate = 48000;
// A gap: this long of digital silence inside the tone (a missed period is 256).
constexpr size_t kGapFrames = 32;

struct Gaps {
  size_t count = 0, longest = 0;
};

// Between the first sound and the last: the deck ends with silence.
Gaps FindGaps(const Capture& capture) {
  Gaps gaps;
  size_t run = 0, last = capture.left.size();
  while (last > 0 && capture.left[last - 1] == 0 && capture.right[last - 1] == 0) --last;
  for (size_t k = FirstSound(capture); k < last; ++k) {
    run = capture.left[k] == 0 && capture.right[k] == 0 ? run + 1 : 0;
    if (run == kGapFrames) ++gaps.count;
    gaps.longest = std::max(gaps.longest, run);
  }
  return gaps;
}
}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 600;
  const bool keylock = argc > 2 ? std::atoi(argv[2]) != 0 : true;
  TempDir dir;
  const std::string song = dir.File("tone.wav");
  const size_t frames = size_t((seconds + 60) * kFileRate);
  WriteFileBytes(song, MakeWav({.rate = kFileRate, .data = PcmBytes(DitheredSine(1000, kFileRate, frames, 0.5, 2))}));
  ScopedEnvironment systemOutput{"VYS_AUDIO", ""};
  JackServer server{kServerRate};
  if (!HaveJack() || !server.Start()) return std::puts("JACK did not come up"), 1;

  std::vector<std::unique_ptr<JackRecorder>> cards;
  std::vector<std::unique_ptr<ChildProcess>> decks;
  for (const char* name : {"vys-gaps-a", "vys-gaps-b"}) {
    cards.push_back(std::make_unique<JackRecorder>(name, seconds + 30));
    int index = -1;
    WaitUntil([&] { return (index = FindOutputDevice(cards.back()->Device())) > 0; });
    const std::string commands = "device " + std::to_string(index) + "\nkeylock " + (keylock ? "1" : "0") +
                                 "\nnudge 800\nopen " + song + "\nwait " + std::to_string(long(seconds * 1000)) +
                                 "\nquit\n";
    decks.push_back(std::make_unique<ChildProcess>(std::vector<std::string>{
        "sh", "-c", "printf '%s' \"$1\" | \"$2\" >/dev/null", "sh", commands, VYS_DECK_PATH}));
  }
  // Loudness with true peaks, over and over, as fast as one core goes, until stopped.
  ChildProcess analysis({"ffmpeg", "-v", "quiet", "-stream_loop", "-1", "-i", song, "-t", "1000000", "-af",
                         "ebur128=peak=true", "-f", "null", "-"});
  for (auto& deck : decks) deck->WaitForExit(std::chrono::milliseconds(long(seconds * 1000) + 60000));
  const bool analysed = analysis.WaitForExit(std::chrono::milliseconds(0), false) == ChildProcess::kStillRunning;
  std::printf("the analysis ran %s\n", analysed ? "throughout" : "NOT throughout: no load");
  analysis.Stop();
  for (auto& card : cards) {
    const Capture heard = card->Recorded();
    const Gaps gaps = FindGaps(heard);
    const double heardSeconds = double(heard.left.size() - std::min(heard.left.size(), FirstSound(heard))) / kServerRate;
    // (up to the end of the recording, the deck's closing silence included)
    std::printf("%s, keylock %s: %.1f s heard, %zu gaps of %zu+ silent frames, longest silence %zu frames\n",
                card->Device().c_str(), keylock ? "on" : "off", heardSeconds, gaps.count, kGapFrames, gaps.longest);
  }
}

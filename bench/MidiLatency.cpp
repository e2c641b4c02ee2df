// MIDI-to-sound latency of the console deck on a JACK dummy server: a Note
// On bound to play, sent by a client of the bench's own, to the first frame
// of sound at a stand-in sound card, both on the server's frame clock. The
// peer, measured in the same run the same way: the console's "play" command
// written to its standard input. Median and worst of 20 each, and their ratio.
//   build/bench/midi_latency    (after: cmake --build build --target midi_latency)
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/kernel/KernelFile.h"
#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/Environment.h"
#include "support/HeardFrames.h"
#include "support/JackServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kRate = 48000;
constexpr int kTrials = 20;
constexpr double kRecordSeconds = 60;

double Median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return ms.empty() ? 0 : ms[ms.size() / 2];
}

void Report(const char* name, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return (void)std::printf("%-16s no trial heard\n", name);
  std::printf("%-16s median %6.2f ms   worst %6.2f ms   (%zu trials)\n", name, Median(ms), ms.back(), ms.size());
}

// From the server frame `sent` to the first sound after it, in ms; -1 unheard.
double HeardAfter(const JackRecorder& card, uint32_t sent) {
  const Capture take = card.Recorded();
  const size_t from = size_t(uint32_t(sent - card.StartFrame()));
  const size_t heard = FirstSound(take, from);
  return heard >= take.left.size() ? -1 : double(heard - from) * 1000 / kRate;
}
}  // namespace

int main() {
  TempDir dir;
  ScopedEnvironment config("XDG_CONFIG_HOME", dir.Path());
  JackServer server(kRate);
  if (!HaveJack() || !server.Start()) return std::puts("no JACK server"), 1;
  JackRecorder card("vys-bench-card", kRecordSeconds);
  JackMidiSender controller("vys-bench-controller");
  const int device = FindOutputDevice(card.Device());
  if (!card.Running() || !controller.Running() || device < 0) return std::puts("no JACK clients"), 1;

  const std::string song = dir.File("tone.wav");
  WriteFileBytes(song, MakeWav({.rate = kRate, .data = PcmBytes(DitheredSine(1000, kRate, 50 * kRate, 0.5, 2))}));
  ReplaceFileWhole(dir.File("vy-system/midi.map"), "play note 1 11\n");
  ChildProcess deck({VYS_DECK_PATH}, ChildProcess::kInputPipe);
  for (const std::string& command : {"device " + std::to_string(device), std::string("prefs 128 0 1"),
                                     "open " + song, "midi-connect " + controller.Port()})
    if (deck.Ask(command) != "ok") return std::printf("%s: refused\n", command.c_str()), 1;
  WaitUntil([&] { return controller.Connected(); });

  // Each trial plays from paused and pauses again once the sound is heard.
  auto trial = [&](const std::function<uint32_t()>& play, std::vector<double>& ms) {
    const uint32_t sent = play();
    double heard = -1;
    WaitUntil([&] { return (heard = HeardAfter(card, sent)) >= 0; }, 2);
    if (heard >= 0) ms.push_back(heard);
    deck.Ask("play");
    Wait(0.1);
  };
  std::vector<double> midi, console;
  for (int i = 0; i < kTrials; ++i) {
    trial(
        [&] {
          const uint32_t before = controller.SentAtFrame();
          controller.Send({0x90, 11, 100});
          controller.Send({0x80, 11, 0});
          WaitUntil([&] { return controller.SentAtFrame() != before; });
          return controller.SentAtFrame();
        },
        midi);
    trial(
        [&] {
          const uint32_t now = controller.FrameNow();
          deck.WriteLine("play");
          return now;
        },
        console);
  }
  deck.Ask("quit");
  std::printf("play-to-sound latency, vys-deck on a JACK dummy server (48 kHz, 256-frame periods)\n");
  Report("MIDI note on", midi);
  Report("console play", console);
  if (!console.empty()) std::printf("MIDI / console median: %.2f\n", Median(midi) / Median(console));
  return 0;
}

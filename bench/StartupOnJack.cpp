// startup_on_jack ROUNDS SONG VYS WINDOW_STARTUP BARE_WINDOW: the deck's
// start on a running JACK server (the one JACK_DEFAULT_SERVER names), beside
// its floors, all measured in the same run, rounds interleaved:
//   - exec to window mapped, with any caption (X server events, by
//     WINDOW_STARTUP): `vys -sc N SONG` on JACK, the same on the null
//     output, and BARE_WINDOW, an empty Qt window;
//   - exec to the first non-silent frame on JACK: this program's client
//     "bench-card" is a sound card (physical playback ports) that records;
//     the frame times of the exec and of the first frame it is given are
//     compared. Floor: a bare JACK client (this program, --bare-client) that
//     opens, connects and plays a constant.
// A first run, not counted, lets the deck list and remember the devices, as
// a deck that has run before on the machine has.
#include <jack/jack.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/output/OzoDS.h"

namespace {
constexpr char kCardName[] = "bench-card";
// Quieter than any sample of music, louder than the dither of silence.
constexpr float kHeardLevel = 1e-4f;
// A deck lists its devices 1.5 s after its start; this leaves it time to remember them.
constexpr unsigned kRememberSeconds = 3;
// How long a run may take to be heard before it counts as silent.
constexpr int kHeardLimitMs = 5000;

struct TCard {
  jack_client_t* client = nullptr;
  jack_port_t* ports[2] = {};
  std::atomic<bool> armed{false};
  std::atomic<jack_nframes_t> firstHeard{0};
  std::atomic<bool> heard{false};
};

int Record(jack_nframes_t frames, void* data) {
  auto& card = *static_cast<TCard*>(data);
  if (!card.armed.load() || card.heard.load()) return 0;
  for (jack_port_t* port : card.ports) {
    const auto* in = static_cast<const float*>(jack_port_get_buffer(port, frames));
    for (jack_nframes_t k = 0; k < frames; ++k)
      if (std::fabs(in[k]) > kHeardLevel) {
        card.firstHeard = jack_last_frame_time(card.client) + k;
        card.heard = true;
        return 0;
      }
  }
  return 0;
}

bool OpenCard(TCard& card) {
  card.client = jack_client_open(kCardName, JackNoStartServer, nullptr);
  if (!card.client) return false;
  for (int i = 0; i < 2; ++i) {
    const std::string name = "playback_" + std::to_string(i + 1);
    card.ports[i] = jack_port_register(card.client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                       JackPortIsInput | JackPortIsPhysical | JackPortIsTerminal, 0);
  }
  jack_set_process_callback(card.client, Record, &card);
  return jack_activate(card.client) == 0;
}

int CardIndex() {
  TStringList list;
  EnumerateDevices(list);
  int found = -1;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Strings(i) == std::string(kCardName) + " (JACK Audio Connection Kit)") found = i;
  FreeDeviceList(list);
  return found;
}

// The bare client: opens, plays a constant into the card, until it is ended.
int BareClient() {
  jack_client_t* client = jack_client_open("bench-bare", JackNoStartServer, nullptr);
  if (!client) return 1;
  jack_port_t* out = jack_port_register(client, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(
      client,
      [](jack_nframes_t frames, void* port) {
        auto* buffer = static_cast<float*>(jack_port_get_buffer(static_cast<jack_port_t*>(port), frames));
        std::fill(buffer, buffer + frames, 0.5f);
        return 0;
      },
      out);
  if (jack_activate(client) != 0) return 1;
  jack_connect(client, jack_port_name(out), (std::string(kCardName) + ":playback_1").c_str());
  pause();
  return 0;
}

pid_t Start(const std::vector<std::string>& command, int* output, const char* audio) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    if (audio) {
      // A store of its own: a deck remembers the devices it listed, and the
      // null output's list would stand in the JACK runs' way.
      setenv("XDG_CONFIG_HOME", (std::string(getenv("XDG_CONFIG_HOME") ?: "/tmp") + "/" + audio).c_str(), 1);
      setenv("VYS_AUDIO", audio, 1);
    }
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  *output = fds[0];
  return child;
}

// window_startup's answer: the window's own pid and its start-up in ms.
double MappedMs(int output, pid_t* window) {
  char line[128] = {};
  FILE* stream = fdopen(output, "r");
  double ms = -1;
  int pid = -1;
  if (!stream || !std::fgets(line, sizeof line, stream) || std::sscanf(line, "%d %lf", &pid, &ms) != 2) ms = -1;
  *window = pid;
  if (stream) std::fclose(stream);
  return ms;
}

// Ends the deck (window_startup then ends with it), or the launcher itself.
void End(pid_t launcher, pid_t window) {
  kill(window > 0 ? window : launcher, SIGTERM);
  waitpid(launcher, nullptr, 0);
}

double HeardMs(TCard& card, jack_nframes_t started) {
  for (int waited = 0; !card.heard.load() && waited < kHeardLimitMs; ++waited) usleep(1000);
  if (!card.heard.load()) return -1;
  return 1000.0 * double(card.firstHeard.load() - started) / jack_get_sample_rate(card.client);
}

struct TRun {
  double mappedMs = -1, heardMs = -1;
};

// One command under the start-up clock; heard too when `listen`.
TRun Measure(TCard& card, const std::vector<std::string>& command, const char* audio, bool listen, bool mapped) {
  card.heard = false;
  const jack_nframes_t started = jack_frame_time(card.client);
  card.armed = listen;
  int output = -1;
  const pid_t launcher = Start(command, &output, audio);
  TRun run;
  pid_t window = launcher;
  if (mapped) run.mappedMs = MappedMs(output, &window);
  if (listen) run.heardMs = HeardMs(card, started);
  card.armed = false;
  if (!mapped) close(output);
  End(launcher, window);
  return run;
}

double Median(std::vector<double> values) {
  values.erase(std::remove(values.begin(), values.end(), -1.0), values.end());
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--bare-client") == 0) return BareClient();
  if (argc != 6) {
    std::fprintf(stderr, "usage: startup_on_jack ROUNDS SONG VYS WINDOW_STARTUP BARE_WINDOW\n");
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const std::string song = argv[2], vys = argv[3], startup = argv[4], bare = argv[5];
  static TCard card;
  if (!OpenCard(card)) {
    std::fprintf(stderr, "startup_on_jack: no JACK server\n");
    return 1;
  }
  const int index = CardIndex();
  if (index < 0) return 1;
  const std::vector<std::string> deck = {vys, "-sc", std::to_string(index), song};
  // Any of its captions: the window maps before its song is open.
  std::vector<std::string> deckMapped = {startup, " "};
  deckMapped.insert(deckMapped.end(), deck.begin(), deck.end());
  int firstOutput = -1;
  const pid_t first = Start(deck, &firstOutput, nullptr);
  sleep(kRememberSeconds);
  close(firstOutput);
  End(first, first);

  std::vector<double> jackMapped, jackHeard, nullMapped, bareMapped, bareHeard;
  for (int i = 0; i < rounds; ++i) {
    const TRun onJack = Measure(card, deckMapped, nullptr, true, true);
    jackMapped.push_back(onJack.mappedMs);
    jackHeard.push_back(onJack.heardMs);
    nullMapped.push_back(Measure(card, deckMapped, "null", false, true).mappedMs);
    bareMapped.push_back(Measure(card, {startup, "bare", bare, "bare"}, nullptr, false, true).mappedMs);
    bareHeard.push_back(Measure(card, {argv[0], "--bare-client"}, nullptr, true, false).heardMs);
    std::fprintf(stderr, "round %d: vys on JACK mapped %.1f heard %.1f | null mapped %.1f | bare window %.1f | "
                 "bare client heard %.1f ms\n", i + 1, jackMapped.back(), jackHeard.back(), nullMapped.back(),
                 bareMapped.back(), bareHeard.back());
  }
  const double jm = Median(jackMapped), nm = Median(nullMapped), bm = Median(bareMapped);
  const double jh = Median(jackHeard), bh = Median(bareHeard);
  std::printf("medians of %d rounds\n", rounds);
  std::printf("exec to window mapped: vys on JACK %.1f ms, on the null output %.1f ms: ratio %.2f (target <= 1.50); "
              "bare Qt window %.1f ms: ratio %.2f\n", jm, nm, jm / nm, bm, jm / bm);
  std::printf("exec to first sound on JACK: vys %.1f ms (target <= 100), bare JACK client %.1f ms: ratio %.2f\n", jh,
              bh, jh / bh);
  jack_client_close(card.client);
  return 0;
}

// Beat-locked decks measured by ear: console decks on a JACK dummy server
// (48 kHz, 256-frame periods), each playing a kick track to a stand-in card
// of its own, so that every deck's onsets are found apart and on the one
// frame clock of the server.
//   link_sync decks [SECONDS=60]  two synced decks (128 and 124 BPM): their
//                                 onsets' agreement and offset from the
//                                 session's beats; then a third peer changes
//                                 the tempo: how soon both follow and lock
//   link_sync cpu [SECONDS=20]    a synced deck against the same unsynced
//   link_sync heard SECONDS BPM OUT  one synced deck: its heard beats,
//                                 stamped with the Link clock, written to OUT
//   link_sync compare A B         two such lists: their agreement
// Link multicasts on every interface: run it through bench/link_sync.sh,
// which keeps it in a network of its own.
#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/AudioOutput.h"
#include "support/BeatOnsets.h"
#include "support/DeckOnCard.h"
#include "support/Environment.h"
#include "support/JackServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kFileRate = 44100, kServerRate = 48000;
// Analysis done, the quantized start made and the phase pulled in.
constexpr double kSettleSeconds = 8;
constexpr double kPairWithinMs = 100;     // under a quarter beat: the same beat, or none
constexpr double kTrackSlackSeconds = 60;  // the tracks outlast every run, slowed down too
constexpr double kNewTempo = 132;         // +6.5 % for the 124 track: within the +-8 % range
constexpr double kFollowTolerance = 0.005;  // a beat within 0.5 % of the new tempo's
constexpr double kLockedMs = 1;
constexpr int kCpuRounds = 4;  // each deck synced twice: the decks' own difference cancels

struct Track {
  double bpm, firstBeatMs;
  std::string path;
};

Track MakeTrack(const TempDir& dir, double bpm, double firstBeatMs, double seconds) {
  const std::string path = dir.File("kick" + std::to_string(int(bpm)) + "-" + std::to_string(int(firstBeatMs)) + ".wav");
  WriteFileBytes(path, MakeWav({.rate = kFileRate, .data = PcmBytes(KickTrack(bpm, firstBeatMs, seconds, kFileRate))}));
  return {bpm, firstBeatMs, path};
}

double JsonNumber(const std::string& json, const std::string& key) {
  const size_t at = json.find("\"" + key + "\":");
  return at == std::string::npos ? NAN : std::strtod(json.c_str() + at + key.size() + 3, nullptr);
}

// A console deck on a card of its own that says what it refuses.
struct Deck : DeckOnCard {
  Deck(const std::string& name, double recordSeconds) : DeckOnCard(VYS_DECK_PATH, name, recordSeconds) {}

  bool Load(const Track& track) {
    if (!Said(DeckOnCard::Load(track.path))) return false;
    const std::string status = Ask("status");
    std::printf("  %s: %.0f BPM, first beat %.0f ms; analysed %.2f BPM, first beat %.1f ms\n", Card().Device().c_str(),
                track.bpm, track.firstBeatMs, JsonNumber(status, "bpm"), JsonNumber(status, "firstBeatMs"));
    return true;
  }
  bool Do(const std::string& command) { return Said(DeckOnCard::Do({command})); }
  bool Said(const std::string& refusal) const {
    if (!refusal.empty()) std::printf("  %s refused %s\n", Card().Device().c_str(), refusal.c_str());
    return refusal.empty();
  }
};

// Server frames against the Link clock, sampled as they are played: a
// mapping made long after would extrapolate the server's rate estimate.
class FrameClock {
 public:
  void Sample(const Deck& deck) {
    const double frame = deck.FrameNow();
    samples_.push_back({frame, double(deck.Card().LinkMicrosAtFrame(uint32_t(frame)))});
  }
  // How far the server's frames strayed from a steady pace against the Link
  // clock, in ms: a stalled server is heard late by all its decks at once.
  double StrayMs() const {
    if (samples_.size() < 2) return 0;
    const auto& [f0, m0] = samples_.front();
    const auto& [f1, m1] = samples_.back();
    double stray = 0;
    for (const auto& [f, m] : samples_) stray = std::max(stray, std::abs(m - m0 - (f - f0) * (m1 - m0) / (f1 - f0)));
    return stray / 1000;
  }
  double MicrosAt(double frame) const {
    auto after = std::lower_bound(samples_.begin(), samples_.end(), frame, [](auto& s, double f) { return s.first < f; });
    if (after == samples_.end()) --after;
    return after->second + (frame - after->first) * 1e6 / kServerRate;
  }

 private:
  std::vector<std::pair<double, double>> samples_;
};

// Lets the decks play for `seconds` of the server's frames, sampling the clock.
void Listen(const Deck& deck, double seconds, FrameClock* clock) {
  const double until = deck.FrameNow() + seconds * kServerRate;
  while (deck.FrameNow() < until) {
    Wait(0.2);
    if (clock) clock->Sample(deck);
  }
}

// Cycles the server ran without a card tell of a loaded machine: the decks
// may well have missed them too, and each costs a deck a period of phase.
void PrintJumps(const Deck& deck) {
  std::printf("  %s: the server ran cycles without it %zu times\n", deck.Card().Device().c_str(), deck.Card().Jumps());
}

void Print(const char* what, const OnsetAgreement& agreement) {
  std::printf("%s: %zu beats, median %.3f ms, p99 %.3f ms, max %.3f ms (b later by %.3f ms)\n", what, agreement.pairs,
              agreement.medianMs, agreement.p99Ms, agreement.maxMs, agreement.offsetMs);
}

// Where the decks' beats were more than kLockedMs apart: a start, or a stumble.
void PrintApart(const std::vector<double>& a, const std::vector<double>& b, double from) {
  std::string when;
  for (double onset : a)
    if (CompareOnsets({onset}, b, kPairWithinMs, kServerRate).maxMs > kLockedMs)
      when += " " + std::to_string(int((onset - from) / kServerRate));
  std::printf("  more than %.0f ms apart at (s into the run):%s\n", kLockedMs, when.empty() ? " never" : when.c_str());
}

// How far each onset lies from the session's nearest beat, in ms (late > 0).
std::vector<double> OffsetsFromSession(const std::vector<double>& onsets, const FrameClock& clock, const std::string& line) {
  const double micros = JsonNumber(line, "micros"), beat = JsonNumber(line, "beat"), tempo = JsonNumber(line, "tempo");
  std::vector<double> offsets;
  for (double onset : onsets) {
    const double at = beat + (clock.MicrosAt(onset) - micros) * tempo / 60e6;
    offsets.push_back((at - std::round(at)) * 60e3 / tempo);
  }
  return offsets;
}

void PrintSessionOffsets(const char* deck, std::vector<double> offsets) {
  std::vector<double> distances;
  for (double ms : offsets) distances.push_back(std::abs(ms));
  std::printf("  %s from the session's beats: median %+.3f ms, p99 of the distance %.3f ms\n", deck,
              Quantile(offsets, 0.5), Quantile(distances, 0.99));
}

// From `from` (server frames), when a deck's beats have the new tempo: the
// first onset from which every beat lasts within tolerance of the new one.
double FollowedAt(const std::vector<double>& onsets, double from) {
  const double beat = 60.0 / kNewTempo * kServerRate;
  double followed = NAN;
  for (size_t k = 1; k < onsets.size(); ++k) {
    if (std::abs(onsets[k] - onsets[k - 1] - beat) > beat * kFollowTolerance) followed = NAN;
    else if (std::isnan(followed)) followed = onsets[k - 1];
  }
  return (followed - from) * 1000 / kServerRate;
}

// From `from`, when the decks' beats are within kLockedMs of each other for good.
double LockedAt(const std::vector<double>& a, const std::vector<double>& b, double from) {
  double locked = from;
  for (double onset : a) {
    const OnsetAgreement one = CompareOnsets({onset}, b, kPairWithinMs, kServerRate);
    if (one.pairs == 0 || one.maxMs > kLockedMs) locked = onset;
  }
  return (locked - from) * 1000 / kServerRate;
}

int TwoDecks(double seconds) {
  TempDir dir;
  ScopedEnvironment config("XDG_CONFIG_HOME", dir.Path()), cache("XDG_CACHE_HOME", dir.Path());
  JackServer server(kServerRate);
  if (!HaveJack() || !server.Start()) return std::puts("no JACK server"), 1;
  const double recordSeconds = seconds + 3 * kSettleSeconds + 30;
  const Track tracks[] = {MakeTrack(dir, 128, 250, recordSeconds + kTrackSlackSeconds),
                          MakeTrack(dir, 124, 400, recordSeconds + kTrackSlackSeconds)};
  std::printf("two synced decks on one JACK server, %.0f s\n", seconds);
  Deck a("vys-sync-a", recordSeconds), b("vys-sync-b", recordSeconds);
  if (!a.Load(tracks[0]) || !b.Load(tracks[1])) return 1;
  // The third peer is in the session from the start and sets its tempo.
  ChildProcess peer({LINK_PEER_PATH, std::to_string(tracks[0].bpm)}, ChildProcess::kInputPipe);
  for (Deck* deck : {&a, &b})
    if (!deck->Do("link 1")) return 1;
  if (peer.Ask("wait-peers 2") != "ok") return std::puts("the third peer did not see both decks"), 1;
  if (peer.Ask("tempo " + std::to_string(tracks[0].bpm)) != "ok") return 1;
  for (Deck* deck : {&a, &b})
    if (!deck->Do("sync 1") || !deck->Do("play")) return 1;
  FrameClock clock;
  Listen(a, kSettleSeconds, &clock);
  const std::string line = peer.Ask("timeline");
  const double from = a.FrameNow();
  Listen(a, seconds, &clock);
  const double to = a.FrameNow();
  const std::vector<double> onsetsA = a.Onsets(from, to), onsetsB = b.Onsets(from, to);
  Print("onsets of a and b", CompareOnsets(onsetsA, onsetsB, kPairWithinMs, kServerRate));
  PrintApart(onsetsA, onsetsB, from);
  std::printf("  session: %s\n", line.c_str());
  PrintJumps(a), PrintJumps(b);
  std::printf("  the server's frames strayed from a steady pace by up to %.3f ms\n", clock.StrayMs());
  PrintSessionOffsets("a", OffsetsFromSession(onsetsA, clock, line));
  PrintSessionOffsets("b", OffsetsFromSession(onsetsB, clock, line));

  const double changed = a.FrameNow();
  if (peer.Ask("tempo " + std::to_string(kNewTempo)) != "ok") return std::puts("the third peer's tempo was refused"), 1;
  Listen(a, 3 * kSettleSeconds, &clock);
  const double end = a.FrameNow();
  const std::vector<double> afterA = a.Onsets(changed, end), afterB = b.Onsets(changed, end);
  std::printf("the third peer sets %.0f BPM (a bar: %.0f ms):\n", kNewTempo, 4 * 60e3 / kNewTempo);
  std::printf("  a follows after %.0f ms, b after %.0f ms\n", FollowedAt(afterA, changed), FollowedAt(afterB, changed));
  std::printf("  within %.0f ms of each other for good after %.0f ms\n", kLockedMs, LockedAt(afterA, afterB, changed));
  const double lockedFrom = changed + (LockedAt(afterA, afterB, changed) / 1000 + 1) * kServerRate;
  Print("  from then on", CompareOnsets(a.Onsets(lockedFrom, end), b.Onsets(lockedFrom, end), kPairWithinMs, kServerRate));
  const std::string changedLine = peer.Ask("timeline");
  const double lastBars = end - kSettleSeconds * kServerRate;
  std::printf("  over the last %.0f s:\n", kSettleSeconds);
  PrintSessionOffsets("a", OffsetsFromSession(a.Onsets(lastBars, end), clock, changedLine));
  PrintSessionOffsets("b", OffsetsFromSession(b.Onsets(lastBars, end), clock, changedLine));
  for (Deck* deck : {&a, &b}) deck->Do("quit");
  peer.Ask("quit");
  return 0;
}

// Run time of every thread of `pid` so far, in seconds.
double RunSeconds(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  double seconds = 0;
  DIR* dir = opendir(tasks.c_str());
  while (dirent* entry = dir ? readdir(dir) : nullptr) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
    double ns = 0;
    if (stat >> ns) seconds += ns / 1e9;
  }
  if (dir) closedir(dir);
  return seconds;
}

int SyncCpu(double seconds) {
  TempDir dir;
  ScopedEnvironment config("XDG_CONFIG_HOME", dir.Path()), cache("XDG_CACHE_HOME", dir.Path());
  JackServer server(kServerRate);
  if (!HaveJack() || !server.Start()) return std::puts("no JACK server"), 1;
  const double recordSeconds = kCpuRounds * (seconds + kSettleSeconds) + 10;
  const Track track = MakeTrack(dir, 128, 250, recordSeconds + kTrackSlackSeconds);
  Deck x("vys-cpu-x", recordSeconds), y("vys-cpu-y", recordSeconds);
  // Both in the session throughout, so that only following it is measured:
  // Link's own threads run for any deck with Link on.
  if (!x.Load(track) || !y.Load(track) || !x.Do("link 1") || !y.Do("link 1") || !x.Do("play") || !y.Do("play"))
    return 1;
  std::printf("CPU of sync: two decks with Link on play the same track, one synced, then the other (%% of a core, %.0f s each)\n",
              seconds);
  double extra = 0;
  for (auto [synced, unsynced] : {std::pair{&x, &y}, std::pair{&y, &x}, std::pair{&x, &y}, std::pair{&y, &x}}) {
    unsynced->Do("sync 0"), synced->Do("sync 1");
    Listen(x, kSettleSeconds, nullptr);
    const double syncedBefore = RunSeconds(synced->Pid()), unsyncedBefore = RunSeconds(unsynced->Pid());
    Listen(x, seconds, nullptr);
    const double syncedCpu = (RunSeconds(synced->Pid()) - syncedBefore) / seconds * 100;
    const double unsyncedCpu = (RunSeconds(unsynced->Pid()) - unsyncedBefore) / seconds * 100;
    std::printf("  %s synced %.3f %%, %s unsynced %.3f %%\n", synced->Card().Device().c_str(), syncedCpu,
                unsynced->Card().Device().c_str(), unsyncedCpu);
    extra += (syncedCpu - unsyncedCpu) / kCpuRounds;
  }
  std::printf("  sync costs %+.3f %% of a core (mean of %d rounds, each deck synced in half)\n", extra, kCpuRounds);
  for (Deck* deck : {&x, &y}) deck->Do("quit");
  return 0;
}

// One synced deck on this namespace's own server; its heard beats in Link micros.
int HeardBeats(double seconds, double bpm, const std::string& out) {
  TempDir dir;
  ScopedEnvironment config("XDG_CONFIG_HOME", dir.Path()), cache("XDG_CACHE_HOME", dir.Path());
  JackServer server(kServerRate);
  if (!HaveJack() || !server.Start()) return std::puts("no JACK server"), 1;
  const double recordSeconds = seconds + 2 * kSettleSeconds + 10;
  Deck deck("vys-heard", recordSeconds);
  if (!deck.Load(MakeTrack(dir, bpm, 300, recordSeconds + kTrackSlackSeconds)) || !deck.Do("link 1")) return 1;
  if (!WaitUntil([&] { return JsonNumber(deck.Ask("status"), "peers") >= 1; }, 30, 0.1))
    return std::puts("the other deck was never seen"), 1;
  if (!deck.Do("sync 1") || !deck.Do("play")) return 1;
  FrameClock clock;
  Listen(deck, kSettleSeconds, &clock);
  const double from = deck.FrameNow();
  Listen(deck, seconds, &clock);
  PrintJumps(deck);
  std::printf("  the server's frames strayed from a steady pace by up to %.3f ms\n", clock.StrayMs());
  std::ofstream list(out);
  for (double onset : deck.Onsets(from, deck.FrameNow())) list << std::fixed << clock.MicrosAt(onset) << "\n";
  deck.Do("quit");
  return list ? 0 : 1;
}

std::vector<double> ReadList(const std::string& path) {
  std::ifstream in(path);
  std::vector<double> values;
  for (double value; in >> value;) values.push_back(value);
  return values;
}

int CompareLists(const std::string& a, const std::string& b) {
  // Micros as frames of a one-megahertz clock.
  Print("heard beats of the two machines, stamped with the Link clock",
        CompareOnsets(ReadList(a), ReadList(b), kPairWithinMs, 1'000'000));
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "decks") return TwoDecks(argc > 2 ? std::atof(argv[2]) : 60);
  if (mode == "cpu") return SyncCpu(argc > 2 ? std::atof(argv[2]) : 20);
  if (mode == "heard" && argc > 4) return HeardBeats(std::atof(argv[2]), std::atof(argv[3]), argv[4]);
  if (mode == "compare" && argc > 3) return CompareLists(argv[2], argv[3]);
  std::puts("usage: link_sync decks [SECONDS] | cpu [SECONDS] | heard SECONDS BPM OUT | compare A B");
  return 2;
}

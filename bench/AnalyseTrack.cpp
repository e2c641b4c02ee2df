// Analyses one file as a deck would and prints what it found, the time from
// the start to the first overview columns and to the end: the process's
// run time is the analysis cost (bench/analysis_cpu.sh sets it against
// mpg123 decoding the same file). It also prints the scheduler's run time
// of the decoding thread and of the rest of the process (the level meters'
// thread): on an idle machine with two cores, the larger is the wall time.
//   analyse_track FILE
#include <chrono>
#include <cstdio>
#include <ctime>

#include "analysis/TrackAnalysis.h"

namespace {
double CpuMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: analyse_track FILE\n");
    return 2;
  }
  using TClock = std::chrono::steady_clock;
  const TClock::time_point start = TClock::now();
  double firstColumnsMs = -1;
  auto progress = [&](const std::vector<TOverviewColumn>&, size_t) {
    if (firstColumnsMs < 0) firstColumnsMs = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  };
  std::atomic<bool> cancelled{false};
  const std::optional<TTrackAnalysis> analysis = AnalyseTrack(argv[1], progress, cancelled);
  const double wallMs = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  if (!analysis) {
    std::fprintf(stderr, "analyse_track: %s was not analysed\n", argv[1]);
    return 1;
  }
  std::printf("bpm %.4f  first beat %.4f s  loudness %.2f LUFS  true peak %.2f dBTP  length %.2f s\n", analysis->bpm,
              analysis->firstBeatSeconds, analysis->loudnessLufs, analysis->truePeakDb, analysis->lengthSeconds);
  std::printf("first overview columns %.1f ms  whole analysis %.1f ms\n", firstColumnsMs, wallMs);
  const double decodingMs = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  std::printf("run time: decoding thread %.1f ms  other threads %.1f ms\n", decodingMs,
              CpuMs(CLOCK_PROCESS_CPUTIME_ID) - decodingMs);
  return 0;
}

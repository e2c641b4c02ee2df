// What analysis finds in one track: tempo and beat grid, loudness, and an
// overview of its waveform. Plain values, copied freely between threads.
#pragma once
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One column of the overview: the loudest sample and the RMS of its stretch
// of the track, both channels together, as fractions of full scale.
struct TOverviewColumn {
  float peak = 0;
  float rms = 0;
};

struct TTrackAnalysis {
  double bpm = 0;                // constant-tempo grid; 0 when no steady beat was found
  double firstBeatSeconds = 0;   // the grid's phase: its first beat at or after the start
  double loudnessLufs = 0;       // integrated loudness
  double truePeakDb = 0;         // dBTP
  double lengthSeconds = 0;
  std::vector<TOverviewColumn> overview;  // kOverviewColumns, spread over the track
};

constexpr size_t kOverviewColumns = 2000;

// Told, on the analysing thread, how many of the overview's columns are
// known so far (they fill from the left) and what they are.
using TOverviewProgress = std::function<void(const std::vector<TOverviewColumn>& columns, size_t known)>;

// Analyses the file at `path` with a decoder set of its own. Returns nothing
// when the file cannot be decoded or `cancelled` becomes true.
std::optional<TTrackAnalysis> AnalyseTrack(const std::string& path, const TOverviewProgress& progress,
                                           const std::atomic<bool>& cancelled);

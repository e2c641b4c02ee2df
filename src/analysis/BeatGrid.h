// Finds a constant-tempo beat grid in an onset strength function: the tempo
// by autocorrelation, refined over the whole track; the octave such that a
// strong onset (a kick) on every beat is one beat; then the grid fitted by
// least squares to the onsets found near it.
#pragma once
#include <optional>
#include <vector>

struct TBeatGrid {
  double bpm = 0;
  double firstBeatSeconds = 0;  // at or after the start
};

// The rectified rise of log-compressed energy: large where a sound starts,
// whatever the track's level.
std::vector<float> OnsetStrength(const std::vector<float>& energy);

// `strength` has `rate` values a second; value i describes the moment
// i / rate + offsetSeconds. Nothing when it has no steady beat.
std::optional<TBeatGrid> FindBeatGrid(const std::vector<float>& strength, double rate, double offsetSeconds);

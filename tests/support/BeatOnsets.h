// Beat-locked decks measured by ear: click tracks with a known beat grid,
// the onsets of those clicks in a recording, and how closely two decks'
// onsets agree.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// 16-bit stereo PCM of a kick on every beat: a cosine-phase burst whose
// first sample is its loudest, so that its onset is exact to a frame after
// any resampling, over a low body that the tempo analysis hears as a beat.
std::vector<int16_t> KickTrack(double bpm, double firstBeatMs, double seconds, uint32_t rate);

// Where each kick starts in `x`, in fractional frames: the first crossing of
// half the recording's peak after at least `quietMs` below it.
std::vector<double> FindOnsets(const std::vector<float>& x, double quietMs, uint32_t rate);

struct OnsetAgreement {
  size_t pairs = 0;
  double medianMs = 0, p99Ms = 0, maxMs = 0;  // of the distances
  double offsetMs = 0;                        // median of b - a: who is late
};

// Pairs each onset of `a` with the nearest of `b` (both in the same frame
// count) within `pairWithinMs`, and measures their distances.
OnsetAgreement CompareOnsets(const std::vector<double>& a, const std::vector<double>& b, double pairWithinMs,
                             uint32_t rate);

// The value at fraction `q` (0..1) of the sorted values; 0 when empty.
double Quantile(std::vector<double> values, double q);

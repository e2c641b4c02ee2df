// The deck's loudness correction: the gain that brings a track to the
// target loudness, held down so that its true peak stays below the ceiling
// (no clipping in the mix, none after a lossy encoder downstream).
#pragma once
#include <algorithm>
#include <cmath>

#include "analysis/TrackAnalysis.h"

constexpr double kTruePeakCeilingDb = -1.0;

// The user's preferences: on or off, and the target, within what a DJ set
// could sensibly want (broadcast -23 down to a loud club master).
inline constexpr char kAutoGainPreference[] = "AutoGain";
inline constexpr char kAutoGainTargetPreference[] = "AutoGainTargetLufs";
constexpr double kDefaultAutoGainTargetLufs = -14.0;
constexpr double kLowestAutoGainTargetLufs = -30.0;
constexpr double kHighestAutoGainTargetLufs = -5.0;
// A near-silent track (a hidden track, a long fade) would otherwise have its
// noise lifted by tens of decibels.
constexpr double kMaxAutoGainBoostDb = 12.0;

inline double AutoGainDb(const TTrackAnalysis& analysis, double targetLufs) {
  if (!std::isfinite(analysis.loudnessLufs)) return 0.0;  // silence: nothing to bring up
  const double toTarget = targetLufs - analysis.loudnessLufs;
  const double toCeiling =
      std::isfinite(analysis.truePeakDb) ? kTruePeakCeilingDb - analysis.truePeakDb : kMaxAutoGainBoostDb;
  return std::min({toTarget, toCeiling, kMaxAutoGainBoostDb});
}

inline float DecibelsToFactor(double db) { return float(std::pow(10.0, db / 20.0)); }

#include "sync/PhaseController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// `value` brought into [-period/2, period/2).
double Centred(double value, double period) { return value - period * std::floor(value / period + 0.5); }

double Wrapped(double value, double period) { return value - period * std::floor(value / period); }
}  // namespace

double TPhaseController::Speed(const TTrackGrid& grid, double frame, const TSessionMoment& session, double bend) {
  const double target = session.tempoBpm / grid.bpm;
  const double apart = Centred(grid.BeatAt(frame) - session.beat, 1.0);
  if (bend != 1.0) {
    offsetBeats_ = apart;
    errorMs_ = 0;
    return target * bend;
  }
  const double errorSeconds = Centred(apart - offsetBeats_, 1.0) * 60.0 / session.tempoBpm;
  errorMs_ = errorSeconds * 1000.0;
  const double correction = std::clamp(-errorSeconds / kSettleSeconds, -kMaxCorrection, kMaxCorrection);
  return target * (1.0 + correction);
}

std::string SyncRefusal(double sessionTempo, double trackBpm, double pitchRange) {
  const double pitch = sessionTempo / trackBpm - 1.0;
  if (std::abs(pitch) <= pitchRange + 1e-9) return "";
  char text[160];
  std::snprintf(text, sizeof text, "Sync refused: %.1f BPM needs %+.1f %%, beyond the pitch range of %.0f %%",
                sessionTempo, pitch * 100.0, pitchRange * 100.0);
  return text;
}

double QuantizedStartBeat(const TTrackGrid& grid, double frame, double sessionBeat, double quantum) {
  const double trackInBar = Wrapped(grid.BeatAt(frame), quantum);
  return sessionBeat + Wrapped(trackInBar - Wrapped(sessionBeat, quantum), quantum);
}

// Beat sync of one deck, as plain arithmetic on beats: the track's speed for
// each period so that its beat grid stays in phase with the session's beats
// where the period is heard, the refusal of a sync the pitch range cannot
// reach, and where a start with sync on falls.
#pragma once
#include <string>

// The track's constant-tempo grid from its analysis; beat 0 (bar 1) is the
// first beat.
struct TTrackGrid {
  double bpm = 0;
  double firstBeatSeconds = 0;
  double sampleRate = 0;

  bool Known() const { return bpm > 0 && sampleRate > 0; }
  double BeatAt(double frame) const { return (frame / sampleRate - firstBeatSeconds) * bpm / 60.0; }
};

// The session where a period's first frame is heard.
struct TSessionMoment {
  double tempoBpm = 120;
  double beat = 0;
};

class TPhaseController {
 public:
  // A phase correction changes the speed by at most 0.1 %: a listener hears
  // no wobble in that, and 1 ms of phase is made up in a second.
  static constexpr double kMaxCorrection = 0.001;
  // Below the bound the error falls away exponentially with this time
  // constant: a first-order follower, which cannot overshoot, and slow next to
  // a period (5 ms), so that the jitter of heard times is averaged.
  static constexpr double kSettleSeconds = 0.5;

  // The track's speed (1: its own tempo) for a period whose first frame,
  // track frame `frame`, is heard at `session`. While the DJ bends (`bend`,
  // a speed factor, not 1) the deck follows the bend and afterwards holds the
  // phase it reached. `grid` must be Known().
  double Speed(const TTrackGrid& grid, double frame, const TSessionMoment& session, double bend);
  // The track ahead of its target phase at the last period, in ms.
  double ErrorMs() const { return errorMs_; }
  // A new start is in phase with the beats themselves again.
  void Restart() { offsetBeats_ = 0; }

 private:
  double offsetBeats_ = 0;
  double errorMs_ = 0;
};

// Why a sync whose speed would leave the pitch range (a fraction, 0.08 for
// 8 %) is refused, or "" when the range reaches it.
std::string SyncRefusal(double sessionTempo, double trackBpm, double pitchRange);

// The session beat, at or after `sessionBeat`, on which a start with sync on
// is heard: where the session's bar (`quantum` beats) stands as the track's
// bar stands at `frame`, so that a cue on a bar line starts on the next bar.
double QuantizedStartBeat(const TTrackGrid& grid, double frame, double sessionBeat, double quantum);

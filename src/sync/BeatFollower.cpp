#include "sync/BeatFollower.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr double kMicrosPerSecond = 1e6;
}  // namespace

TVoicePlan TBeatFollower::Plan(const TBeatFollowerInput& in) {
  const uint32_t lost = LostFrames(in.period);
  outOfRange_ = !SyncRefusal(in.session.tempoBpm, in.grid.bpm, in.pitchRange).empty();
  // A seek may be taken by a mix just before the play that follows it.
  seekPending_ = seekPending_ || in.period.seeked;
  if (!in.period.playing || outOfRange_) return {};
  if (std::exchange(seekPending_, false) && in.holdSeeks && !armed_ && !holding_)
    armed_ = true, armedBeats_ = kSeekQuantum;
  const uint32_t hold = HoldFrames(in);
  if (hold >= in.period.frames) return {0, hold};
  // The speed is set for the moment the first frame played is heard, past
  // what the output lost.
  const int64_t heard = in.heardMicros + int64_t(std::llround(hold * kMicrosPerSecond / in.period.deviceRate));
  const TSessionMoment moment{in.session.tempoBpm, in.session.BeatAt(heard)};
  const double skipped = lost * in.session.tempoBpm / in.grid.bpm * in.grid.sampleRate / in.period.deviceRate;
  const double speed =
      controller_.Speed(in.grid, in.period.sourceFrame + skipped, moment, in.bend, in.period.keylocked);
  steady_ = hold == 0;
  return {speed * in.grid.sampleRate, hold, lost};
}

// Output frames the output played since the last mix of a steady synced run
// without mixing this one (an overrun): the track is that far behind the
// beats. Through keylock the correction makes it up instead: the pitch
// stage cannot skip.
uint32_t TBeatFollower::LostFrames(const TVoicePeriod& period) {
  const double lost = period.outputFrame - outputEnd_;
  outputEnd_ = period.outputFrame + period.frames;
  const bool steady = std::exchange(steady_, false);
  if (!steady || !period.playing || period.keylocked || lost <= 0) return 0;
  return lost <= kMaxCatchUpSeconds * period.deviceRate ? uint32_t(lost) : 0;
}

// An armed start is placed on the session's beats once, at the first period
// that plays, and held silent until then.
uint32_t TBeatFollower::HoldFrames(const TBeatFollowerInput& in) {
  if (armed_) {
    armed_ = false;
    const double quantum = armedBeats_ == kWholeBar ? in.session.quantum : armedBeats_;
    const double now = in.session.BeatAt(in.heardMicros);
    startMicros_ = in.session.MicrosAtBeat(QuantizedStartBeat(in.grid, in.period.sourceFrame, now, quantum));
    holding_ = true;
    controller_.Restart();
  }
  if (!holding_) return 0;
  const double ahead = double(startMicros_ - in.heardMicros) * in.period.deviceRate / kMicrosPerSecond;
  if (ahead >= in.period.frames) return in.period.frames;
  holding_ = false;
  return uint32_t(std::max(0L, std::lround(ahead)));
}

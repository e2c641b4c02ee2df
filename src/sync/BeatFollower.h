// One deck's beat sync, period by period: from where a period is heard on
// the session's clock and what it plays, the rate to mix it at and how much
// of it to hold silent before a quantized start. Plain arithmetic for the
// audio thread: no lock, no allocation, no clock of its own.
#pragma once
#include "platform/link/LinkSession.h"
#include "platform/sound/RateFollower.h"
#include "sync/PhaseController.h"

struct TBeatFollowerInput {
  TVoicePeriod period;
  int64_t heardMicros;    // when the period's first frame is heard, on the session's clock
  TLinkTimeline session;  // at or near that moment
  TTrackGrid grid;        // Known()
  double bend = 1.0;      // the DJ's bend as a speed factor
  double pitchRange = 0.08;
  // A seek while playing (a jump, the end of a search) is heard on the
  // session's beat, as a start is; not while searching.
  bool holdSeeks = true;
};

class TBeatFollower {
 public:
  // The next start is held to the session's next matching bar position.
  void ArmStart() { armed_ = true, armedBeats_ = kWholeBar; }
  // The phase a bend left is no longer held: the beats themselves are.
  void ForgetBend() { controller_.Restart(); }
  // A mix went by without a plan: the next one cannot tell an overrun from it.
  void Unfollowed() { steady_ = false; }
  TVoicePlan Plan(const TBeatFollowerInput& in);
  // The session's tempo is beyond the pitch range: the voice keeps its own rate.
  bool OutOfRange() const { return outOfRange_; }
  double ErrorMs() const { return holding_ ? 0.0 : controller_.ErrorMs(); }
  bool Holding() const { return holding_; }

 private:
  static constexpr double kWholeBar = 0;
  // A jump keeps the bar the DJ chose: it waits only for the beat's phase.
  static constexpr double kSeekQuantum = 1;
  // An overrun longer than this is no overrun: the output stopped or changed.
  static constexpr double kMaxCatchUpSeconds = 0.5;

  uint32_t HoldFrames(const TBeatFollowerInput& in);
  uint32_t LostFrames(const TVoicePeriod& period);

  TPhaseController controller_;
  bool armed_ = false;
  double armedBeats_ = kWholeBar;
  bool seekPending_ = false;
  bool holding_ = false;
  int64_t startMicros_ = 0;
  bool outOfRange_ = false;
  double outputEnd_ = 0;  // the output frame after the last mix planned
  bool steady_ = false;   // that mix was played whole, in sync
};

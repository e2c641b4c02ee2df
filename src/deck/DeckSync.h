// The deck's membership in a Link session and its beat sync. The window's
// (or console's) thread switches Link and sync and hands over the track's
// grid, the pitch range and the bend; the mixer asks PlanPeriod on the audio
// thread, which reads them without a lock and never waits.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/link/LinkSession.h"
#include "platform/sound/RateFollower.h"
#include "sync/BeatFollower.h"
#include "sync/HostTimeFilter.h"

class TDeckSync final : public TVoiceRateFollower {
 public:
  static constexpr double kDefaultQuantum = 4.0;
  static constexpr double kNewSessionTempo = 120.0;

  TDeckSync();
  ~TDeckSync();
  TDeckSync(const TDeckSync&) = delete;
  TDeckSync& operator=(const TDeckSync&) = delete;

  // Control side. The session is made at the first EnableLink(true), at
  // `tempo` until it meets a session that is already there.
  void EnableLink(bool on, double tempo = kNewSessionTempo);
  bool LinkEnabled() const;
  size_t Peers() const;
  // The session's tempo now; 0 while Link is off.
  double SessionTempo() const;
  void SetSessionTempo(double bpm);
  void SetQuantum(double beats) { quantum_.store(beats, std::memory_order_relaxed); }
  double Quantum() const { return quantum_.load(std::memory_order_relaxed); }
  // A grid that is not Known() holds the deck at its own rate.
  void SetGrid(const TTrackGrid& grid);
  double TrackBpm() const { return bpm_.load(std::memory_order_relaxed); }
  void SetPitchRange(double fraction) { pitchRange_.store(fraction, std::memory_order_relaxed); }
  void SetBend(double factor) { bend_.store(factor, std::memory_order_relaxed); }
  void Follow(bool on) { following_.store(on, std::memory_order_release); }
  bool Following() const { return following_.load(std::memory_order_acquire); }
  // The next start of play waits for the session's matching bar position.
  void ArmStart() { armStart_.store(true, std::memory_order_release); }
  // Seeks while playing are heard on the session's beat; not while searching.
  void HoldSeeks(bool on) { holdSeeks_.store(on, std::memory_order_relaxed); }
  // True once the session's tempo went beyond the pitch range while following.
  bool TakeOutOfRange() { return outOfRange_.exchange(false, std::memory_order_acq_rel); }
  // The track's beat ahead of the session's at the last period, in ms.
  double ErrorMs() const { return errorMs_.load(std::memory_order_relaxed); }

  // Audio side.
  TVoicePlan PlanPeriod(const TVoicePeriod& period) override;

 private:
  bool ReadGrid(TTrackGrid* grid) const;
  int64_t HeardMicros(const TVoicePeriod& period);

  std::unique_ptr<TLinkSession> ownSession_;
  std::atomic<TLinkSession*> session_{nullptr};
  std::atomic<bool> following_{false}, armStart_{false}, outOfRange_{false}, holdSeeks_{true};
  std::atomic<double> quantum_{kDefaultQuantum}, pitchRange_{0.08}, bend_{1.0}, errorMs_{0.0};
  // The grid, written by one control thread as a sequence lock: the audio
  // thread never waits for it and keeps its last whole copy meanwhile.
  std::atomic<uint32_t> gridVersion_{0};
  std::atomic<double> bpm_{0}, firstBeat_{0}, sampleRate_{0};

  // The audio thread's own.
  THostTimeFilter filter_;
  TTrackGrid grid_;
  TBeatFollower follower_;
};

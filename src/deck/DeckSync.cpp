#include "deck/DeckSync.h"

namespace {
constexpr double kMicrosPerSecond = 1e6;
}  // namespace

TDeckSync::TDeckSync() = default;

TDeckSync::~TDeckSync() = default;

void TDeckSync::EnableLink(bool on, double tempo) {
  if (on && !ownSession_) {
    ownSession_ = std::make_unique<TLinkSession>(tempo);
    session_.store(ownSession_.get(), std::memory_order_release);
  }
  if (ownSession_) ownSession_->Enable(on);
}

bool TDeckSync::LinkEnabled() const { return ownSession_ && ownSession_->IsEnabled(); }

size_t TDeckSync::Peers() const { return LinkEnabled() ? ownSession_->Peers() : 0; }

double TDeckSync::SessionTempo() const {
  return LinkEnabled() ? ownSession_->Capture(ownSession_->NowMicros(), Quantum()).tempoBpm : 0.0;
}

void TDeckSync::SetSessionTempo(double bpm) {
  if (LinkEnabled() && bpm > 0) ownSession_->SetTempo(bpm);
}

void TDeckSync::SetGrid(const TTrackGrid& grid) {
  gridVersion_.fetch_add(1, std::memory_order_acq_rel);
  bpm_.store(grid.bpm, std::memory_order_relaxed);
  firstBeat_.store(grid.firstBeatSeconds, std::memory_order_relaxed);
  sampleRate_.store(grid.sampleRate, std::memory_order_relaxed);
  gridVersion_.fetch_add(1, std::memory_order_release);
}

// False while the writer is in the middle of a change.
bool TDeckSync::ReadGrid(TTrackGrid* grid) const {
  const uint32_t before = gridVersion_.load(std::memory_order_acquire);
  if (before & 1) return false;
  const TTrackGrid read{bpm_.load(std::memory_order_relaxed), firstBeat_.load(std::memory_order_relaxed),
                        sampleRate_.load(std::memory_order_relaxed)};
  std::atomic_thread_fence(std::memory_order_acquire);
  if (gridVersion_.load(std::memory_order_relaxed) != before) return false;
  *grid = read;
  return true;
}

// The period's first frame is heard when the filtered time of its callback
// has passed and the output's latency after it, as the sound layer reports it.
int64_t TDeckSync::HeardMicros(const TVoicePeriod& period) {
  const TLinkSession& session = *session_.load(std::memory_order_acquire);
  const double callback = filter_.Add(period.outputFrame, double(session.NowMicros()));
  return int64_t(callback + period.latencyFrames * kMicrosPerSecond / period.deviceRate);
}

TVoicePlan TDeckSync::PlanPeriod(const TVoicePeriod& period) {
  TLinkSession* session = session_.load(std::memory_order_acquire);
  if (!session || period.deviceRate == 0) {
    follower_.Unfollowed();
    return {};
  }
  const int64_t heard = HeardMicros(period);
  ReadGrid(&grid_);
  if (!following_.load(std::memory_order_acquire) || !session->IsEnabled() || !grid_.Known()) {
    follower_.Unfollowed();
    return {};
  }
  if (newSync_.exchange(false, std::memory_order_acq_rel)) follower_.ForgetBend();
  if (armStart_.exchange(false, std::memory_order_acq_rel)) follower_.ArmStart();
  TBeatFollowerInput in{period, heard, session->CaptureFromAudio(heard, Quantum()), grid_};
  in.bend = bend_.load(std::memory_order_relaxed);
  in.pitchRange = pitchRange_.load(std::memory_order_relaxed);
  in.holdSeeks = holdSeeks_.load(std::memory_order_relaxed);
  const TVoicePlan plan = follower_.Plan(in);
  if (follower_.OutOfRange()) outOfRange_.store(true, std::memory_order_release);
  errorMs_.store(follower_.ErrorMs(), std::memory_order_relaxed);
  return plan;
}

#include "LinkSession.h"

#include <ableton/Link.hpp>

#include <chrono>
#include <cmath>

namespace {
using std::chrono::microseconds;

constexpr double kMicrosPerMinute = 60e6;

template <typename TState>
TLinkTimeline TimelineOf(const TState& state, int64_t atMicros, double quantum) {
  TLinkTimeline timeline;
  timeline.tempoBpm = state.tempo();
  timeline.quantum = quantum;
  timeline.originMicros = atMicros;
  timeline.beatAtOrigin = state.beatAtTime(microseconds(atMicros), quantum);
  return timeline;
}
}  // namespace

double TLinkTimeline::BeatAt(int64_t micros) const {
  return beatAtOrigin + double(micros - originMicros) * tempoBpm / kMicrosPerMinute;
}

double TLinkTimeline::PhaseAt(int64_t micros) const {
  const double phase = std::fmod(BeatAt(micros), quantum);
  return phase < 0 ? phase + quantum : phase;
}

int64_t TLinkTimeline::MicrosAtBeat(double beat) const {
  return originMicros + std::llround((beat - beatAtOrigin) * kMicrosPerMinute / tempoBpm);
}

struct TLinkSession::TImpl {
  explicit TImpl(double tempoBpm) : link(tempoBpm) {}
  ableton::Link link;
};

TLinkSession::TLinkSession(double tempoBpm) : impl_(std::make_unique<TImpl>(tempoBpm)) {}

TLinkSession::~TLinkSession() { impl_->link.enable(false); }

void TLinkSession::Enable(bool on) { impl_->link.enable(on); }

bool TLinkSession::IsEnabled() const { return impl_->link.isEnabled(); }

size_t TLinkSession::Peers() const { return impl_->link.numPeers(); }

int64_t TLinkSession::NowMicros() const { return impl_->link.clock().micros().count(); }

TLinkTimeline TLinkSession::CaptureFromAudio(int64_t atMicros, double quantum) const {
  return TimelineOf(impl_->link.captureAudioSessionState(), atMicros, quantum);
}

void TLinkSession::SetTempoFromAudio(double tempoBpm, int64_t atMicros) {
  auto state = impl_->link.captureAudioSessionState();
  state.setTempo(tempoBpm, microseconds(atMicros));
  impl_->link.commitAudioSessionState(state);
}

TLinkTimeline TLinkSession::Capture(int64_t atMicros, double quantum) const {
  return TimelineOf(impl_->link.captureAppSessionState(), atMicros, quantum);
}

void TLinkSession::SetTempo(double tempoBpm) {
  auto state = impl_->link.captureAppSessionState();
  state.setTempo(tempoBpm, impl_->link.clock().micros());
  impl_->link.commitAppSessionState(state);
}

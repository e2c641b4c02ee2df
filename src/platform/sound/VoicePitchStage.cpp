#include "platform/sound/VoicePitchStage.h"

#include <algorithm>

#include "platform/kernel/KernelCheck.h"

TVoicePitchStage::TVoicePitchStage(uint32_t deviceRate, PitchShifter::Engine engine)
    : shifter_(deviceRate, engine, kBlockFrames, kMinPitchScale, kMaxPitchScale) {
  KERNEL_CHECK(!IsRealtimeThread(), "the pitch stage is built before the audio thread uses it");
}

void TVoicePitchStage::Restart(uint64_t fraction, double pitchScale) {
  shifter_.Reset();
  shifter_.SetPitchScale(std::clamp(pitchScale, kMinPitchScale, kMaxPitchScale));
  padLeft_ = shifter_.StartPad();
  delayLeft_ = shifter_.StartDelay();
  runDelay_ = delayLeft_;
  stretches_[0] = Stretch{0, fraction, 0};
  newest_ = 0;
  fed_ = taken_ = 0;
  fedSource_ = fraction;
}

uint32_t TVoicePitchStage::FramesWanted() const {
  return std::clamp(shifter_.FramesWanted(), kMinFeedFrames, kBlockFrames);
}

uint32_t TVoicePitchStage::FeedPadding() {
  const uint32_t pad = std::min(padLeft_, kBlockFrames);
  if (pad > 0) shifter_.Feed(silence_.data(), silence_.data(), pad);
  padLeft_ -= pad;
  return pad;
}

void TVoicePitchStage::Feed(uint32_t frames, uint64_t step) {
  if (frames == 0) return;
  if (step != stretches_[newest_].step || fed_ == 0) {
    newest_ = (newest_ + 1) % kStretches;
    stretches_[newest_] = Stretch{fed_, fedSource_, step};
  }
  shifter_.Feed(inputLeft_.data(), inputRight_.data(), frames);
  fed_ += frames;
  fedSource_ += frames * step;
}

uint32_t TVoicePitchStage::Take(float* heard, uint32_t frames) {
  while (delayLeft_ > 0 && shifter_.Ready() > 0)
    delayLeft_ -= shifter_.Take(outLeft_.data(), outRight_.data(), std::min({delayLeft_, kBlockFrames, shifter_.Ready()}));
  if (delayLeft_ > 0) return 0;
  const uint32_t n = shifter_.Take(outLeft_.data(), outRight_.data(), std::min({frames, kBlockFrames, shifter_.Ready()}));
  for (uint32_t k = 0; k < n; ++k) {
    heard[2 * k] = outLeft_[k];
    heard[2 * k + 1] = outRight_[k];
  }
  taken_ += n;
  return n;
}

// The newest stretch that began at or before input frame `fedIndex`.
const TVoicePitchStage::Stretch& TVoicePitchStage::StretchOf(uint64_t fedIndex) const {
  uint32_t at = newest_;
  for (uint32_t looked = 1; looked < kStretches && stretches_[at].fedIndex > fedIndex; ++looked)
    at = (at + kStretches - 1) % kStretches;
  return stretches_[at];
}

// Output frame k is input frame k, less what the delay grew by since the run
// started, so the next one came from there.
uint64_t TVoicePitchStage::HeardSource() const {
  const double grown = shifter_.DelayAt(shifter_.Scale()) - runDelay_;
  const uint64_t next = uint64_t(std::clamp(double(taken_) - grown, 0.0, double(fed_)));
  const Stretch& stretch = StretchOf(next);
  return stretch.source + (next - stretch.fedIndex) * stretch.step;
}

// What the shifter gives out next, beyond what is ready, is what it works on next.
void TVoicePitchStage::FollowRate(uint64_t unityStep) {
  const uint64_t step = StretchOf(taken_ + delayLeft_ + shifter_.Ready()).step;
  if (step == 0) return;  // nothing given yet: Restart set the shift
  shifter_.SetPitchScale(std::clamp(double(unityStep) / double(step), kMinPitchScale, kMaxPitchScale));
}

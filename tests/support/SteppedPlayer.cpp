#include "support/SteppedPlayer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/sound/PacedBackend.h"

namespace {
constexpr uint32_t kPeriod = PacedBackend::kCapturePeriodFrames;
}

SteppedPlayer::SteppedPlayer(std::string path, uint32_t rate)
    : audio_(ScopedAudioOutput::SteppedCapture(path), rate), path_(std::move(path)), rate_(rate) {}

TVyCounter SteppedPlayer::Counter() const {
  return {[this] { return now_.load(); }, rate_};
}

void SteppedPlayer::SetCycle(Cycle cycle, Woken woken) {
  cycle_ = std::move(cycle);
  woken_ = std::move(woken);
}

void SteppedPlayer::RunFor(double ms) {
  const auto periods = int64_t(std::ceil(ms * rate_ / 1000 / kPeriod));
  for (int64_t k = 0; k < periods; ++k) {
    if (cycle_ && (!woken_ || woken_() || now_ >= nextCycle_)) {
      const uint32_t sleepMs = cycle_();
      nextCycle_ = now_ + int64_t(sleepMs) * rate_ / 1000;
    }
    if (PacedBackend::MixCapturedPeriods(1)) captured_ += kPeriod;
    now_ += kPeriod;
  }
}

bool SteppedPlayer::RunUntil(const std::function<bool()>& done, double stepMs, double limitMs) {
  for (double ran = 0;; ran += stepMs) {
    if (done()) return true;
    if (ran >= limitMs) return false;
    RunFor(stepMs);
  }
}

Capture SteppedPlayer::Read() const {
  Capture capture;
  EXPECT_TRUE(ReadCapture(path_, &capture)) << path_;
  return capture;
}

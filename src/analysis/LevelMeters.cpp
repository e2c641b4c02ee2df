#include "analysis/LevelMeters.h"

#include "platform/kernel/FloatMode.h"

TLevelMeters::TLevelMeters(unsigned channels, unsigned rate)
    : channels_(channels), loudness_(channels, rate), truePeak_(channels), thread_(&TLevelMeters::Run, this) {}

TLevelMeters::~TLevelMeters() { Stop(); }

void TLevelMeters::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ending_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TLevelMeters::Add(const int16_t* frames, size_t count) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [&] { return added_ - measured_ < kQueued; });
  // The slot is free: the meter thread touches only chunks not yet measured.
  chunks_[added_ % kQueued].assign(frames, frames + count * channels_);
  ++added_;
  guard.unlock();
  changed_.notify_all();
}

void TLevelMeters::Run() {
  const TFlushDenormals flushDenormals;  // the loudness filters decay over silence
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    changed_.wait(guard, [&] { return ending_ || measured_ < added_; });
    if (measured_ == added_) return;  // ending, and everything measured
    const std::vector<int16_t>& chunk = chunks_[measured_ % kQueued];
    guard.unlock();
    loudness_.Add(chunk.data(), chunk.size() / channels_);
    truePeak_.Add(chunk.data(), chunk.size() / channels_);
    guard.lock();
    ++measured_;
    changed_.notify_all();
  }
}

void TLevelMeters::Finish(double* loudnessLufs, double* truePeakDb) {
  Stop();
  *loudnessLufs = loudness_.IntegratedLufs();
  *truePeakDb = truePeak_.PeakDb();
}

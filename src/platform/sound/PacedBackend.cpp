#include "platform/sound/PacedBackend.h"

#include <pthread.h>
#include <chrono>
#include <cstring>
#include <vector>

namespace {
constexpr uint16_t kFloatFormat = 3;  // IEEE float samples
constexpr uint16_t kChannels = 2;
constexpr uint16_t kFrameBytes = kChannels * sizeof(float);
// Sound servers run their mixing thread at a real-time priority; so does this
// stand-in where the system allows, so that a busy machine does not starve it.
constexpr int kRealTimePriority = 10;

void RaiseToRealTime() {
  sched_param param{};
  param.sched_priority = kRealTimePriority;
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);  // best effort
}

void Put(std::FILE* file, uint32_t value, size_t bytes) {
  uint8_t le[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  std::fwrite(le, 1, bytes, file);
}
}  // namespace

PacedBackend::PacedBackend(SoundMixer& mixer, uint32_t rate, std::string wavPath, bool stepped)
    : mixer_(mixer),
      rate_(rate),
      wavPath_(std::move(wavPath)),
      periodFrames_(wavPath_.empty() ? kNullPeriodFrames : kCapturePeriodFrames),
      stepped_(stepped) {}

bool PacedBackend::Start() {
  if (!wavPath_.empty()) {
    wav_ = std::fopen(wavPath_.c_str(), "wb");
    if (!wav_) return false;
    WriteHeader(0);
  }
  if (stepped_) {
    std::lock_guard<std::mutex> guard(steppedMutex_);
    steppedOpen_ = this;
    return true;
  }
  // The clock starts once the thread exists, so that starting it takes no
  // time out of the first period.
  thread_ = std::thread(&PacedBackend::Run, this);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    start_ = SteadyClock::now();
    started_ = true;
  }
  signal_.notify_one();
  return true;
}

PacedBackend::~PacedBackend() {
  if (stepped_) {
    std::lock_guard<std::mutex> guard(steppedMutex_);
    if (steppedOpen_ == this) steppedOpen_ = nullptr;
  }
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stop_ = true;
  }
  signal_.notify_all();  // cuts the wait for the next period short
  if (thread_.joinable()) thread_.join();
  if (wav_) {
    uint64_t bytes = framesWritten_ * kFrameBytes;
    std::fseek(wav_, 0, SEEK_SET);
    WriteHeader(bytes > UINT32_MAX - 36 ? UINT32_MAX - 36 : uint32_t(bytes));
    std::fclose(wav_);
  }
}

void PacedBackend::WriteHeader(uint32_t dataBytes) {
  std::fwrite("RIFF", 1, 4, wav_);
  Put(wav_, 36 + dataBytes, 4);
  std::fwrite("WAVEfmt ", 1, 8, wav_);
  Put(wav_, 16, 4);
  Put(wav_, kFloatFormat, 2);
  Put(wav_, kChannels, 2);
  Put(wav_, rate_, 4);
  Put(wav_, rate_ * kFrameBytes, 4);
  Put(wav_, kFrameBytes, 2);
  Put(wav_, 32, 2);
  std::fwrite("data", 1, 4, wav_);
  Put(wav_, dataBytes, 4);
}

// Period k is mixed at start + k periods, on absolute deadlines so that the
// pace never drifts from the clock. A late wake-up catches up, as a sound
// card's buffer would absorb it; one later than that buffer is an underrun:
// the missed periods are silence, so frame n is always heard at start + n frames.
void PacedBackend::Run() {
  RaiseToRealTime();
  {
    std::unique_lock<std::mutex> guard(mutex_);
    signal_.wait(guard, [this] { return started_; });
  }
  std::vector<float> period(periodFrames_ * kChannels);
  const std::vector<float> silence(period.size(), 0.0f);
  auto periodStart = [this](uint64_t k) {
    return start_ + std::chrono::nanoseconds(k * periodFrames_ * 1000000000ull / rate_);
  };
  for (uint64_t k = 0;; ++k) {
    {
      std::unique_lock<std::mutex> guard(mutex_);
      if (signal_.wait_until(guard, periodStart(k), [this] { return stop_.load(); })) return;
    }
    for (; SteadyClock::now() >= periodStart(k + kBufferedPeriods); ++k) Write(silence.data());
    mixer_.Mix(period.data(), periodFrames_, int64_t(k * periodFrames_));
    Write(period.data());
  }
}

bool PacedBackend::MixCapturedPeriods(uint32_t periods) {
  std::lock_guard<std::mutex> guard(steppedMutex_);
  if (!steppedOpen_) return false;
  PacedBackend& backend = *steppedOpen_;
  std::vector<float> period(backend.periodFrames_ * kChannels);
  for (uint32_t k = 0; k < periods; ++k) {
    backend.mixer_.Mix(period.data(), backend.periodFrames_);
    backend.Write(period.data());
  }
  return true;
}

void PacedBackend::Write(const float* frames) {
  if (!wav_) return;
  std::fwrite(frames, kFrameBytes, periodFrames_, wav_);
  framesWritten_ += periodFrames_;
}

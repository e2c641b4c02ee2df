// An output paced by the monotonic clock like a sound card: it pulls one
// period of mix per period of time and discards it, or writes it to a
// 32-bit float stereo WAV file (the ears of the end-to-end tests).
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sound/SoundBackend.h"

class PacedBackend : public SoundBackend {
 public:
  // Frames per period of the capture: about 5 ms at 48 kHz, a common
  // sound-card period, so that what it records is timed like a card.
  static constexpr uint32_t kCapturePeriodFrames = 256;
  // The discarding device wakes far less often (about 11 times a second):
  // nothing listens to it, and each wake-up costs more than its mixing.
  static constexpr uint32_t kNullPeriodFrames = 4096;
  // Periods a card's buffer holds: a mix this late is an underrun.
  static constexpr uint32_t kBufferedPeriods = 4;

  // An empty path discards the mix. Start() says whether the file could be
  // made. A stepped capture is not paced by the clock: it mixes only when
  // MixCapturedPeriods asks, so that a test hears the deck without waiting.
  PacedBackend(SoundMixer& mixer, uint32_t rate, std::string wavPath, bool stepped = false);
  uint32_t PeriodFrames() const { return periodFrames_; }
  ~PacedBackend() override;
  bool Start();

  uint32_t Rate() const override { return rate_; }
  // A period mixed now is heard from now on: what is heard lags the mix by none.
  uint32_t LatencyFrames() const override { return 0; }
  bool Failed() const override { return false; }

  // Mixes `periods` periods of the stepped capture open now, on the calling
  // thread, and writes them to its file. False when none is open.
  static bool MixCapturedPeriods(uint32_t periods);

 private:
  using SteadyClock = std::chrono::steady_clock;

  void Run();
  void Write(const float* frames);
  void WriteHeader(uint32_t dataBytes);

  SoundMixer& mixer_;
  const uint32_t rate_;
  const std::string wavPath_;
  const uint32_t periodFrames_;
  const bool stepped_;
  std::FILE* wav_ = nullptr;
  uint64_t framesWritten_ = 0;
  std::mutex mutex_;
  std::condition_variable signal_;  // the start, and the stop
  bool started_ = false;
  SteadyClock::time_point start_;  // when frame 0 is heard
  std::atomic<bool> stop_{false};
  std::thread thread_;

  static inline std::mutex steppedMutex_;  // guards steppedOpen_ against its device closing
  static inline PacedBackend* steppedOpen_ = nullptr;
};

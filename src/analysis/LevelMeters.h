// Loudness and true peak, measured on a thread of their own while the
// caller decodes: together they cost nearly as much as decoding an MP3, so
// side by side the analysis takes about half the time. The thread inherits
// the caller's (low) priority.
#pragma once
#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/TruePeak.h"
#include "platform/ebur128/LoudnessMeter.h"

class TLevelMeters {
 public:
  TLevelMeters(unsigned channels, unsigned rate);
  // Stops the thread, finished or not.
  ~TLevelMeters();
  TLevelMeters(const TLevelMeters&) = delete;
  TLevelMeters& operator=(const TLevelMeters&) = delete;

  // Queues a copy of interleaved frames; waits while the meters are a full
  // queue behind.
  void Add(const int16_t* frames, size_t count);
  // Waits until every frame is measured.
  void Finish(double* loudnessLufs, double* truePeakDb);

 private:
  // Chunks in flight: enough to ride out a slow moment of either side.
  static constexpr size_t kQueued = 8;
  void Run();
  void Stop();

  unsigned channels_;
  TLoudnessMeter loudness_;
  TTruePeakMeter truePeak_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::array<std::vector<int16_t>, kQueued> chunks_;
  size_t added_ = 0, measured_ = 0;  // chunks, ever
  bool ending_ = false;
  std::thread thread_;
};

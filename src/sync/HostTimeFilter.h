// Maps an output's frame counter to a clock: a straight line fitted to the
// last kPoints (frame, time) pairs taken at the audio callbacks, so that the
// jitter of a callback's wake-up does not reach the time a buffer is heard.
#pragma once
#include <array>

class THostTimeFilter {
 public:
  // About 2.7 s of 256-frame periods at 48 kHz: long enough to average the
  // wake-up jitter away, short enough to follow the output clock's drift.
  static constexpr int kPoints = 512;
  // A callback this far off the line is no jitter: the output stopped or
  // restarted, and the line starts again from it.
  static constexpr double kBreakMicros = 20'000.0;

  // Audio thread, once per callback: the callback's first frame and the
  // clock read when it ran. Returns the fitted time of that frame. O(1): the
  // sums are kept running and rebuilt once per kPoints callbacks.
  double Add(double frame, double micros);
  void Reset();

 private:
  double Fitted(double frame) const;
  void Rebase();

  std::array<double, kPoints> frames_{}, micros_{};
  int count_ = 0, next_ = 0;
  // Sums of the points relative to a base point, for precision over hours.
  double baseFrame_ = 0, baseMicros_ = 0;
  double sumX_ = 0, sumY_ = 0, sumXX_ = 0, sumXY_ = 0;
};

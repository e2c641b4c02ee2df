// The true peak of 16-bit PCM: the highest magnitude of the signal between
// its samples too, found by 4x oversampling with a windowed-sinc interpolator
// of 12 taps a phase, as the loudness standard's meter does. Stretches too
// quiet to reach the peak found so far are skipped, at no loss of accuracy.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class TTruePeakMeter {
 public:
  explicit TTruePeakMeter(unsigned channels);
  // Interleaved frames of every channel.
  void Add(const int16_t* frames, size_t count);
  // dBTP; -HUGE_VAL for silence.
  double PeakDb() const;

  static constexpr size_t kTaps = 12;
  static constexpr size_t kPhases = 4;
  static constexpr size_t kBlock = 64;  // frames interpolated together

 private:
  using TLine = std::array<float, kTaps - 1 + kBlock>;  // the taps' history, then the block
  void AddBlock();
  float InterpolatedPeak(const TLine& line) const;

  unsigned channels_;
  std::vector<TLine> lines_;  // one a channel
  size_t fill_ = 0;           // frames of the block so far
  float blockPeak_ = 0;       // of the samples in the lines
  float peak_ = 0;            // as a fraction of full scale
  // Per phase between samples (the first is the sample itself).
  std::array<std::array<float, kTaps>, kPhases> taps_{};
  // No interpolated value exceeds the lines' sample peak times this.
  float gain_ = 1;
};

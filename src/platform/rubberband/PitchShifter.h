// A real-time pitch shifter for stereo float audio at a fixed rate: the
// duration stays, the pitch moves by a scale. Everything it needs is
// allocated when it is built; after that, calls with at most `maxBlock`
// frames never allocate, lock or wait, so the audio thread may make them.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace RubberBand {
class RubberBandStretcher;
}

class PitchShifter {
 public:
  // "fine" sounds best; "fast" costs less and answers sooner.
  enum class Engine { kFine, kFast };

  // Shifts between `minScale` and `maxScale` (2.0 is an octave up) will be
  // asked for; the buffers they need are made now.
  PitchShifter(uint32_t rate, Engine engine, uint32_t maxBlock, double minScale, double maxScale);
  ~PitchShifter();
  PitchShifter(const PitchShifter&) = delete;
  PitchShifter& operator=(const PitchShifter&) = delete;

  Engine Kind() const { return engine_; }
  // Forgets all audio given so far, as if new.
  void Reset();
  // Within the range given when built. Heard from the next block on.
  void SetPitchScale(double scale);
  // Silent frames to feed first, and output frames to drop then, so that
  // output frame k is input frame k (after the padding), at the shift now.
  uint32_t StartPad() const;
  uint32_t StartDelay() const;
  // The same delay at another shift: a change of shift moves what is heard
  // by the difference, as the library settles into the new delay.
  double DelayAt(double scale) const;
  double Scale() const;
  // Input frames the shifter wants before it can give more output (may be 0).
  uint32_t FramesWanted() const;
  void Feed(const float* left, const float* right, uint32_t frames);
  uint32_t Ready() const;
  // Takes up to `frames` ready frames; returns how many it took.
  uint32_t Take(float* left, float* right, uint32_t frames);

 private:
  // The deck's widest fader range (+-20 %) with a bend on top.
  static constexpr double kLowestMeasured = 0.75, kHighestMeasured = 1.4;
  static constexpr int kDelayPoints = 13;
  // Where the measuring click goes, into the run: past the start's own effects.
  static constexpr size_t kClickAt = 2048;

  void Exercise(double scale, uint32_t maxBlock);
  static double DelayPointScale(int point);
  double MeasureDelay(double scale, uint32_t maxBlock);
  void MeasureDelays(uint32_t rate, uint32_t maxBlock, double minScale, double maxScale);

  const Engine engine_;
  std::unique_ptr<RubberBand::RubberBandStretcher> stretcher_;
  std::array<double, kDelayPoints> delays_{};
};

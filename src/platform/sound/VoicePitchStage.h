// The keylock stage of a voice: it sits between the resampler and the gains
// and shifts the resampled sound in pitch by the inverse of the speed-up, so
// the tempo follows the rate while the key stays. The resampler keeps its
// arithmetic and runs a little ahead; the stage remembers which source
// position each frame it hands out came from, so the heard position stays exact.
//
// Built (and everything allocated) on a control thread; used by the audio
// thread alone from then on, where no call allocates, locks or waits.
#pragma once
#include <array>
#include <cstdint>

#include "platform/rubberband/PitchShifter.h"

class TVoicePitchStage {
 public:
  // Input frames given to the shifter at once at most, and at least (fewer,
  // larger feeds cost less per frame and keep the table of runs short).
  static constexpr uint32_t kBlockFrames = 512;
  static constexpr uint32_t kMinFeedFrames = 64;

  TVoicePitchStage(uint32_t deviceRate, PitchShifter::Engine engine);
  PitchShifter::Engine Engine() const { return shifter_.Kind(); }

  // A new run of playing starts `fraction` (32.32, below one frame) after
  // the run's first source frame: forgets the last run and pads the start.
  void Restart(uint64_t fraction, double pitchScale);
  // Sets the shift for the input the shifter works on next: it undoes the
  // step that input was resampled at, so a bend stays in key while the
  // input already given plays out. `unityStep` is the step of no speed-up.
  void FollowRate(uint64_t unityStep);

  // How many resampled frames to give next (at most kBlockFrames), and where.
  uint32_t FramesWanted() const;
  float* InputLeft() { return inputLeft_.data(); }
  float* InputRight() { return inputRight_.data(); }
  // Feeds a block of the silence that leads a run; 0 once it is all fed,
  // else how many frames it fed.
  uint32_t FeedPadding();
  // Passes on `frames` frames written at InputLeft/InputRight, resampled from
  // source positions `step` apart (32.32), once the padding is fed.
  void Feed(uint32_t frames, uint64_t step);
  // Up to `frames` interleaved stereo frames of output, the start delay
  // dropped first; returns how many it wrote.
  uint32_t Take(float* heard, uint32_t frames);
  // Source position, 32.32 frames from the run's first frame, of the next
  // frame Take gives.
  uint64_t HeardSource() const;
  // True once the run has given out sound.
  bool Sounding() const { return taken_ > 0; }

  // Keylock shifts back what a rate speeds up; beyond two octaves either way
  // the shift would sound nothing like the track.
  static constexpr double kMinPitchScale = 0.25, kMaxPitchScale = 4.0;

 private:
  // A stretch of input resampled at one step: frame `fedIndex` of the run's
  // input came from `source`.
  struct Stretch {
    uint64_t fedIndex = 0;
    uint64_t source = 0;
    uint64_t step = 0;
  };
  // Input runs ahead of output by what the shifter holds (its window, a few
  // thousand frames); a new stretch starts only where the step changed, and
  // this many of at least kMinFeedFrames each cover that with room to spare.
  static constexpr uint32_t kStretches = 128;

  const Stretch& StretchOf(uint64_t fedIndex) const;

  PitchShifter shifter_;
  std::array<float, kBlockFrames> inputLeft_{}, inputRight_{}, outLeft_{}, outRight_{};
  const std::array<float, kBlockFrames> silence_{};
  std::array<Stretch, kStretches> stretches_{};
  uint32_t newest_ = 0;        // index of the latest stretch
  uint64_t fed_ = 0;           // input frames given in this run, padding excluded
  uint64_t fedSource_ = 0;     // source position of the next input frame
  uint64_t taken_ = 0;         // output frames handed out in this run
  uint32_t padLeft_ = 0;       // silent frames still to feed
  uint32_t delayLeft_ = 0;     // output frames still to drop
  double runDelay_ = 0;        // the shifter's delay when the run started
};

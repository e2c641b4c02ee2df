// A voice whose rate is set period by period on the audio thread, rather
// than by its frequency: beat sync, which must see each period as it is mixed.
#pragma once
#include <cstdint>

// What the mixer tells a follower of one mix of its voice.
struct TVoicePeriod {
  // The output's own count of frames at the mix's first frame: it runs on
  // through periods the output played without a mix (an overrun).
  double outputFrame;
  uint32_t frames;         // output frames of this mix
  uint32_t deviceRate;     // Hz
  uint32_t latencyFrames;  // output frames from mixing to being heard
  // The source's own frame number (see SetSourceOrigin) that the mix's first
  // output frame plays.
  double sourceFrame;
  bool playing;
  bool seeked;  // the mix starts where a seek put the voice
  bool keylocked;  // plays through keylock: its rate changes the tempo, not the key
};

// What the follower asks of the mix.
struct TVoicePlan {
  double frequency = 0;     // Hz for this mix; 0 keeps the voice's own
  uint32_t holdFrames = 0;  // output frames kept silent before a start is heard
  // Output frames played into nothing before this mix: what the output lost
  // in an overrun is made up at once, since its sound is gone anyway.
  uint32_t skipFrames = 0;
};

class TVoiceRateFollower {
 public:
  // Audio thread, once per mix of the voice, playing or not: never blocks,
  // never allocates.
  virtual TVoicePlan PlanPeriod(const TVoicePeriod& period) = 0;

 protected:
  ~TVoiceRateFollower() = default;
};

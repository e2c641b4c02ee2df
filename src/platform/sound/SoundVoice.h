// One sound buffer as the mixer sees it: its memory and the state shared
// between the threads that control it and the audio thread that plays it.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound/RateFollower.h"
#include "platform/wave/WaveFormat.h"

class TVoicePitchStage;

// The gain stage of a voice: each side heard as a weighted sum of the two
// source channels, so that volume, pan and a channel mix are one step.
struct TVoiceGains {
  enum { kLeftFromLeft, kLeftFromRight, kRightFromLeft, kRightFromRight };
  float of[4] = {1.0f, 0.0f, 0.0f, 1.0f};
  // True when a side takes anything from the other side's channel.
  bool Crossed() const { return of[kLeftFromRight] != 0.0f || of[kRightFromLeft] != 0.0f; }
};

struct TSoundVoice {
  static constexpr int64_t kNoSeek = -1;
  // Source frames one mixing step may read; a step mixes fewer output frames
  // when the pitch is high, so that this bound holds at any rate.
  static constexpr int kScratchFrames = 4096;
  // Frames before the mix position kept from the last mix: the kernel reads
  // them again, and the writer may already be refilling that part of the buffer.
  static constexpr int kHistoryFrames = 1024;

  // Memory starts as silence of the format. `format` must be a valid PCM format.
  TSoundVoice(const TPCMWaveFormat& format, uint32_t bytes);

  // Fixed from creation on.
  const TPCMWaveFormat format;
  const uint32_t bytes;
  const uint32_t frames;
  std::unique_ptr<uint8_t[]> memory;

  // Written by control threads, read by the mixer.
  std::atomic<bool> playing{false};
  std::atomic<bool> looping{false};
  std::atomic<uint32_t> frequency;  // Hz
  std::atomic<float> gainLeft{1.0f};
  std::atomic<float> gainRight{1.0f};
  std::atomic<uint32_t> channelMix{0};      // DSBMIX_* of the sound-buffer API
  std::atomic<int64_t> seekFrame{kNoSeek};  // a play position the mixer has yet to take
  std::atomic<uint32_t> unlocks{0};         // bytes written before an Unlock are seen by the next mix
  // Keylock: the pitch stage the voice plays through, null when off. Whoever
  // replaces it waits for a running mix to end before freeing the old one.
  std::atomic<TVoicePitchStage*> keylock{nullptr};
  // Sets the rate of each mix instead of `frequency`, null when none. Whoever
  // replaces it waits for a running mix to end before freeing the old one.
  std::atomic<TVoiceRateFollower*> follower{nullptr};
  // The source's own number of the frame the buffer's frame 0 holds: written
  // before a seek, taken with it, so that a follower knows what it hears.
  std::atomic<int64_t> sourceOrigin{0};

  // Written by the mixer, read by control threads.
  std::atomic<uint32_t> heardFrame{0};  // frame being heard now
  std::atomic<uint32_t> mixedFrame{0};  // first frame not yet mixed

  // The mixer's own.
  uint64_t position = 0;     // 32.32 fixed point, frames; wrapped into the buffer while looping
  uint32_t anchorFrame = 0;  // where the current run of playing started
  int64_t framesSinceAnchor = 0;
  bool wasPlaying = false;
  TVoiceGains lastGains;  // reached at the end of the last mix
  std::vector<float> scratchLeft, scratchRight;
  std::vector<float> historyLeft, historyRight;
  int historyCount = 0;     // 0 after a jump or a new start
  TVoicePitchStage* stage = nullptr;  // the keylock stage this run plays through
  uint64_t stageHeard = 0;            // 32.32, the position the stage gives out next
  uint64_t historyEnd = 0;  // the frame the history leads up to
  int64_t origin = 0;       // sourceOrigin as of the last seek
  uint64_t laps = 0;        // frames of the whole passes through a looping buffer since the last seek
  uint64_t anchorLaps = 0;  // laps where the current run started

  // The play position a reader should see: a pending seek counts at once.
  uint32_t PlayFrame() const {
    int64_t seek = seekFrame.load(std::memory_order_acquire);
    return seek != kNoSeek ? uint32_t(seek) : heardFrame.load(std::memory_order_acquire);
  }
};

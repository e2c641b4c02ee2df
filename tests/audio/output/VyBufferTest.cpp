// The streaming buffer's polling rules on the null output, with the play
// cursor moved by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "BufferFixture.h"
#include "foundation/OzoError.h"
#include "support/AllocationCount.h"

namespace {
struct Recorder : TDSPTAG {
  explicit Recorder(uint32_t wants = 0) : wants(wants) {}
  uint32_t wants;
  std::vector<std::string> calls;
  std::vector<uint32_t> positions, valid;
  void Attach(TOzoSoundBufferTAG*, uint32_t) override { calls.push_back("Attach"); }
  void Detach() override { calls.push_back("Detach"); }
  std::string first;  // the bytes of the first block processed
  void Process(void* data, uint32_t, uint32_t position, uint32_t size, uint32_t validBytes) override {
    if (first.empty()) first.assign(static_cast<const char*>(data), size);
    calls.push_back("Process");
    positions.push_back(position);
    valid.push_back(validBytes);
  }
  uint32_t Capabilities() override { return wants; }
  void Restart(uint32_t ms) override { calls.push_back("Restart " + std::to_string(ms)); }
  void VolumeChanged(unsigned v) override { calls.push_back("Volume " + std::to_string(v)); }
  void PanChanged(int p) override { calls.push_back("Pan " + std::to_string(p)); }
};

struct PolledBuffer : StreamingBuffer {
  void SetUp() override { OpenOutput("null"); }
  // A four-chunk ring of 16-bit stereo 44.1 kHz, restarted at 0, not playing.
  void LoadFourChunks() {
    WavLayout layout{.data = PatternBytes(kChunk * 10)};
    Load(layout);
    ASSERT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, 4 * kChunk), 0);
    buffer_.RequestRestart(0, 0);
    buffer_.Refill();
  }
};
}  // namespace

TEST_F(PolledBuffer, WritesOnlyWhileMoreThanAChunkIsFree) {
  LoadFourChunks();
  EXPECT_EQ(buffer_.WriteCursor, 2 * kChunk) << "the restart writes chunk 0, then chunk 1 follows";
  buffer_.Refill();
  EXPECT_EQ(buffer_.WriteCursor, 3 * kChunk);
  buffer_.Refill();
  EXPECT_EQ(buffer_.WriteCursor, 3 * kChunk) << "exactly one chunk free is not enough";
  EXPECT_EQ(buffer_.WritableBytes, kChunk);

  buffer_.SetPlayPosition(3 * kChunk);  // cursor meets the write cursor: all of it is free
  buffer_.Refill();
  EXPECT_EQ(buffer_.WritableBytes, 4 * kChunk);
  EXPECT_EQ(buffer_.WriteCursor, 4 * kChunk);
  buffer_.SetPlayPosition(kChunk + 8);
  buffer_.Refill();
  EXPECT_EQ(buffer_.WriteCursor, kChunk) << "wrapped round to the start";
}

TEST_F(PolledBuffer, PlayedBytesCountAcrossTheWrap) {
  LoadFourChunks();
  buffer_.TakePlayedBytes();
  buffer_.SetPlayPosition(4 * kChunk - 100);
  buffer_.Refill();
  EXPECT_EQ(buffer_.TakePlayedBytes(), 4 * kChunk - 100);
  buffer_.SetPlayPosition(200);
  buffer_.Refill();
  EXPECT_EQ(buffer_.TakePlayedBytes(), 300u);
  EXPECT_EQ(buffer_.TakePlayedBytes(), 0u);
}

TEST_F(PolledBuffer, RefillAllocatesNothing) {
  LoadFourChunks();
  Recorder watcher;
  uint32_t cursor = 0;
  AllocationCount allocations;
  for (int step = 0; step < 40; ++step) {
    cursor = (cursor + kChunk / 2) % (4 * kChunk);
    buffer_.SetPlayPosition(cursor);
    buffer_.Refill();
  }
  EXPECT_EQ(allocations.Seen(), 0);
  EXPECT_GT(buffer_.TakePlayedBytes(), 0u) << "the cursor did move";
}

TEST_F(PolledBuffer, BadSizesAreReportedAndLeaveTheBufferUsable) {
  Load({.data = PatternBytes(kChunk)});
  EXPECT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, 3 * kChunk + 4), -1);
  EXPECT_THAT(GetLastErrorText(), ::testing::MatchesRegex("VyBuffer: Bad config data \\(VyBuffer\\.cpp [0-9]+\\)"));
  EXPECT_EQ(buffer_.Valid, 0);
  EXPECT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, 3 * kChunk), 0);
}

TEST_F(PolledBuffer, ProcessorsHearWhatTheyAskFor) {
  Recorder silent(0), all(kDspWantsVolume | kDspWantsPan | kDspWantsRestart);
  buffer_.AddProcessor(&silent);
  buffer_.AddProcessor(&all);
  Load({.data = PatternBytes(kChunk + 512)});
  buffer_.RequestRestart(0, 0);
  buffer_.Refill();
  buffer_.Refill();
  buffer_.SetVolume(60);
  buffer_.Mute();
  buffer_.SetVolume(30);  // while muted: the mute level is what is heard
  buffer_.Unmute();       // and then the volume set meanwhile
  buffer_.SetPan(-20);
  buffer_.Release();
  EXPECT_THAT(silent.calls, ::testing::ElementsAre("Attach", "Process", "Process", "Process", "Detach"));
  EXPECT_THAT(all.calls,
              ::testing::ElementsAre("Attach", "Restart 0", "Volume 100", "Pan 0", "Restart 0", "Process", "Process",
                                     "Process", "Volume 60", "Volume 0", "Volume 0", "Volume 30", "Pan -20", "Detach"));
  EXPECT_THAT(all.positions, ::testing::ElementsAre(0u, kChunk, 2 * kChunk));
  EXPECT_THAT(all.valid, ::testing::ElementsAre(kChunk, 512u, 0u)) << "decoded bytes, the rest padding";
}

// A seek that lands before the asked place, as MPEG seeking does, skips
// bytes that are never heard: the processors see them silent.
TEST_F(PolledBuffer, ARestartsSkippedBytesReachTheProcessorsSilent) {
  struct LandingEarly : TOzoWAVTAG {
    int Seek(unsigned ms, unsigned* skip) override {
      const int result = TOzoWAVTAG::Seek(ms, skip);
      *skip = 4000;
      return result;
    }
  } early;
  Recorder seen;
  buffer_.AddProcessor(&seen);
  Load({.data = PatternBytes(2 * kChunk)});
  ASSERT_EQ(early.Open(dir_.File("song.wav").c_str(), 0), 0);
  config_.decoder = &early;
  ASSERT_EQ(buffer_.Configure(&device_, &early.Format, &config_, 4 * kChunk), 0);
  buffer_.RequestRestart(0, 0);
  buffer_.Refill();
  buffer_.Release();  // before the processor and the decoder go
  EXPECT_EQ(seen.first.substr(0, 4000), std::string(4000, '\0'));
  EXPECT_EQ(seen.first.substr(4000, 64), PatternBytes(2 * kChunk).substr(4000, 64)) << "the rest as decoded";
}

TEST_F(PolledBuffer, TwentyProcessorsAtMost) {
  std::vector<Recorder> processors(21);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(buffer_.AddProcessor(&processors[size_t(i)]), 1);
  EXPECT_EQ(buffer_.AddProcessor(&processors[20]), 0);
  EXPECT_EQ(buffer_.ProcessorCount, 20u);
}

TEST_F(PolledBuffer, LoopIsHeldOnceAndReleasedOnlyWhenHeld) {
  LoadFourChunks();
  buffer_.ReleaseLoop();
  EXPECT_EQ(buffer_.LoopMode, 0);
  buffer_.HoldLoop(500);
  buffer_.Refill();
  EXPECT_FALSE(buffer_.RestartPending);
  buffer_.HoldLoop(900);
  EXPECT_FALSE(buffer_.RestartPending) << "a second hold requests nothing";
  EXPECT_EQ(buffer_.RestartPosition, 500u);
  EXPECT_EQ(buffer_.LoopBytes, 35280u) << "200 ms at 176400 bytes per second";
}

// Open replaces a decoder's state without the lock Decode takes: a checked
// build stops a caller that opens a file while a buffer reads the decoder,
// and lets it once the buffer has let go.
TEST_F(PolledBuffer, OpeningTheDecoderItReadsAborts) {
#if !defined(VYS_CHECKED)
  GTEST_SKIP() << "the checks are compiled into debug and sanitizer builds";
#else
  LoadFourChunks();
  const std::string song = dir_.File("song.wav");
  EXPECT_DEATH(decoder_.Open(song.c_str(), 0), "a decoder opens a file only while no buffer reads it");
  buffer_.Release();
  EXPECT_EQ(decoder_.Open(song.c_str(), 0), 0);
#endif
}

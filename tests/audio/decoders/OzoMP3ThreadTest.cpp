#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "foundation/OzoError.h"
#include "support/Mp3Fixtures.h"

// The player thread decodes and seeks while the window's thread closes the
// stream: the lock makes Close wait, and the player then hears "no file".
TEST(Mp3DecoderThreads, CloseDuringPlaybackStopsThePlayerCleanly) {
  TOzoMP3TAG mp3;
  ASSERT_EQ(mp3.Open(Mp3Fixture("cbr128.mp3").c_str(), 0), 0);
  std::atomic<int> chunks{0};
  std::string lastError;
  std::thread player([&] {
    std::vector<char> chunk(8 * mp3.BlockSize);
    unsigned decoded = 0, skip = 0;
    for (unsigned round = 0;; ++round) {
      if (round % 16 == 15 && mp3.Seek(round * 10 % 4000, &skip) != 0) break;
      if (mp3.Decode(chunk.data(), 8, &decoded) != 0) break;
      chunks.fetch_add(1);
    }
    lastError = GetLastErrorText();
  });
  while (chunks.load() < 20) std::this_thread::yield();
  mp3.Close();
  player.join();
  EXPECT_THAT(lastError, ::testing::AnyOf(::testing::StartsWith("MP3 decoder: No open file"),
                                          ::testing::StartsWith("MP3 decoder: No open stream")));
}

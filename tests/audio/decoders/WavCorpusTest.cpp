// Every file of the public WAVE corpus either opens with the right format and
// duration or fails with the designed message; none crashes or hangs.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "audio/decoders/OzoWAV.h"
#include "foundation/OzoError.h"
#include "support/TempDir.h"

namespace {
#include "WavCorpusExpectations.inc"

// The decoder's view of a file: "ch/rate/bits/ms" when it opens, else the message.
std::string Outcome(const std::string& path) {
  TOzoWAVTAG decoder;
  if (!decoder.CanOpen(path.c_str())) return "not claimed";
  if (decoder.Open(path.c_str(), 0) != 0) {
    std::string line = GetLastErrorText();
    return line.substr(0, line.rfind(" ("));
  }
  const TPCMWaveFormat& f = decoder.Format;
  // Decode to the end: whatever the header claims, this must terminate.
  std::string buffer(128 * 256, '\0');
  unsigned got = 0;
  size_t blocks = 0;
  do {
    decoder.Decode(buffer.data(), 256, &got);
    blocks += got;
  } while (got == 256);
  EXPECT_LE(blocks * 128, decoder.DataSize) << path;
  return std::to_string(f.nChannels) + "/" + std::to_string(f.nSamplesPerSec) + "/" + std::to_string(f.wBitsPerSample) +
         "/" + std::to_string(decoder.Duration);
}
}  // namespace

TEST(WavCorpus, EveryFileOpensRightOrFailsWithTheDesignedMessage) {
  std::string root = CorpusDir("wav/wavefile_rb/wave");
  if (root.empty()) GTEST_SKIP() << "public WAVE corpus not present";
  size_t checked = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".wav") continue;
    std::string relative = std::filesystem::relative(entry.path(), root).string();
    auto expected = kExpected.find(relative);
    ASSERT_NE(expected, kExpected.end()) << "no expectation for " << relative;
    EXPECT_EQ(Outcome(entry.path().string()), expected->second) << relative;
    ++checked;
  }
  EXPECT_EQ(checked, kExpected.size());
}

// Every file of the public WAVE corpus either opens with the right format and
// duration or fails with the designed message; none crashes or hangs. The
// files the WAV decoder leaves out go to the sound file decoder, as in the deck.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "audio/decoders/OzoSND.h"
#include "audio/decoders/OzoWAV.h"
#include "foundation/OzoError.h"
#include "support/TempDir.h"

namespace {
#include "WavCorpusExpectations.inc"

std::string Shape(const TVyPlayerTAG& decoder) {
  const TPCMWaveFormat& f = decoder.Format;
  return std::to_string(f.nChannels) + "/" + std::to_string(f.nSamplesPerSec) + "/" + std::to_string(f.wBitsPerSample) +
         "/" + std::to_string(decoder.Duration);
}

// What the message line says, without its source place.
std::string LastMessage() {
  std::string line = GetLastErrorText();
  return line.substr(0, line.rfind(" ("));
}

// The sound file decoder's view, marked "wide": the same, decoded to the end.
std::string WideOutcome(const std::string& path) {
  TOzoSNDTAG decoder;
  if (!decoder.CanOpen(path.c_str())) return "not claimed";
  if (decoder.Open(path.c_str(), 0) != 0) return "wide: " + LastMessage();
  std::string buffer(decoder.BlockSize * 16, '\0');
  unsigned got = 0;
  uint64_t blocks = 0;
  do {
    EXPECT_EQ(decoder.Decode(buffer.data(), 16, &got), 0) << path;
    blocks += got;
  } while (got == 16);
  EXPECT_EQ(blocks, (decoder.Frames + TOzoSNDTAG::kBlockFrames - 1) / TOzoSNDTAG::kBlockFrames) << path;
  return "wide: " + Shape(decoder);
}

// The decoder's view of a file: "ch/rate/bits/ms" when it opens, else the message.
std::string Outcome(const std::string& path) {
  TOzoWAVTAG decoder;
  if (!decoder.CanOpen(path.c_str())) return WideOutcome(path);
  if (decoder.Open(path.c_str(), 0) != 0) return LastMessage();
  // Decode to the end: whatever the header claims, this must terminate.
  std::string buffer(128 * 256, '\0');
  unsigned got = 0;
  size_t blocks = 0;
  do {
    decoder.Decode(buffer.data(), 256, &got);
    blocks += got;
  } while (got == 256);
  EXPECT_LE(blocks * 128, decoder.DataSize) << path;
  return Shape(decoder);
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

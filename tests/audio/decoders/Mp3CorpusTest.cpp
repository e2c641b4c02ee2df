// The public MPEG conformance streams and tagged files, when they are present.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "audio/decoders/MpegFrameWalk.h"
#include "foundation/OzoError.h"
#include "support/Mp3Fixtures.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using ::testing::StartsWith;

namespace {
// Full accuracy of the conformance standard: no output sample more than 2^-14
// of full scale (2 steps of 16 bits) away from the reference.
constexpr int kMaxSampleError = 2;

// A layer III reference ends a frame or two before the decoder's output;
// layer I and II references run on past the end with padding. Compare what
// both hold, and for layer I/II no more than the stream's frames.
struct Comparison {
  size_t samples = 0;
  int maxError = 0;
};
Comparison Compare(const std::string& pcm, const std::string& reference, size_t outputOffset) {
  Comparison result;
  const size_t count = std::min(pcm.size() - std::min(pcm.size(), outputOffset), reference.size()) / 2;
  for (size_t i = 0; i < count; ++i) {
    int16_t a, b;
    std::memcpy(&a, pcm.data() + outputOffset + 2 * i, 2);
    std::memcpy(&b, reference.data() + 2 * i, 2);
    result.maxError = std::max(result.maxError, std::abs(int(a) - int(b)));
  }
  result.samples = count;
  return result;
}

std::string Decode(const std::string& file, unsigned* frames) {
  TOzoMP3TAG mp3;
  if (mp3.Open(file.c_str(), 0) != 0) return "";
  std::string pcm = DecodeToEnd(mp3);
  *frames = unsigned(pcm.size() / mp3.BlockSize);
  return pcm;
}
}  // namespace

TEST(Mp3Conformance, EveryStreamDecodesToItsReferenceAndTheWalkCountsItsFrames) {
  const std::string dir = CorpusDir("mpeg");
  if (dir.empty()) GTEST_SKIP() << "no conformance streams";
  // l3-he_mode switches between mono and stereo in mid-stream; one output
  // layout cannot match a reference that switches too.
  const std::string kLayoutSwitching = "l3-he_mode";
  // This reference starts two frames (2 x 1152 stereo samples) later in
  // the stream than the decoder's output.
  const std::map<std::string, size_t> kOutputOffset = {{"l3-sin1k0db", 2 * 1152 * 4}};
  int streams = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".bit") continue;
    const std::string stem = entry.path().stem().string();
    SCOPED_TRACE(stem);
    ++streams;
    unsigned frames = 0;
    const std::string pcm = Decode(entry.path().string(), &frames);
    const unsigned walked = CountMpegFrames(entry.path().c_str());
    if (pcm.empty() && walked < TOzoMP3TAG::kMinFrames) {  // refused by design
      EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: Stream too short (" + std::to_string(walked)));
      continue;
    }
    ASSERT_FALSE(pcm.empty()) << GetLastErrorText();
    // The walk also counts a last frame that the end of the file cuts off;
    // the library cannot decode that one.
    if (stem != "l3-he_free") {
      EXPECT_THAT(walked - frames, ::testing::AnyOf(0u, 1u)) << walked;
    }
    if (stem == kLayoutSwitching) continue;
    const std::string reference = ReadFileBytes(dir + "/" + stem + ".pcm");
    const auto offset = kOutputOffset.find(stem);
    const Comparison c = Compare(pcm, reference, offset == kOutputOffset.end() ? 0 : offset->second);
    EXPECT_GE(c.samples * 2, std::min(pcm.size(), reference.size()) * 9 / 10);
    EXPECT_LE(c.maxError, kMaxSampleError);
  }
  EXPECT_GT(streams, 20);
}

TEST(Mp3TaggedFiles, OpenOrFailWithADesignedMessageAndShowTheirTagTitles) {
  const std::string dir = CorpusDir("mp3_tags");
  if (dir.empty()) GTEST_SKIP() << "no tagged files";
  // One file per kind of tag; a tag that is damaged or cut short still
  // leaves the fields read before it.
  const std::map<std::string, std::string> kTitles = {
      {"id3v22-test.mp3", "Anais Mitchell - cosmic american"},
      {"bad-TYER-frame.mp3",
       "From 1.01 To 1.02 - This track has an invalid TYER frame, that used to be able to break Mutagen"},
      {"silence-44-s-v1.mp3", "piman - Silence"},
      {"ape.mp3", "Title"},
      {"duplicate_id3v2.mp3", "ArtistXXXX - TitleXXXX"},
      {"garbage.mp3", "Artist A - Title A"},
  };
  int files = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(entry.path().string());
    ++files;
    for (unsigned flags : {0u, kOpenExactLength}) {
      TOzoMP3TAG mp3;
      const auto title = kTitles.find(name);
      if (mp3.Open(entry.path().c_str(), flags) != 0) {
        EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: "));
        continue;
      }
      if (title != kTitles.end()) {
        EXPECT_STREQ(mp3.GetTitle(), title->second.c_str());
      }
      unsigned skip = 0;
      EXPECT_EQ(mp3.Seek(mp3.Duration / 2, &skip), 0);
      DecodeToEnd(mp3);
    }
  }
  EXPECT_GT(files, 40);
}

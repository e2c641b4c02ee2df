#include "foundation/OzoRepeat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using ::testing::ElementsAre;

namespace {
const std::string kLost = "OzoSoundBuffer: Error grave en Lock [DSERR_BUFFERLOST] (OzoDS.cpp 182)";
const std::string kDecode = "MP3 decoder: Error decoding frame [XA_ERROR_INVALID_FRAME] (OzoMP3.cpp 90)";
constexpr int64_t kEveryMs = 250;  // four times a second, as a player's refills fail

struct RepeatFilter : ::testing::Test {
  int64_t nowMs = 0;
  std::vector<std::string> written;
  TOzoRepeatFilter filter{{[this] { return nowMs; }, 1000}, [this](const char* line) { written.push_back(line); }};

  // Each of `lines`, in turn, `times` over, with the flush a player runs between.
  void Repeat(const std::vector<std::string>& lines, int times) {
    for (int i = 0; i < times; ++i) {
      for (const std::string& line : lines) filter.Pass(line.c_str());
      nowMs += kEveryMs;
      filter.Flush();
    }
  }
  static std::string Count(const std::string& line, int repeats) {
    return line + " ... repeated " + std::to_string(repeats) + " times";
  }
};
}  // namespace

TEST_F(RepeatFilter, LinesRepeatedInTurnAreWrittenOnceThenCountedWhenTheyStop) {
  Repeat({kLost, kDecode}, 12);
  EXPECT_THAT(written, ElementsAre(kLost, kDecode));

  nowMs += TOzoRepeatFilter::kQuietMs;
  filter.Flush();
  EXPECT_THAT(written, ElementsAre(kLost, kDecode, Count(kLost, 11), Count(kDecode, 11)));

  filter.Pass(kLost.c_str());
  EXPECT_EQ(written.back(), kLost) << "a fault that comes back is written anew";
}

TEST_F(RepeatFilter, RepeatsThatGoOnAreCountedOnceAMinute) {
  Repeat({kLost}, 600);  // 150 s
  filter.FlushAll();
  EXPECT_THAT(written, ElementsAre(kLost, Count(kLost, 239), Count(kLost, 240), Count(kLost, 120)));
}

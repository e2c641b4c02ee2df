// vys --analyze: a music folder analysed into the cache without a window.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/AudioAnalysis.h"
#include "support/ChildProcess.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

// Tracks in folders below the one named are found, other files passed over;
// each gets one "BPM  LUFS  path" line, and the cache then knows them all.
TEST(AnalyzeCommand, AnalysesAFolderTreeWithoutADisplayAndFillsTheCache) {
  TempDir music, cacheHome;
  ScopedEnvironment cache("XDG_CACHE_HOME", cacheHome.Path());
  ScopedEnvironment noDisplay("DISPLAY", "");
  ScopedEnvironment noWayland("WAYLAND_DISPLAY", "");
  std::filesystem::create_directories(music.File("crate/deeper"));
  const std::string tone = MakeWav({.data = PcmBytes(DitheredSine(440, 44100, 3 * 44100, 0.5, 2))});
  WriteFileBytes(music.File("a.wav"), tone);
  WriteFileBytes(music.File("crate/deeper/b.wav"), tone);
  WriteFileBytes(music.File("crate/notes.txt"), "not a track");
  for (int run = 0; run < 2; ++run) {
    ChildProcess vys({VYS_PATH, "--analyze", music.Path()});
    vys.WaitForLine("\x01");  // no line starts so: reads the whole output
    ASSERT_EQ(vys.WaitForExit(), 0) << "run " << run;
    std::vector<std::string> results;
    for (const std::string& line : vys.Lines())
      if (std::regex_match(line, std::regex(R"( *[0-9]+\.[0-9]{2}  +-?[0-9]+\.[0-9]  .*)"))) results.push_back(line);
    ASSERT_EQ(results.size(), 2u) << "run " << run;
    EXPECT_NE(results[0].find(music.File("a.wav")), std::string::npos);
    EXPECT_NE(results[1].find(music.File("crate/deeper/b.wav")), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::exists(cacheHome.File("vy-system/analysis.sqlite")));
}

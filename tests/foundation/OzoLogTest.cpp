#include "foundation/OzoLog.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "foundation/OzoError.h"
#include "platform/kernel/KernelProcess.h"
#include "support/TempDir.h"

namespace {
struct LogFile : ::testing::Test {
  TempDir dir;
  std::string path = dir.File("vys.log");
  void SetUp() override { SetLogPath(path); }
  void TearDown() override {
    LogStop();
    SetLogPath("");
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};
}  // namespace

TEST_F(LogFile, RepeatedReportIsWrittenOnceAndCountedByTheEnd) {
  LogStart();
  for (int i = 0; i < 5; ++i) ReportError("/src/audio/output/OzoDS.cpp", 182, kReport, "OzoSoundBuffer: lost");
  LogStop();
  EXPECT_EQ(ReadFileBytes(path),
            "--------- VYS log start ----------\n"
            "OzoSoundBuffer: lost (OzoDS.cpp 182)\n"
            "OzoSoundBuffer: lost (OzoDS.cpp 182) ... repeated 4 times\n"
            "--------- VYS log end\n"
            "\n");
}

TEST_F(LogFile, HoldsBannersReportsAndWindowLinesInOrder) {
  LogStart();
  LogStart();  // a second start writes no second banner
  ReportError("/src/audio/output/VyBuffer.cpp", 77, kReport, "VyBuffer: Bad config data");
  ReportError("/src/audio/output/VyBuffer.cpp", 78, kPassOn, "passed on, not logged");
  LogPrintf("> Open %i file(s)", 3);
  LogStop();
  ReportError("/src/deck/VySong.cpp", 5, kReport, "after the end");

  EXPECT_EQ(ReadFileBytes(path),
            "--------- VYS log start ----------\n"
            "VyBuffer: Bad config data (VyBuffer.cpp 77)\n"
            "> Open 3 file(s)\n"
            "--------- VYS log end\n"
            "\n");
  EXPECT_STREQ(GetLastErrorText(), "after the end (VySong.cpp 5)");
}

TEST_F(LogFile, StopWithoutStartWritesNothing) {
  LogStop();
  LogLine("ignored while off");
  EXPECT_FALSE(LogIsOn());
  EXPECT_EQ(access(path.c_str(), F_OK), -1);
}

TEST_F(LogFile, UnwritableLogLosesTheLineButStaysOn) {
  SetLogPath(dir.File("missing-folder/vys.log"));
  LogStart();
  ReportError("/x/OzoWAV.cpp", 1, kReport, "lost");
  EXPECT_TRUE(LogIsOn());
  SetLogPath(path);
  ReportError("/x/OzoWAV.cpp", 2, kReport, "kept");
  EXPECT_EQ(ReadFileBytes(path), "kept (OzoWAV.cpp 2)\n");
}

TEST_F(LogFile, DefaultsToTheProgramFolder) {
  SetLogPath("");
  EXPECT_EQ(LogPath(), GetProgramDirectory() + "vys.log");
  char exe[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  std::string exePath(exe);
  EXPECT_EQ(LogPath(), exePath.substr(0, exePath.rfind('/')) + "/vys.log");
}

// Several threads of one deck, and several decks sharing the program folder,
// append to one file: every line must arrive whole.
TEST_F(LogFile, ConcurrentWritersFromThreadsAndProcessesKeepLinesWhole) {
  constexpr int kThreads = 3, kLines = 300;
  LogStart();
  auto writeLines = [](int writer) {
    for (int i = 0; i < kLines; ++i)
      ReportError("/src/deck/VySystem.cpp", 900 + writer, kReport, "writer %d line %04d %s", writer, i,
                  std::string(100, char('a' + writer)).c_str());
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    writeLines(kThreads);
    _exit(0);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(writeLines, t);
  for (auto& t : threads) t.join();
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::regex whole("writer (\\d) line \\d{4} ([a-d]{100}) \\(VySystem\\.cpp 90(\\d)\\)");
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), size_t(1 + (kThreads + 1) * kLines));
  EXPECT_EQ(lines[0], "--------- VYS log start ----------");
  for (size_t i = 1; i < lines.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, whole)) << lines[i];
    int writer = std::stoi(m[1]);
    EXPECT_EQ(m[3], m[1]);
    EXPECT_EQ(m[2], std::string(100, char('a' + writer)));
  }
}

#include "foundation/OzoError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/OzoErrorNames.h"

using ::testing::MatchesRegex;

namespace {
std::vector<std::string> hookLines;
void RecordLine(const char* text) { hookLines.push_back(text); }

struct ErrorChannel : ::testing::Test {
  void SetUp() override { hookLines.clear(); }
  void TearDown() override {
    SetErrorHook(nullptr);
    SetDebugHook(nullptr);
    SetMessageBoxPresenter(nullptr);
  }
};
}  // namespace

TEST_F(ErrorChannel, ReportLineCarriesMessageSourceBaseNameAndLine) {
  ReportError("/home/build/src/audio/output/VyBuffer.cpp", 123, kReport, "VyBuffer: Bad config data");
  EXPECT_STREQ(GetLastErrorText(), "VyBuffer: Bad config data (VyBuffer.cpp 123)");

  ReportError("OzoDS.cpp", 7, kReport, "OzoAudio: [%s] code %i", "DSERR_BADFORMAT", -3);
  EXPECT_STREQ(GetLastErrorText(), "OzoAudio: [DSERR_BADFORMAT] code -3 (OzoDS.cpp 7)");
}

TEST_F(ErrorChannel, PassOnAndNullFormatChangeNothing) {
  SetErrorHook(RecordLine);
  ReportError("/x/OzoWAV.cpp", 10, kReport, "first");
  ReportError("/x/OzoWAV.cpp", 11, kPassOn, "second");
  ReportError("/x/OzoWAV.cpp", 12, kReport, nullptr);
  EXPECT_STREQ(GetLastErrorText(), "first (OzoWAV.cpp 10)");
  EXPECT_THAT(hookLines, ::testing::ElementsAre("first (OzoWAV.cpp 10)"));
}

TEST_F(ErrorChannel, OverlongMessageIsTruncatedNotOverflowed) {
  std::string huge(2000, 'x');
  ReportError("/x/VySong.cpp", 1, kReport, "%s", huge.c_str());
  std::string text = GetLastErrorText();
  EXPECT_EQ(text.size(), 499u);
  EXPECT_EQ(text.find_first_not_of('x'), std::string::npos);
}

TEST_F(ErrorChannel, MessageBoxGetsTaskModalFlagCaptionAndFormattedText) {
  static unsigned seenFlags;
  static std::string seenCaption, seenText;
  SetMessageBoxPresenter([](unsigned flags, const char* caption, const char* text) {
    seenFlags = flags;
    seenCaption = caption;
    seenText = text;
    return 7;
  });
  ReportError("/x/VyInput.cpp", 42, kReport, "VyInput: Not initialized");
  int result =
      ShowMessageBox(MB_ICONERROR, "Vy-System", "Error initializing keyboard control:\n\n%s", GetLastErrorText());
  EXPECT_EQ(result, 7);
  EXPECT_EQ(seenFlags, MB_ICONERROR | MB_TASKMODAL);
  EXPECT_EQ(seenCaption, "Vy-System");
  EXPECT_EQ(seenText, "Error initializing keyboard control:\n\nVyInput: Not initialized (VyInput.cpp 42)");

  ShowMessageBox(MB_OK, "Vy-System", nullptr);
  EXPECT_EQ(seenText, "");
}

TEST_F(ErrorChannel, DebugPrintGoesToDebugHookOnly) {
  SetDebugHook(RecordLine);
  DebugPrint("cycle %d", 5);
  EXPECT_THAT(hookLines, ::testing::ElementsAre("cycle 5"));
}

TEST_F(ErrorChannel, ConcurrentReportsNeverTearALine) {
  constexpr int kThreads = 4, kReports = 2000;
  SetErrorHook(RecordLine);  // RecordLine is unsynchronised: the report lock must serialise it
  std::atomic<bool> stopReader{false};
  std::atomic<int> tornReads{0};
  std::thread reader([&] {
    const std::regex line("thread \\d msg \\d+ \\((OzoWAV|VySong)\\.cpp \\d+\\)");
    while (!stopReader) {
      std::string text = GetLastErrorText();
      if (!text.empty() && !std::regex_match(text, line)) ++tornReads;
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([t] {
      const char* file = t % 2 ? "/a/OzoWAV.cpp" : "/b/VySong.cpp";
      for (int i = 0; i < kReports; ++i) ReportError(file, 1000 + t, kReport, "thread %d msg %d", t, i);
    });
  for (auto& w : writers) w.join();
  stopReader = true;
  reader.join();

  EXPECT_EQ(tornReads, 0);
  ASSERT_EQ(hookLines.size(), size_t(kThreads * kReports));
  std::vector<int> perThread(kThreads, 0);
  const std::regex line("thread (\\d) msg (\\d+) \\((OzoWAV|VySong)\\.cpp 100(\\d)\\)");
  for (const std::string& text : hookLines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, line)) << text;
    ASSERT_EQ(m[1], m[4]) << text;
    ++perThread[std::stoi(m[1])];
  }
  for (int count : perThread) EXPECT_EQ(count, kReports);
}

TEST(ResultCodeNames, ListedCodesHaveTheirPublishedNames) {
  EXPECT_STREQ(XAudioErrorName(0), "XA_SUCCESS");
  EXPECT_STREQ(XAudioErrorName(-104), "XA_ERROR_VERSION_EXPIRED");
  EXPECT_STREQ(XAudioErrorName(-214), "XA_ERROR_FTP_FAILURE");
  EXPECT_STREQ(XAudioErrorName(-308), "XA_ERROR_POST_FAILED");
  EXPECT_STREQ(XAudioErrorName(-508), "XA_ERROR_UNSUPPORTED_INPUT");
  EXPECT_STREQ(XAudioErrorName(-511), "XA_ERROR_DEVICE_BUSY");
  EXPECT_STREQ(XAudioErrorName(-513), "XA_ERROR_NO_SUCH_FILE");
  EXPECT_STREQ(XAudioErrorName(-600), "XA_ERROR_INVALID_FRAME");
  EXPECT_STREQ(XAudioErrorName(-801), "XA_ERROR_ENVIRONMENT_TYPE_MISMATCH");
  EXPECT_STREQ(DirectSoundErrorName(0x88780064), "DSERR_BADFORMAT");
  EXPECT_STREQ(DirectSoundErrorName(0x80070057), "DSERR_INVALIDPARAM");
  EXPECT_STREQ(DirectInputErrorName(0x80070005), "DIERR_OTHERAPPHASPRIO");
  EXPECT_STREQ(DirectInputErrorName(0x800704DF), "DIERR_ALREADYINITIALIZED");
}

TEST(ResultCodeNames, UnlistedCodesGetTheFallback) {
  for (int gap : {1, -105, -215, -309, -402, -509, -510, -514, -601, -702, -802})
    EXPECT_STREQ(XAudioErrorName(gap), "(Unknown)") << gap;
  EXPECT_STREQ(DirectSoundErrorName(0x88780001), "(Unknown)");
  EXPECT_STREQ(DirectInputErrorName(0x00000003), "(Generic)");
}

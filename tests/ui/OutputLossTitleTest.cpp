// The window of a deck whose JACK server is killed and started again.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "audio/output/OzoDS.h"
#include "support/JackServer.h"

namespace {
constexpr char kJackDevice[] = "system (JACK Audio Connection Kit)";

int DeviceIndex(const std::string& description) {
  TStringList list;
  EnumerateDevices(list);
  int index = -1;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Strings(i) == description) index = i;
  FreeDeviceList(list);
  return index;
}

// Runs display ticks until the title is `title`.
bool TitleBecomes(TMainForm& form, const std::string& title) {
  return WaitUntil([&] {
    form.TimerUpdateTimer();
    return form.windowTitle().toStdString() == title;
  });
}
}  // namespace

TEST_F(MainForm, TitleShowsTheAudioErrorWhileTheOutputIsLost) {
  if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
  ScopedEnvironment systemOutput("VYS_AUDIO", "");
  JackServer server;
  ASSERT_TRUE(server.Start()) << "JACK did not come up";
  const int jack = DeviceIndex(kJackDevice);
  ASSERT_GT(jack, 0);
  ASSERT_EQ(form.FormCreate({"-sc", QString::number(jack), QString::fromStdString(Song("first.wav", 30))}), 0);
  const std::string songTitle = std::string(kSongCaptionPrefix) + "first";
  EXPECT_TRUE(TitleBecomes(form, songTitle));

  server.Kill();
  EXPECT_TRUE(TitleBecomes(form, std::string(kSongCaptionPrefix) + "(Audio error) "));
  ASSERT_TRUE(server.Start());
  EXPECT_TRUE(TitleBecomes(form, songTitle)) << "the song's title once the output is back";
}

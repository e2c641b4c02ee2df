// The window of a deck whose JACK server is killed and started again.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "support/JackServer.h"

namespace {
// Runs display ticks until the title is `title`.
bool TitleBecomes(TMainForm& form, const std::string& title) {
  return WaitUntil([&] {
    form.TimerUpdateTimer();
    return form.windowTitle().toStdString() == title;
  });
}

// The program's own deck, on the system clock with its own player thread.
class OutputLoss : public WindowTest {
 protected:
  ScopedEnvironment systemOutput{"VYS_AUDIO", ""};
  TMainForm form{SystemDecks()};
};

TEST_F(OutputLoss, TitleShowsTheAudioErrorWhileTheOutputIsLost) {
  if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
  JackServer server;
  ASSERT_TRUE(server.Start()) << "JACK did not come up";
  const int jack = FindOutputDevice(kJackSystemDevice);
  ASSERT_GT(jack, 0);
  ASSERT_EQ(form.FormCreate({"-sc", std::to_string(jack), Song("first.wav", 30)}), 0);
  const std::string songTitle = std::string(kSongCaptionPrefix) + "first";
  EXPECT_TRUE(TitleBecomes(form, songTitle));

  server.Kill();
  EXPECT_TRUE(TitleBecomes(form, std::string(kSongCaptionPrefix) + "(Audio error) "));
  ASSERT_TRUE(server.Start());
  EXPECT_TRUE(TitleBecomes(form, songTitle)) << "the song's title once the output is back";
}
}  // namespace

// The stated lock and thread rules stop a checked build (debug, sanitizers) where they
// are broken.
#include <gtest/gtest.h>

#include <thread>

#include "foundation/OzoReg.h"
#include "foundation/OzoSync.h"
#include "platform/kernel/KernelCheck.h"

TEST(CheckedLocks, OutOfOrderOrOnTheAudioThreadAborts) {
#if !defined(VYS_CHECKED)
  GTEST_SKIP() << "the checks are compiled into debug and sanitizer builds";
#else
  TOzoSync song(llSong), buffer(llBuffer), pitch(llPitch);
  {
    TOzoSyncGuard first(song), second(buffer), again(buffer);  // in order, and recursively
    EXPECT_TRUE(song.HeldHere() && buffer.HeldHere());
  }
  EXPECT_FALSE(song.HeldHere());
  EXPECT_DEATH(({ TOzoSyncGuard first(buffer), second(song); }), "engine locks are taken in their order");
  EXPECT_DEATH(({ TOzoSyncGuard first(pitch), second(song); }), "engine locks are taken in their order");
  EXPECT_DEATH(({
                 KernelRealtimeScope realtime;
                 TOzoSyncGuard lock(song);
               }),
               "the audio thread takes no engine lock");
#endif
}

TEST(CheckedThreads, TheWindowsOwnStateTouchedFromAnotherThreadAborts) {
#if !defined(VYS_CHECKED)
  GTEST_SKIP() << "the checks are compiled into debug and sanitizer builds";
#else
  TOzoRegTAG store;
  EXPECT_DEATH(std::thread([&] { store.ValueExists("Config"); }).join(), "window thread only");
#endif
}

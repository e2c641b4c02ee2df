#include "foundation/OzoThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/OzoSync.h"
#include "platform/kernel/KernelClock.h"

using namespace std::chrono;
using Clock = steady_clock;

namespace {
long ElapsedMs(Clock::time_point since) { return long(duration_cast<milliseconds>(Clock::now() - since).count()); }

// True when another thread can take the lock within a generous bound.
bool LockIsFree(TOzoSync& lock) {
  auto taken = std::make_shared<std::atomic<bool>>(false);
  std::thread taker([&lock, taken] {
    lock.Enter();
    lock.Leave();
    *taken = true;
  });
  for (int i = 0; i < 200 && !*taken; ++i) std::this_thread::sleep_for(10ms);
  if (!*taken) {
    taker.detach();  // it stays blocked: the lock was left held
    return false;
  }
  taker.join();
  return true;
}

struct PlayerLike {
  TOzoSync lock;
  std::atomic<int> cycles{0};
};

int CooperativeLoop(const std::atomic<int32_t>* stop, void* data) {
  auto* player = static_cast<PlayerLike*>(data);
  while (!*stop) {
    {
      TOzoSyncGuard guard(player->lock);
      ++player->cycles;
    }
    Sleep(20);
  }
  return 0;
}

// Ignores the flag and spends most of its time asleep holding the lock, the
// worst case for a forced end.
int StubbornLoop(const std::atomic<int32_t>*, void* data) {
  auto* player = static_cast<PlayerLike*>(data);
  for (;;) {
    player->lock.Enter();
    ++player->cycles;
    Sleep(30);
    player->lock.Leave();
    Sleep(1);
  }
}
}  // namespace

TEST(PlayerThread, CooperativeThreadEndsWithinAboutOneCycle) {
  PlayerLike player;
  auto thread = TOzoThreadTAG::StartThread(CooperativeLoop, &player);
  ASSERT_TRUE(thread->HasHandle());
  while (player.cycles < 3) std::this_thread::sleep_for(1ms);
  auto stopAt = Clock::now();
  thread.reset();
  EXPECT_LT(ElapsedMs(stopAt), 250);  // one 20 ms cycle plus scheduling slack
  EXPECT_TRUE(LockIsFree(player.lock));
}

// Works 50 ms (not a kernel sleep), then sleeps long.
int LongSleepLoop(const std::atomic<int32_t>* stop, void* data) {
  auto* player = static_cast<PlayerLike*>(data);
  while (!*stop) {
    ++player->cycles;
    std::this_thread::sleep_for(50ms);
    Sleep(10000);
  }
  return 0;
}

TEST(PlayerThread, WakeCutsALongSleepShortAndIsNeverLost) {
  PlayerLike player;
  auto thread = TOzoThreadTAG::StartThread(LongSleepLoop, &player);
  while (player.cycles < 1) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(100ms);  // asleep by now
  EXPECT_EQ(player.cycles, 1);
  auto wokenAt = Clock::now();
  thread->Wake();
  while (player.cycles < 2 && ElapsedMs(wokenAt) < 2000) std::this_thread::sleep_for(1ms);
  EXPECT_LT(ElapsedMs(wokenAt), 250);
  // Given while the thread works, the wake ends its next sleep at once.
  thread->Wake();
  while (player.cycles < 3 && ElapsedMs(wokenAt) < 2000) std::this_thread::sleep_for(1ms);
  EXPECT_LT(ElapsedMs(wokenAt), 350);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(player.cycles, 3) << "one wake ends one sleep";
  auto stopAt = Clock::now();
  thread.reset();  // the stop wakes it too
  EXPECT_LT(ElapsedMs(stopAt), 250);
}

TEST(PlayerThread, ThreadIgnoringTheFlagIsEndedAfterTheTimeoutWithoutHoldingALock) {
  PlayerLike player;
  auto thread = TOzoThreadTAG::StartThread(StubbornLoop, &player);
  while (player.cycles < 2) std::this_thread::sleep_for(1ms);
  auto stopAt = Clock::now();
  thread.reset();
  long took = ElapsedMs(stopAt);
  EXPECT_GE(took, 3000);
  EXPECT_LT(took, 3000 + 1000);
  EXPECT_TRUE(LockIsFree(player.lock));
  int cyclesAfterStop = player.cycles;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(player.cycles, cyclesAfterStop) << "the thread still runs";
}

TEST(KernelThreads, ExitCodeIsTheRoutineResultOrTheForcedCode) {
  KernelThread finishing;
  ASSERT_TRUE(finishing.Start([](void*) { return 7; }, nullptr));
  ASSERT_TRUE(finishing.WaitFor(2000));
  EXPECT_EQ(finishing.ExitCode(), 7);

  KernelThread endless;
  ASSERT_TRUE(endless.Start(
      [](void*) -> int {
        for (;;) Sleep(5);
      },
      nullptr));
  EXPECT_FALSE(endless.WaitFor(50));
  EXPECT_TRUE(endless.Terminate(-1, 1000));
  EXPECT_EQ(endless.ExitCode(), -1);
}

TEST(Locks, SyncIsRecursiveAndExcludesOtherThreads) {
  TOzoSync lock;
  lock.Enter();
  lock.Enter();
  EXPECT_EQ(KernelLocksHeld(), 2);
  lock.Leave();
  std::atomic<bool> entered{false};
  std::thread other([&] {
    lock.Enter();
    entered = true;
    lock.Leave();
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(entered);
  lock.Leave();
  other.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(KernelLocksHeld(), 0);
}

TEST(Events, AutoResetReleasesOneWaitAndThenBlocks) {
  TOzoEventTAG event;
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0)) << "the event must reset itself";
  event.Set();
  event.Reset();
  auto start = Clock::now();
  EXPECT_FALSE(event.Wait(60));
  EXPECT_GE(ElapsedMs(start), 55);

  std::thread setter([&] {
    std::this_thread::sleep_for(30ms);
    event.Set();
  });
  EXPECT_TRUE(event.Wait());
  setter.join();
}

TEST(KernelClock, CountersAdvanceWithSleep) {
  int64_t frequency = 0, before = 0, after = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency, 1000000000);
  uint32_t tickBefore = GetTickCount();
  QueryPerformanceCounter(&before);
  Sleep(30);
  QueryPerformanceCounter(&after);
  uint32_t tickAfter = GetTickCount();
  double sleptMs = double(after - before) * 1000.0 / double(frequency);
  EXPECT_GE(sleptMs, 30.0);
  EXPECT_LT(sleptMs, 1000.0);
  EXPECT_GE(tickAfter - tickBefore, 29u);
}

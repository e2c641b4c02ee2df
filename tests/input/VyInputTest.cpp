// The keyboard module on a scripted keyboard: which presses and releases a
// poll reports, and how a lost or refused device is brought back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "foundation/OzoError.h"
#include "input/VyInput.h"
#include "support/ScriptedKeyboard.h"

using ::testing::StartsWith;

namespace {
constexpr uint32_t kUp = 0;

struct Keyboard : ::testing::Test {
  ScriptedKeyboard keyboard;
  KeyScript& script = keyboard.script;

  void SetUp() override {
    ASSERT_EQ(InputStart(nullptr, 0), 0);
    SetWatchedKeys(DIK_LSHIFT, DIK_RIGHT, DIK_NUMPADENTER, 0);
  }
  void TearDown() override { InputStop(); }

  // (key, state) of each event of one poll with room for `max`.
  using Changes = std::vector<std::pair<uint32_t, uint32_t>>;
  Changes Poll(unsigned max = 50) {
    TVyKeyEvent events[50];
    int count = -1;
    EXPECT_EQ(PollKeys(events, &count, max), 0) << GetLastErrorText();
    Changes changes;
    for (int i = 0; i < count; ++i) changes.emplace_back(events[i].key, events[i].state);
    return changes;
  }
};

TEST_F(Keyboard, FirstPollAcquiresAndReportsKeysAlreadyDown) {
  script.Press(DIK_RIGHT);
  EXPECT_EQ(Poll(), (Changes{{DIK_RIGHT, kKeyDown}}));
  EXPECT_EQ(script.acquires, 1);
}

TEST_F(Keyboard, HeldKeyGivesOnePressThenOneRelease) {
  Poll();
  script.Press(DIK_NUMPADENTER);
  EXPECT_EQ(Poll(), (Changes{{DIK_NUMPADENTER, kKeyDown}}));
  EXPECT_EQ(Poll(), Changes{});
  script.Release(DIK_NUMPADENTER);
  EXPECT_EQ(Poll(), (Changes{{DIK_NUMPADENTER, kUp}}));
  EXPECT_EQ(Poll(), Changes{});
}

TEST_F(Keyboard, ChangesPastTheRoomGivenAreLostNotDeferred) {
  Poll();
  script.Press(DIK_LSHIFT);
  script.Press(DIK_RIGHT);
  script.Press(DIK_NUMPADENTER);
  EXPECT_EQ(Poll(2), (Changes{{DIK_LSHIFT, kKeyDown}, {DIK_RIGHT, kKeyDown}}));
  EXPECT_EQ(Poll(), Changes{});
}

TEST_F(Keyboard, OnlyWatchedKeysAndOnlyTheFirstFiftyOfThem) {
  SetWatchedKeys(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54,
                 55, 56, 57, 58, 59, 60, 0);
  for (uint8_t key = 1; key <= 60; ++key) script.Press(key);
  script.Press(DIK_NUMPADENTER);
  Changes changes = Poll();
  ASSERT_EQ(changes.size(), 50u);
  EXPECT_EQ(changes.front().first, 1u);
  EXPECT_EQ(changes.back().first, 50u);
}

TEST_F(Keyboard, ReacquireRefusedForPriorityStillSucceedsAndForgetsHeldKeys) {
  script.Press(DIK_RIGHT);
  Poll();
  script.acquireAnswer = E_ACCESSDENIED;
  EXPECT_EQ(Reacquire(), 0);
  script.acquireAnswer = DI_OK;
  EXPECT_EQ(Poll(), (Changes{{DIK_RIGHT, kKeyDown}}));
}

TEST_F(Keyboard, LostDeviceIsAcquiredOncePerPoll) {
  Poll();
  script.failingReads = 1;
  script.Press(DIK_LSHIFT);
  EXPECT_EQ(Poll(), (Changes{{DIK_LSHIFT, kKeyDown}}));
  EXPECT_EQ(script.acquires, 2);

  script.failingReads = 2;
  TVyKeyEvent events[50];
  int count = -1;
  EXPECT_EQ(PollKeys(events, &count, 50), -1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(script.acquires, 3);
  EXPECT_THAT(GetLastErrorText(),
              StartsWith("VyInput: Error retrieving keyboard state [DIERR_INPUTLOST] (VyInput.cpp "));
}

TEST(KeyboardNotStarted, EveryCallReportsNotInitialized) {
  TVyKeyEvent events[1];
  int count = -1;
  EXPECT_EQ(PollKeys(events, &count, 1), -1);
  EXPECT_EQ(count, 0);
  EXPECT_THAT(GetLastErrorText(), StartsWith("VyInput: Not initialized"));
  EXPECT_EQ(ReleaseHeld(events, &count, 1), -1);
  EXPECT_EQ(Reacquire(), -1);
}
}  // namespace

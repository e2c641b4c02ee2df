// The keyboard read from a real X server: every deck key typed through XTEST
// comes out as one press and one release with its scan code, under any
// layout; held keys are released on request; a server that goes away is an
// error, not the end of the program; a hot key held elsewhere is refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/OzoError.h"
#include "input/DeckKeys.h"
#include "input/VyInput.h"
#include "platform/keyboard/DesktopHotKey.h"
#include "platform/keyboard/KeySnapshotSource.h"
#include "support/ChildProcess.h"
#include "support/XvfbServer.h"

using ::testing::StartsWith;

namespace {
// Where keys sit on a pc105 keyboard: the X keycode (evdev + 8) that sends
// each scan code, known apart from the program's own mapping.
const std::map<uint8_t, int> kPc105Keycodes = {
    {0x36, 62},  {0x2A, 50}, {0x9D, 105}, {0x1D, 37}, {0xB8, 108}, {0x38, 64},  {0x1C, 36},  {0x9C, 104}, {0x52, 90},
    {0x4E, 86},  {0x4A, 82}, {0xB5, 106}, {0x37, 63}, {0xC8, 111}, {0xD0, 116}, {0xCB, 113}, {0xCD, 114}, {0xC9, 112},
    {0xD1, 117}, {0x39, 65}, {0x14, 28},  {0x32, 58}, {0x0C, 20},  {0x0D, 21},  {0x29, 49},  {0x02, 10},  {0x03, 11},
    {0x04, 12},  {0x05, 13}, {0x06, 14},  {0x07, 15}, {0x08, 16},  {0x09, 17},  {0x0A, 18},  {0x0B, 19},
    {0x30, 56},  {0x25, 45}, {0x26, 46},  {0x1F, 39},
};

// XTEST input reaches the server's key state a moment after xdotool exits.
constexpr auto kEventLimit = std::chrono::seconds(20);
constexpr auto kPollPause = std::chrono::milliseconds(2);

bool Xdotool(const char* action, const std::string& key) { return RunProgram({"xdotool", action, key}) == 0; }

// "down 0x9C, up 0x9C, " for a press and a release of keypad Enter.
std::string Describe(const std::vector<TVyKeyEvent>& events) {
  std::string text;
  char one[32];
  for (const TVyKeyEvent& event : events) {
    std::snprintf(one, sizeof one, "%s 0x%02X, ", event.state ? "down" : "up", event.key);
    text += one;
  }
  return text;
}

struct X11Keyboard : ::testing::Test {
  XvfbServer server;

  void SetUp() override {
    ASSERT_TRUE(server.Ok()) << "Xvfb did not start";
    SetKeySourceFactory(nullptr);
    ASSERT_EQ(InputStart(nullptr, 0), 0) << GetLastErrorText();
    WatchDeckKeys();
    ASSERT_EQ(PollUntil(0).size(), 0u);
  }
  void TearDown() override { InputStop(); }

  // Polls until `wanted` events have come (or the limit passes): all of them.
  std::vector<TVyKeyEvent> PollUntil(size_t wanted) {
    std::vector<TVyKeyEvent> all;
    auto deadline = std::chrono::steady_clock::now() + kEventLimit;
    do {
      TVyKeyEvent events[50];
      int count = 0;
      EXPECT_EQ(PollKeys(events, &count, 50), 0) << GetLastErrorText();
      all.insert(all.end(), events, events + count);
      if (all.size() >= wanted) break;
      std::this_thread::sleep_for(kPollPause);
    } while (std::chrono::steady_clock::now() < deadline);
    return all;
  }

  // Presses and releases each deck key by its keycode.
  void TypeEveryDeckKey() {
    for (const TDeckKey& key : kDeckKeys) {
      const auto position = kPc105Keycodes.find(key.scanCode);
      ASSERT_NE(position, kPc105Keycodes.end()) << "no pc105 key sends scan code " << int(key.scanCode);
      const std::string keycode = std::to_string(position->second);
      ASSERT_TRUE(Xdotool("keydown", keycode));
      std::string typed = Describe(PollUntil(1));
      ASSERT_TRUE(Xdotool("keyup", keycode));
      typed += Describe(PollUntil(1));
      std::string expected = Describe({{kKeyDown, key.scanCode, 0}, {0, key.scanCode, 0}});
      ASSERT_EQ(typed, expected) << "keycode " << keycode;
    }
  }
};

TEST_F(X11Keyboard, EveryDeckKeyGivesOnePressAndOneRelease) { TypeEveryDeckKey(); }

// A letter typed by its symbol lands on another position under the layout,
// which shows the layout is in force; the deck keys stay where they are.
struct Layout {
  const char* name;
  const char* variant;
  const char* letter;
  uint8_t position;  // scan code of the key that types `letter` there
  friend void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name << ' ' << layout.variant; }
};

class X11KeyboardLayout : public X11Keyboard, public ::testing::WithParamInterface<Layout> {};

TEST_P(X11KeyboardLayout, DeckKeysArePhysicalPositions) {
  ASSERT_EQ(RunProgram({"setxkbmap", GetParam().name, GetParam().variant}), 0);
  SetWatchedKeys(GetParam().position, 0);
  ASSERT_TRUE(Xdotool("keydown", GetParam().letter));
  ASSERT_EQ(PollUntil(1).size(), 1u) << "the letter is not on its position of this layout";
  ASSERT_TRUE(Xdotool("keyup", GetParam().letter));
  ASSERT_EQ(PollUntil(1).size(), 1u);

  WatchDeckKeys();
  TypeEveryDeckKey();
}

INSTANTIATE_TEST_SUITE_P(Layouts, X11KeyboardLayout,
                         ::testing::Values(Layout{"de", "basic", "y", 0x2C}, Layout{"fr", "basic", "a", 0x10},
                                           Layout{"us", "dvorak", "o", 0x1F}),
                         [](const auto& info) { return std::string(info.param.variant) + "_" + info.param.name; });

TEST_F(X11Keyboard, ReleaseHeldReleasesShiftAndRightArrowHeldDown) {
  ASSERT_TRUE(Xdotool("keydown", "50"));
  ASSERT_TRUE(Xdotool("keydown", "114"));
  ASSERT_EQ(PollUntil(2).size(), 2u);

  TVyKeyEvent events[50];
  int count = 0;
  ASSERT_EQ(ReleaseHeld(events, &count, 50), 0);
  EXPECT_EQ(Describe({events, events + count}), "up 0x2A, up 0xCD, ");
}

// A tap over before the window reads the key state still gives a press and
// then a release: the window's own key events stand in for the server's state.
TEST_F(X11Keyboard, TapSeenOnlyByTheWindowsKeyEventsGivesAPressAndARelease) {
  FeedKeyEvent(104, true);
  std::string typed = Describe(PollUntil(1));
  FeedKeyEvent(104, false);
  typed += Describe(PollUntil(1));
  EXPECT_EQ(typed, "down 0x9C, up 0x9C, ");
}

TEST_F(X11Keyboard, ServerGoneIsAnErrorNotAnExit) {
  server.Stop();
  TVyKeyEvent events[50];
  int count = -1;
  EXPECT_EQ(PollKeys(events, &count, 50), -2);
  EXPECT_THAT(GetLastErrorText(), StartsWith("VyInput: Error re-acquiring keyboard device [DIERR_INPUTLOST]"));
}

TEST(X11HotKey, KeyHeldByAnotherClientIsRefusedUntilFreed) {
  XvfbServer server;
  ASSERT_TRUE(server.Ok());
  // The window is only used once the key is pressed.
  const HWND window = 1;
  DesktopHotKey first, second;
  ASSERT_EQ(first.SetHotKey(window, VK_F1 + 4), kHotKeySet);
  EXPECT_EQ(second.SetHotKey(window, VK_F1 + 4), kHotKeyTaken);
  EXPECT_EQ(second.SetHotKey(window, VK_F1 + 5), kHotKeySet);
  ASSERT_EQ(first.SetHotKey(window, 0), kHotKeySet);
  EXPECT_EQ(second.SetHotKey(window, VK_F1 + 4), kHotKeySet);
  EXPECT_EQ(first.SetHotKey(window, 'A'), kHotKeyInvalid);
}

// Xlib's default for a broken connection ends the process; a deck whose
// desktop went away must still close in order, its connection open but no
// key set (a removed or refused one).
TEST(X11HotKey, ServerGoneBeforeTheConnectionClosesDoesNotEndTheProcess) {
  XvfbServer server;
  ASSERT_TRUE(server.Ok());
  auto key = std::make_unique<DesktopHotKey>();
  ASSERT_EQ(key->SetHotKey(HWND(1), VK_F1), kHotKeySet);
  ASSERT_EQ(key->SetHotKey(HWND(1), 0), kHotKeySet);
  server.Stop();
  key.reset();
  EXPECT_EQ(key, nullptr) << "still running";
}
}  // namespace

// The keyboard diagnostic window in a real X server, alone or under a window
// manager: each window's hot key brings that window the focus whatever the
// lock keys, and the keys the focused window sees are printed one line per
// event.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/XvfbServer.h"

namespace {
constexpr auto kFocusLimit = std::chrono::seconds(20);

std::string FocusedWindow() {
  ChildProcess query({"xdotool", "getwindowfocus"});
  return query.WaitForLine("");
}

// Polls the server's focus until it is `window` or the limit passes.
bool WaitForFocus(const std::string& window) {
  return WaitUntil([&] { return FocusedWindow() == window; }, kFocusLimit.count());
}

struct KeysWindow {
  ChildProcess process;
  std::string id;  // X window id, as xdotool prints it

  explicit KeysWindow(int hotKey) : process({VYS_KEYS_PATH, "--hotkey", std::to_string(hotKey)}) {
    std::string line = process.WaitForLine("window ");
    if (!line.empty()) id = line.substr(7);
  }
};

class HotKey : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Ok()) << "Xvfb did not start";
    RelaxStringChecksForQtWindows();
    if (WithWindowManager()) {
      windowManager =
          std::make_unique<ChildProcess>(std::vector<std::string>{"openbox", "--startup", "echo window-manager-ready"});
      ASSERT_NE(windowManager->WaitForLine("window-manager-ready"), "");
    }
  }
  bool WithWindowManager() const { return std::string(GetParam()) == "openbox"; }
  bool Press(const char* key) { return RunProgram({"xdotool", "key", key}) == 0; }

  XvfbServer server;
  std::unique_ptr<ChildProcess> windowManager;
};

TEST_P(HotKey, EachWindowAnswersItsOwnKeyWhateverTheLocks) {
  KeysWindow first(1), second(2);
  ASSERT_EQ(first.process.WaitForLine("hotkey"), "hotkey F1 set");
  ASSERT_EQ(second.process.WaitForLine("hotkey"), "hotkey F2 set");
  ASSERT_NE(second.process.WaitForLine("ready"), "");
  // A window manager focuses a new window itself; let it settle first.
  ASSERT_TRUE(!WithWindowManager() || WaitForFocus(second.id));

  ASSERT_TRUE(Press("F1"));
  EXPECT_TRUE(WaitForFocus(first.id));
  ASSERT_TRUE(Press("F2"));
  EXPECT_TRUE(WaitForFocus(second.id));
  ASSERT_TRUE(Press("Num_Lock"));
  ASSERT_TRUE(Press("F1"));
  EXPECT_TRUE(WaitForFocus(first.id)) << "with Num Lock on";
  ASSERT_TRUE(Press("Caps_Lock"));
  ASSERT_TRUE(Press("F2"));
  EXPECT_TRUE(WaitForFocus(second.id)) << "with Num Lock and Caps Lock on";

  // Only the window manager can bring back a minimized window.
  if (!WithWindowManager()) return;
  ASSERT_EQ(RunProgram({"xdotool", "windowminimize", "--sync", first.id}), 0);
  ASSERT_TRUE(Press("F1"));
  EXPECT_TRUE(WaitForFocus(first.id)) << "minimized";
}

TEST_P(HotKey, FocusedWindowPrintsOneLinePerKeyEvent) {
  KeysWindow window(3);
  ASSERT_NE(window.process.WaitForLine("ready"), "");
  ASSERT_TRUE(Press("F3"));
  ASSERT_TRUE(WaitForFocus(window.id));
  ASSERT_NE(window.process.WaitForLine("activated"), "");
  // Keypad Enter and right Ctrl by keycode: the positions, not the symbols.
  ASSERT_EQ(RunProgram({"xdotool", "keydown", "104"}), 0);
  EXPECT_EQ(window.process.WaitForLine("down"), "down 0x9C Keypad Enter");
  ASSERT_EQ(RunProgram({"xdotool", "keyup", "104"}), 0);
  EXPECT_EQ(window.process.WaitForLine("up"), "up 0x9C Keypad Enter");
}

INSTANTIATE_TEST_SUITE_P(Desktops, HotKey, ::testing::Values("alone", "openbox"),
                         [](const auto& info) { return std::string(info.param); });
}  // namespace

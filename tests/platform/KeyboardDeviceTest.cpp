// The keyboard device of the snapshot layer: a source that cannot be read
// loses the device until it is acquired again, and without an X display the
// window's own key events stand in for the snapshot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/keyboard/DirectInput.h"
#include "platform/keyboard/KeySnapshotSource.h"
#include "support/ScriptedKeyboard.h"

namespace {
struct KeyboardDevice : ::testing::Test {
  IDirectInput* input = nullptr;
  IDirectInputDevice* device = nullptr;
  uint8_t state[kKeyboardStateSize] = {};

  void Create() {
    ASSERT_EQ(DirectInputCreate(nullptr, DIRECTINPUT_VERSION, &input, nullptr), DI_OK);
    ASSERT_EQ(input->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
    ASSERT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(device->SetCooperativeLevel(0, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  }
  void TearDown() override {
    if (device) device->Release();
    if (input) input->Release();
  }
};

TEST_F(KeyboardDevice, UnreadableSourceLosesTheDeviceUntilAcquiredAgain) {
  ScriptedKeyboard keyboard;
  Create();
  EXPECT_EQ(device->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
  ASSERT_EQ(device->Acquire(), DI_OK);
  keyboard.script.failingReads = 1;
  EXPECT_EQ(device->GetDeviceState(sizeof state, state), DIERR_INPUTLOST);
  keyboard.script.Press(DIK_NUMPADENTER);
  EXPECT_EQ(device->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
  ASSERT_EQ(device->Acquire(), DI_OK);
  ASSERT_EQ(device->GetDeviceState(sizeof state, state), DI_OK);
  EXPECT_EQ(state[DIK_NUMPADENTER], kKeyDown);
}

TEST_F(KeyboardDevice, WithoutDisplayTheWindowsKeyEventsAreTheSnapshot) {
  std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  Create();
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
  ASSERT_EQ(device->Acquire(), DI_OK);

  FeedKeyEvent(104, true);  // keypad Enter: evdev 96
  FeedKeyEvent(105, true);  // right Ctrl: evdev 97
  FeedKeyEvent(105, false);
  ASSERT_EQ(device->GetDeviceState(sizeof state, state), DI_OK);
  EXPECT_EQ(state[DIK_NUMPADENTER], kKeyDown);
  EXPECT_EQ(state[DIK_RCONTROL], 0);

  ForgetFedKeys();
  ASSERT_EQ(device->GetDeviceState(sizeof state, state), DI_OK);
  EXPECT_EQ(state[DIK_NUMPADENTER], 0);
}
}  // namespace

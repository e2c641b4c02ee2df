// The window's keyboard: the deck's keys opened for the window, polled on
// every key event and released while the window is away. It keeps what keys
// hold between events (the modifiers, the volume keys' ramp) and hands every
// other action of the key map to the window, as a press or a release.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "input/DeckKeys.h"
#include "input/VyInput.h"

class HotKeyWatcher;
class QKeyEvent;
class QWidget;

// Modifiers() bits, as the keyboard module last reported the keys.
constexpr uint8_t kShiftState = 0x01;
constexpr uint8_t kAltState = 0x02;
constexpr uint8_t kCtrlState = 0x04;

class TMainKeyboard {
 public:
  using TActionHandler = std::function<void(TDeckKeyAction action, bool pressed)>;
  TMainKeyboard(QWidget& window, TActionHandler onAction);
  ~TMainKeyboard();

  // A failure is shown; the keys then stay closed.
  void Open();
  // No key is handed on after this; safe to call twice.
  void Close();
  void Activate();
  // Releases the keys held while the window goes away.
  void Deactivate();
  // A key event of the window: fed to the keyboard module, then polled.
  void KeyEvent(const QKeyEvent& event);
  // The activation hot key, a virtual-key code (F1..F12); 0 removes it. True when set.
  bool SetHotKey(uint16_t virtualKey);

  uint8_t Modifiers() const { return modifiers_; }
  // The volume's change each display tick: 0 while no volume key runs the ramp.
  int VolumeRampStep() const { return volumeRamp_ ? rampStep_ : 0; }

 private:
  void Dispatch(const TVyKeyEvent* events, int count);
  void DispatchKey(uint32_t key, bool pressed);
  void VolumeKey(bool pressed, int direction);

  QWidget& window_;
  TActionHandler onAction_;
  std::unique_ptr<HotKeyWatcher> hotKey_;
  bool open_ = false;
  bool closed_ = false;
  uint8_t modifiers_ = 0;  // kShiftState | kAltState | kCtrlState
  bool volumeRamp_ = false;
  int rampStep_ = 0;
};

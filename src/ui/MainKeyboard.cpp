// The window's side of the keyboard: the deck's keys opened for this window,
// polled on every key event, and released while the window is away.
#include <QKeyEvent>

#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "input/DeckKeys.h"
#include "platform/keyboard/KeySnapshotSource.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "ui/Vymain.h"

namespace {
constexpr unsigned kKeyEventSlots = 50;  // events taken per keyboard poll

void ShowKeyboardError(const char* format) {
  ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, format, GetLastErrorText());
}
}  // namespace

void TMainForm::InitKeyboard() {
  if (InputStart(nullptr, HWND(winId())) != 0) {
    ShowKeyboardError("Error initializing keyboard control:\n\n%s");
    return;
  }
  keyboardOpen_ = true;
  WatchDeckKeys();
}

void TMainForm::FormActivate() {
  if (keyboardOpen_) Reacquire();
}

void TMainForm::FormDeactivate() {
  if (!keyboardOpen_) return;
  TVyKeyEvent events[kKeyEventSlots];
  int count = 0;
  ReleaseHeld(events, &count, kKeyEventSlots);
  ForgetFedKeys();
  DispatchKeyEvents(events, count);
}

// Without a keyboard every key event tells the failure again, as the poll fails.
void TMainForm::FormKeyDown() {
  if (closed_) return;
  TVyKeyEvent events[kKeyEventSlots];
  int count = 0;
  if (PollKeys(events, &count, kKeyEventSlots) != 0) {
    ShowKeyboardError("Error retrieving keyboard data:\n\n%s");
    count = 0;
  }
  DispatchKeyEvents(events, count);
}

void TMainForm::DispatchKeyEvents(const TVyKeyEvent* events, int count) {
  for (int i = 0; i < count && !closed_; ++i) DispatchKey(events[i].key, events[i].state & kKeyDown);
}

// The key map: most keys are the buttons' own handlers, so a key and its
// button behave the same. The digits and the grave accent are watched and idle.
void TMainForm::DispatchKey(uint32_t key, bool pressed) {
  auto modifier = [&](uint8_t bit) { ModifierState = pressed ? ModifierState | bit : ModifierState & ~bit; };
  auto hold = [&](THandler down, THandler up) { (this->*(pressed ? down : up))(); };
  auto press = [&](THandler down) {
    if (pressed) (this->*down)();
  };
  // The key table reads as a table.
  // clang-format off
  switch (key) {
    case DIK_LSHIFT: case DIK_RSHIFT: modifier(kShiftState); break;
    case DIK_LCONTROL: case DIK_RCONTROL: modifier(kCtrlState); break;
    case DIK_LMENU: case DIK_RMENU: modifier(kAltState); break;
    case DIK_RETURN: press(&TMainForm::btnOpenClick); break;
    case DIK_NUMPADENTER: press(&TMainForm::btnPlayMouseDown); break;
    case DIK_NUMPAD0: hold(&TMainForm::btnCUEMouseDown, &TMainForm::btnCUEMouseUp); break;
    case DIK_SPACE: if (pressed) deck_->PlayCueKey(); break;
    case DIK_ADD: case DIK_UP: hold(&TMainForm::btnFastMouseDown, &TMainForm::btnFastMouseUp); break;
    case DIK_SUBTRACT: case DIK_DOWN: hold(&TMainForm::btnSlowMouseDown, &TMainForm::btnSlowMouseUp); break;
    case DIK_RIGHT: hold(&TMainForm::btnFFMouseDown, &TMainForm::btnFFMouseUp); break;
    case DIK_LEFT: hold(&TMainForm::btnRWMouseDown, &TMainForm::btnRWMouseUp); break;
    case DIK_PRIOR: press(&TMainForm::btnPrevClick); break;
    case DIK_NEXT: press(&TMainForm::btnNextClick); break;
    case DIK_T: press(&TMainForm::btnTimeMouseDown); break;
    case DIK_M: hold(&TMainForm::btnMuteMouseDown, &TMainForm::btnMuteMouseUp); break;
    case DIK_MINUS: case DIK_DIVIDE: VolumeKey(pressed, -1); break;
    case DIK_EQUALS: case DIK_MULTIPLY: VolumeKey(pressed, +1); break;
    default: break;
  }
  // clang-format on
}

// A press starts (or turns) the ramp, Shift for fine steps; a release stops
// it only when the ramp runs in that key's direction, so releasing the
// other direction's key leaves a turned ramp running.
void TMainForm::VolumeKey(bool pressed, int direction) {
  if (pressed) {
    VolumeRampStep = direction * ((ModifierState & kShiftState) ? 1 : 5);
    volumeRamp_ = true;
  } else if (VolumeRampStep * direction > 0) {
    volumeRamp_ = false;
  }
}

bool TMainForm::SetHotKey(uint16_t virtualKey) {
  if (!hotKey_) hotKey_ = std::make_unique<HotKeyWatcher>();
  return hotKey_->SetHotKey(HWND(winId()), virtualKey) == kHotKeySet;
}

bool TMainForm::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    FeedWindowKeyEvent(*key);
    FormKeyDown();
    if (key->type() == QEvent::KeyPress && key->matches(QKeySequence::Quit)) close();
    return true;
  }
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) FormActivate();
  return QWidget::event(event);
}

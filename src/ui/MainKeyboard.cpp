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

// The key map's actions: most are the buttons' own handlers, so a key and its
// button behave the same.
void TMainForm::DispatchKey(uint32_t key, bool pressed) {
  auto modifier = [&](uint8_t bit) { ModifierState = pressed ? ModifierState | bit : ModifierState & ~bit; };
  auto hold = [&](THandler down, THandler up) { (this->*(pressed ? down : up))(); };
  auto press = [&](THandler down) {
    if (pressed) (this->*down)();
  };
  // The key table reads as a table.
  // clang-format off
  switch (DeckKeyAction(key)) {
    case kaIdle: break;
    case kaShift: modifier(kShiftState); break;
    case kaCtrl: modifier(kCtrlState); break;
    case kaAlt: modifier(kAltState); break;
    case kaOpen: press(&TMainForm::btnOpenClick); break;
    case kaPlay: press(&TMainForm::btnPlayMouseDown); break;
    case kaCue: hold(&TMainForm::btnCUEMouseDown, &TMainForm::btnCUEMouseUp); break;
    case kaPlayCue: if (pressed) deck_->PlayCueKey(); break;
    case kaBendFaster: hold(&TMainForm::btnFastMouseDown, &TMainForm::btnFastMouseUp); break;
    case kaBendSlower: hold(&TMainForm::btnSlowMouseDown, &TMainForm::btnSlowMouseUp); break;
    case kaSearchForward: hold(&TMainForm::btnFFMouseDown, &TMainForm::btnFFMouseUp); break;
    case kaSearchBackward: hold(&TMainForm::btnRWMouseDown, &TMainForm::btnRWMouseUp); break;
    case kaPreviousTrack: press(&TMainForm::btnPrevClick); break;
    case kaNextTrack: press(&TMainForm::btnNextClick); break;
    case kaTimeMode: press(&TMainForm::btnTimeMouseDown); break;
    case kaMute: hold(&TMainForm::btnMuteMouseDown, &TMainForm::btnMuteMouseUp); break;
    case kaVolumeDown: VolumeKey(pressed, -1); break;
    case kaVolumeUp: VolumeKey(pressed, +1); break;
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

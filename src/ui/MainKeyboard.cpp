// Key events are fed to the keyboard module and polled back as the deck's
// keys, so that a key held across a focus change is released exactly once.
#include "ui/MainKeyboard.h"

#include <QKeyEvent>
#include <QWidget>

#include "foundation/OzoError.h"
#include "platform/keyboard/KeySnapshotSource.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "ui/Vymain.h"

namespace {
constexpr unsigned kKeyEventSlots = 50;  // events taken per keyboard poll

void ShowKeyboardError(const char* format) {
  ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, format, GetLastErrorText());
}
}  // namespace

TMainKeyboard::TMainKeyboard(QWidget& window, TActionHandler onAction)
    : window_(window), onAction_(std::move(onAction)) {}

TMainKeyboard::~TMainKeyboard() { Close(); }

void TMainKeyboard::Open() {
  if (InputStart(nullptr, HWND(window_.winId())) != 0) {
    ShowKeyboardError("Error initializing keyboard control:\n\n%s");
    return;
  }
  open_ = true;
  WatchDeckKeys();
}

void TMainKeyboard::Close() {
  closed_ = true;
  if (open_) InputStop();
  open_ = false;
  hotKey_.reset();
}

void TMainKeyboard::Activate() {
  if (open_) Reacquire();
}

void TMainKeyboard::Deactivate() {
  if (!open_) return;
  TVyKeyEvent events[kKeyEventSlots];
  int count = 0;
  ReleaseHeld(events, &count, kKeyEventSlots);
  ForgetFedKeys();
  Dispatch(events, count);
}

// Without a keyboard every key event tells the failure again, as the poll fails.
void TMainKeyboard::KeyEvent(const QKeyEvent& event) {
  FeedWindowKeyEvent(event);
  if (closed_) return;
  TVyKeyEvent events[kKeyEventSlots];
  int count = 0;
  if (PollKeys(events, &count, kKeyEventSlots) != 0) {
    ShowKeyboardError("Error retrieving keyboard data:\n\n%s");
    count = 0;
  }
  Dispatch(events, count);
}

void TMainKeyboard::Dispatch(const TVyKeyEvent* events, int count) {
  for (int i = 0; i < count && !closed_; ++i) DispatchKey(events[i].key, events[i].state & kKeyDown);
}

void TMainKeyboard::DispatchKey(uint32_t key, bool pressed) {
  auto modifier = [&](uint8_t bit) { modifiers_ = pressed ? modifiers_ | bit : modifiers_ & ~bit; };
  // clang-format off
  switch (const TDeckKeyAction action = DeckKeyAction(key)) {
    case kaShift: modifier(kShiftState); break;
    case kaCtrl: modifier(kCtrlState); break;
    case kaAlt: modifier(kAltState); break;
    case kaVolumeDown: VolumeKey(pressed, -1); break;
    case kaVolumeUp: VolumeKey(pressed, +1); break;
    default: onAction_(action, pressed);
  }
  // clang-format on
}

// A press starts (or turns) the ramp, Shift for fine steps; a release stops
// it only when the ramp runs in that key's direction, so releasing the
// other direction's key leaves a turned ramp running.
void TMainKeyboard::VolumeKey(bool pressed, int direction) {
  if (pressed) {
    rampStep_ = direction * ((modifiers_ & kShiftState) ? 1 : 5);
    volumeRamp_ = true;
  } else if (rampStep_ * direction > 0) {
    volumeRamp_ = false;
  }
}

bool TMainKeyboard::SetHotKey(uint16_t virtualKey) {
  if (!hotKey_) hotKey_ = std::make_unique<HotKeyWatcher>();
  return hotKey_->SetHotKey(HWND(window_.winId()), virtualKey) == kHotKeySet;
}

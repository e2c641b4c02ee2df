// The window's side of the keyboard: the deck's keys opened for this window,
// polled on every key event, and released while the window is away.
#include <QKeyEvent>

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

// Stands in for the deck's key map, which is to turn key events into the
// buttons' commands; until it exists the keys only reach the keyboard module.
void TMainForm::DispatchKeyEvents(const TVyKeyEvent*, int) {}

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

// vys-keys: a small window that shows what the deck's keyboard sees. It
// watches the deck's 39 keys like the deck window does and prints one line
// per key event ("down 0x9C Keypad Enter", "up 0x9C Keypad Enter"), and the
// focus changes that release held keys. `--hotkey N` sets F<N> as the
// window's activation hot key.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/OzoError.h"
#include "input/DeckKeys.h"
#include "input/VyInput.h"
#include "platform/keyboard/KeySnapshotSource.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "platform/keyboard/ScanCodes.h"

namespace {
constexpr unsigned kEventSlots = 50;  // as many as the deck window takes per poll

void PrintEvents(const TVyKeyEvent* events, int count) {
  for (int i = 0; i < count; ++i)
    std::printf("%s 0x%02X %s\n", (events[i].state & kKeyDown) ? "down" : "up", events[i].key,
                DikName(uint8_t(events[i].key)));
  std::fflush(stdout);
}

void PrintLine(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

class KeysWindow : public QWidget {
 public:
  KeysWindow() {
    setWindowTitle("vys-keys");
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel("Press the deck's keys here: each press and release\n"
                   "is printed on the terminal.",
                   this));
  }

 protected:
  // Before Qt's own handling, so that Tab and the arrows reach the poll too.
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        FeedWindowKeyEvent(*static_cast<QKeyEvent*>(event));
        Poll();
        return true;
      case QEvent::WindowActivate:
        if (Reacquire() != 0) PrintError();
        PrintLine("activated");
        break;
      case QEvent::WindowDeactivate: {
        TVyKeyEvent events[kEventSlots];
        int count = 0;
        ReleaseHeld(events, &count, kEventSlots);
        PrintEvents(events, count);
        ForgetFedKeys();
        PrintLine("deactivated");
        break;
      }
      default:
        break;
    }
    return QWidget::event(event);
  }

 private:
  static void PrintError() { std::printf("error %s\n", GetLastErrorText()); }

  void Poll() {
    TVyKeyEvent events[kEventSlots];
    int count = 0;
    if (PollKeys(events, &count, kEventSlots) != 0) PrintError();
    PrintEvents(events, count);
  }
};

int HotKeyIndex(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--hotkey") == 0) return std::atoi(argv[i + 1]);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  PreferX11Platform();
  QApplication app(argc, argv);
  ChooseKeySnapshotSource();
  int hotKeyIndex = HotKeyIndex(argc, argv);
  if (hotKeyIndex < 0 || hotKeyIndex > 12) {
    std::fprintf(stderr, "usage: vys-keys [--hotkey 1..12]\n");
    return 2;
  }

  KeysWindow window;
  window.resize(360, 80);
  window.show();
  HWND handle = HWND(window.winId());
  if (InputStart(nullptr, handle) != 0) {
    std::printf("error %s\n", GetLastErrorText());
    return 1;
  }
  WatchDeckKeys();
  std::printf("window %lu\n", static_cast<unsigned long>(handle));
  std::printf("keyboard %s\n", app.platformName() == "xcb" ? "X display" : "window events");

  HotKeyWatcher hotKey;
  if (hotKeyIndex > 0) {
    int answer = hotKey.SetHotKey(handle, uint16_t(VK_F1 + hotKeyIndex - 1));
    std::printf("hotkey F%d %s\n", hotKeyIndex, answer == kHotKeySet ? "set" : "refused");
  }
  PrintLine("ready");
  int result = app.exec();
  InputStop();
  return result;
}

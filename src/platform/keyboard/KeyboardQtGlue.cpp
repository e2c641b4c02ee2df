#include "platform/keyboard/KeyboardQtGlue.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QSocketNotifier>

#include "platform/keyboard/KeySnapshotSource.h"

void PreferX11Platform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
}

void ChooseKeySnapshotSource() {
  if (QGuiApplication::platformName() == QLatin1String("xcb"))
    SetKeySourceFactory(nullptr);
  else
    SetKeySourceFactory(MakeFedKeySource);
}

void FeedWindowKeyEvent(const QKeyEvent& event) {
  // An auto-repeat comes as a release and a press of a key that stays down.
  if (event.isAutoRepeat()) return;
  if (event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease)
    FeedKeyEvent(event.nativeScanCode(), event.type() == QEvent::KeyPress);
}

HotKeyWatcher::HotKeyWatcher() = default;
HotKeyWatcher::~HotKeyWatcher() = default;

int HotKeyWatcher::SetHotKey(HWND window, uint16_t hotKey) {
  notifier_.reset();
  int answer = hotKey_.SetHotKey(window, hotKey);
  int fd = hotKey_.EventFd();
  if (fd >= 0) {
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
      hotKey_.Dispatch();
      // A broken connection stays readable; watching it would spin.
      if (hotKey_.EventFd() < 0) notifier_->setEnabled(false);
    });
    hotKey_.Dispatch();  // events Xlib queued while it waited for the grab
  }
  return answer;
}

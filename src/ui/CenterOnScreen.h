// The deck's dialogs open in the middle of the screen their window is on.
#pragma once
#include <QScreen>
#include <QWidget>

inline void CenterOnScreen(QWidget& dialog) {
  const QScreen* screen = dialog.screen();
  if (!screen) return;
  QRect frame = dialog.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  dialog.move(frame.topLeft());
}

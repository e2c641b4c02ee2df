#include "ui/QtMessageBox.h"

#include <QMessageBox>
#include <cstdio>

#include "foundation/OzoError.h"

namespace {
int ShowQtMessageBox(unsigned flags, const char* caption, const char* text) {
  // A copy on stderr: a deck started from a script leaves a trace of why it ended.
  std::fprintf(stderr, "%s: %s\n", caption, text);
  const unsigned icon = flags & MB_ICONMASK;
  QMessageBox box(icon == MB_ICONERROR     ? QMessageBox::Critical
                  : icon == MB_ICONWARNING ? QMessageBox::Warning
                                           : QMessageBox::NoIcon,
                  QString::fromLocal8Bit(caption), QString::fromLocal8Bit(text), QMessageBox::Ok);
  box.exec();
  return IDOK;
}
}  // namespace

void InstallQtMessageBox() { SetMessageBoxPresenter(ShowQtMessageBox); }

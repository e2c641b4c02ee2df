#include "CursorTable.h"

#include <QCoreApplication>
#include <map>

namespace {
std::map<int, QCursor>& Cursors() {
  static std::map<int, QCursor> cursors;
  return cursors;
}

// Cursors hold pixmaps, which must go before the application does.
void ForgetCursors() { Cursors().clear(); }
}  // namespace

void RegisterCursor(int number, const QCursor& cursor) {
  static const bool cleanupAdded = (qAddPostRoutine(ForgetCursors), true);
  (void)cleanupAdded;
  Cursors()[number] = cursor;
}

QCursor CursorByNumber(int number) {
  const auto found = Cursors().find(number);
  return found == Cursors().end() ? QCursor(Qt::ArrowCursor) : found->second;
}

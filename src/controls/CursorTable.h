// Cursors shared by the whole process under a number, so that every control
// of a kind shows the same one.
#pragma once
#include <QCursor>

inline constexpr int kKnobCursor = 1000;
inline constexpr int kSliderHandCursor = 14000;

// Registers cursor under number, replacing an earlier one.
void RegisterCursor(int number, const QCursor& cursor);
// The cursor registered under number; the arrow when there is none.
QCursor CursorByNumber(int number);

// The window's seven named bitmaps (Play and CUE lamps, fader caps), loaded
// once from the resource file into a table the window owns.
#pragma once
#include <QImage>

enum TMainBitmap : int {
  bmpLedPlay = 0,
  bmpLedPlayOff = 1,
  bmpLedCue = 2,
  bmpLedCueOff = 3,
  bmpLedPlayDisabled = 4,
  bmpFaderVThumb = 5,
  bmpFaderHThumb = 6,
};
constexpr int kMainBitmapCount = 7;

// Loads every bitmap by its resource name; false when any is missing.
bool LoadBitmaps();
void FreeBitmaps();
// The bitmap at index, or null for an index outside 0..6 or before loading.
const QImage* MainBitmap(int index);

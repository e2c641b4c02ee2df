// The controls' bitmaps and cursors, loaded by resource name from the
// program's resource file.
#pragma once
#include <QCursor>
#include <QImage>

// Cursor images carry their hot spot as PNG text under these keys.
inline constexpr const char* kHotSpotXKey = "HotSpotX";
inline constexpr const char* kHotSpotYKey = "HotSpotY";

// The bitmap called name, or a null image when there is none.
QImage LoadBitmap(const char* name);
// The cursor called name, with the hot spot its image carries.
QCursor LoadCursor(const char* name);

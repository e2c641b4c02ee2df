#include "ui/MainBitmaps.h"

#include <array>
#include <memory>

#include "controls/ArtResources.h"

namespace {
constexpr const char* kNames[kMainBitmapCount] = {
    "LEDPLAY", "LEDPLAYOFF", "LEDCUE", "LEDCUEOFF", "LEDPLAYDISABLED", "FADERVTHUMB", "FADERHTHUMB",
};
std::array<std::unique_ptr<QImage>, kMainBitmapCount> bitmaps;
}  // namespace

bool LoadBitmaps() {
  for (int i = 0; i < kMainBitmapCount; ++i) {
    bitmaps[i] = std::make_unique<QImage>(LoadBitmap(kNames[i]));
    if (bitmaps[i]->isNull()) return false;
  }
  return true;
}

void FreeBitmaps() {
  for (auto& bitmap : bitmaps) bitmap.reset();
}

const QImage* MainBitmap(int index) { return index >= 0 && index < kMainBitmapCount ? bitmaps[index].get() : nullptr; }

#include "platform/keyboard/AsyncKeyState.h"

#include "platform/keyboard/KeySnapshotSource.h"

namespace {
struct TKeyPair {
  uint8_t left, right;
};

bool PairFor(int virtualKey, TKeyPair& pair) {
  switch (virtualKey) {
    case VK_SHIFT:
      pair = {DIK_LSHIFT, DIK_RSHIFT};
      return true;
    case VK_CONTROL:
      pair = {DIK_LCONTROL, DIK_RCONTROL};
      return true;
    case VK_MENU:
      pair = {DIK_LMENU, DIK_RMENU};
      return true;
    default:
      return false;
  }
}
}  // namespace

// A fresh source per question: a click is rare, and nothing stale is kept.
int16_t GetAsyncKeyState(int virtualKey) {
  TKeyPair pair{};
  if (!PairFor(virtualKey, pair)) return 0;
  const std::unique_ptr<KeySnapshotSource> source = MakeKeySource();
  uint8_t keys[kKeyboardStateSize] = {};
  if (!source || source->Acquire(0) != DI_OK || source->Read(keys) != DI_OK) return 0;
  return (keys[pair.left] | keys[pair.right]) & kKeyDown ? kAsyncKeyDown : 0;
}

#include "input/DeckKeys.h"

#include "input/VyInput.h"

TDeckKeyAction DeckKeyAction(uint32_t scanCode) {
  for (const TDeckKey& key : kDeckKeys)
    if (key.scanCode == scanCode) return key.action;
  return kaIdle;
}

void WatchDeckKeys() {
  uint8_t keys[kDeckKeyCount];
  for (unsigned i = 0; i < kDeckKeyCount; ++i) keys[i] = kDeckKeys[i].scanCode;
  SetWatchedKeyList(keys, kDeckKeyCount);
}

// The deck's fixed key map: the 35 keys the window watches, modifiers first so
// that a modifier changed in the same poll applies to the keys after it.
#pragma once

constexpr unsigned kDeckKeyCount = 35;

// SetWatchedKeys with the deck's keys in their designed order.
void WatchDeckKeys();

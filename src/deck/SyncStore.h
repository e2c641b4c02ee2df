// The stored sync choices: Link, one preference for every deck of the user
// (off by default), and each deck's own sync switch, kept under its output
// device's number as keylock's is.
#pragma once
#include <cstdint>

namespace SyncStore {

bool LinkOn();
bool SetLinkOn(bool on);
bool On(uint32_t device);
bool SetOn(uint32_t device, bool on);

}  // namespace SyncStore

// The stored keylock choices. The engine is one preference for every deck of
// the user ("fine", the default, or "fast"). The switch is each deck's own:
// decks are separate processes, and what tells one from another across runs
// is its output (a set-up gives each deck an output of its own, as -sc does),
// so the switch is kept under the output device's number.
#pragma once
#include <cstdint>

namespace KeylockStore {

// DSBKEYLOCK_FINE or DSBKEYLOCK_FAST.
uint32_t Engine();
bool SetEngine(uint32_t engine);
bool On(uint32_t device);
bool SetOn(uint32_t device, bool on);

}  // namespace KeylockStore

#include "deck/KeylockStore.h"

#include <string>

#include "foundation/Preferences.h"
#include "platform/sound/DirectSound.h"

namespace {
constexpr const char* kEngineName = "KeylockEngine";
constexpr const char* kFine = "fine";
constexpr const char* kFast = "fast";

std::string SwitchName(uint32_t device) { return "Keylock" + std::to_string(device); }
}  // namespace

namespace KeylockStore {

uint32_t Engine() { return Preferences::Text(kEngineName, kFine) == kFast ? DSBKEYLOCK_FAST : DSBKEYLOCK_FINE; }

bool SetEngine(uint32_t engine) { return Preferences::SetText(kEngineName, engine == DSBKEYLOCK_FAST ? kFast : kFine); }

bool On(uint32_t device) { return Preferences::Flag(SwitchName(device).c_str(), false); }

bool SetOn(uint32_t device, bool on) { return Preferences::SetFlag(SwitchName(device).c_str(), on); }

}  // namespace KeylockStore

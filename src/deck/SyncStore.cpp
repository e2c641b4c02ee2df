#include "deck/SyncStore.h"

#include <string>

#include "foundation/Preferences.h"

namespace {
constexpr const char* kLinkName = "Link";

std::string SwitchName(uint32_t device) { return "Sync" + std::to_string(device); }
}  // namespace

namespace SyncStore {

bool LinkOn() { return Preferences::Flag(kLinkName, false); }

bool SetLinkOn(bool on) { return Preferences::SetFlag(kLinkName, on); }

bool On(uint32_t device) { return Preferences::Flag(SwitchName(device).c_str(), false); }

bool SetOn(uint32_t device, bool on) { return Preferences::SetFlag(SwitchName(device).c_str(), on); }

}  // namespace SyncStore

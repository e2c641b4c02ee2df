// Stable 16-byte device identities made from device names.
#pragma once
#include <string>

#include "platform/sound/DirectSound.h"

// The same name gives the same identity in every run and on every machine.
TGuid DeviceIdentity(const std::string& name);

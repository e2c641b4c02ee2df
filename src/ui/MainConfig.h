// The window's stored settings: the block read at start (the stored one, or
// the defaults with the deck's own preferences) and the one written at close.
// It keeps the user's own choices of device and log apart from the options
// given for one run ("-sc", "-log"), which never take their place.
#pragma once
#include <QString>
#include <cstdint>

#include "ui/VyConfig.h"

class TVySystemTAG;

class TMainConfig {
 public:
  // The block to start from; a stored device past `deviceCount` counts as the first.
  TVyConfigBlock Load(TVySystemTAG& deck, uint32_t deviceCount);
  // Choices the user made in the preferences dialog: stored at close.
  void KeepDevice(uint32_t index) { deviceIndex_ = index; }
  // A stored device past the list counts as the first, as at Load.
  void DeviceCountIs(uint32_t count) {
    if (deviceIndex_ >= count) deviceIndex_ = 0;
  }
  // The list put the stored device at another index since it was stored.
  void DeviceMoved(uint32_t from, uint32_t to) {
    if (deviceIndex_ == from) deviceIndex_ = to;
  }
  void KeepLog(bool on) { log_ = on; }
  // Position and hot key are for one run: the stored block never carries them.
  void Save(TVySystemTAG& deck, bool vuPeaks, bool downmix, const QString& folder) const;

 private:
  uint32_t deviceIndex_ = 0;
  bool log_ = false;
};

// The block is built anew at close from what the window and deck hold, so a
// bit no control shows never lingers from an older run.
#include "ui/MainConfig.h"

#include <QFile>
#include <cstring>

#include "deck/VySystem.h"

namespace {
// A folder too long for the block is not stored: the dialog then starts in
// its default folder rather than in a cut-off path.
void StoreFolder(TVyConfigBlock& block, const QString& folder) {
  const QByteArray bytes = QFile::encodeName(folder);
  if (bytes.size() < int(kFolderBytes)) std::memcpy(block.Folder, bytes.constData(), size_t(bytes.size()));
}

void StorePreferences(TVyConfigBlock& block, TVySystemTAG& deck) {
  TVyPreferences preferences{};
  deck.GetPreferences(preferences);
  SetConfigPreferences(block, preferences);
}
}  // namespace

TVyConfigBlock TMainConfig::Load(TVySystemTAG& deck, uint32_t deviceCount) {
  TVyConfigBlock block;
  if (!LoadConfig(block)) {
    DefaultConfig(block);
    StorePreferences(block, deck);
  }
  deviceIndex_ = block.DeviceIndex < deviceCount ? block.DeviceIndex : 0;
  log_ = (block.WindowFlags & wfLog) != 0;
  return block;
}

void TMainConfig::Save(TVySystemTAG& deck, bool vuPeaks, bool downmix, const QString& folder) const {
  TVyConfigBlock block;
  DefaultConfig(block);
  block.DeviceIndex = deviceIndex_;
  block.WindowFlags = (vuPeaks ? wfVUPeaks : 0) | (downmix ? wfDownmix : 0) | (log_ ? wfLog : 0);
  StorePreferences(block, deck);
  StoreFolder(block, folder);
  SaveConfig(block);
}

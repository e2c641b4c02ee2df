// The window's output device: chosen by index in the device list, opened by
// the identity remembered for that index, and followed as the list is made
// anew off the window's thread.
#include <QCoreApplication>

#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "platform/sound/DirectSound.h"
#include "ui/Settings.h"
#include "ui/VyConfig.h"
#include "ui/Vymain.h"

namespace {
constexpr int kNoOutputExitCode = 1;
}  // namespace

void PrepareStartDevice(const std::vector<std::string>& arguments) {
  const TCommandLine line = ParseCommandLine(arguments);
  if (line.files.empty()) return;  // nothing plays before the user opens a file
  TVyConfigBlock block;
  if (!LoadConfig(block)) DefaultConfig(block);
  ApplyCommandLine(line, block);
  const std::vector<TDeviceEntry> remembered = RememberedDevices();
  if (block.DeviceIndex >= remembered.size()) return;
  const std::optional<TGuid>& id = remembered[block.DeviceIndex].id;
  PrepareOutput(id ? &*id : nullptr);
}

void TMainForm::SelectDevice(uint32_t index) {
  std::vector<TDeviceEntry> entries = devices_->Entries();
  // A device added since the last listing stands past the remembered ones.
  if (index >= entries.size() && !devices_->Listed()) {
    ListDevices();
    devices_->WaitListed();
    entries = devices_->Entries();
  }
  deviceIndex_ = index < entries.size() ? index : 0;
  selectedDevice_ = entries[deviceIndex_].id;
  deck_->Song.SetDevice(selectedDevice_ ? &*selectedDevice_ : nullptr);
}

void TMainForm::ListDevices() {
  if (!devices_) return;
  devices_->StartListing([this] { QMetaObject::invokeMethod(this, [this] { DevicesListed(); }, Qt::QueuedConnection); });
}

// The list may have changed since it was remembered: the chosen device keeps
// its place by its identity, and an open preferences dialog shows the list.
void TMainForm::DevicesListed() {
  if (closed_ || !devices_) return;
  const std::vector<TDeviceEntry> listed = devices_->ListedEntries();
  if (listed.empty()) {  // every output is gone since the last run
    ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "%s", kNoSoundcardText);
    QCoreApplication::exit(kNoOutputExitCode);
    return;
  }
  config_.DeviceCountIs(uint32_t(listed.size()));
  for (uint32_t i = 0; i < listed.size(); ++i)
    if (listed[i].id == selectedDevice_ && i != deviceIndex_) {
      config_.DeviceMoved(deviceIndex_, i);
      deviceIndex_ = i;
      break;
    }
  if (prefs_ && prefs_->isVisible()) FillDeviceChoice(*prefs_);
}

// The remembered device did not open: the designed choice of the new list,
// the same index or, past its end, the first device. Waits for the listing.
bool TMainForm::FallBackFromGoneDevice(std::optional<TGuid>& device) {
  ListDevices();  // DevicesListed then follows, as after any listing
  devices_->WaitListed();
  const std::vector<TDeviceEntry> listed = devices_->ListedEntries();
  if (listed.empty()) return false;
  const uint32_t index = deviceIndex_ < listed.size() ? deviceIndex_ : 0;
  if (listed[index].id == selectedDevice_) return false;  // it is there, and failed for another reason
  deviceIndex_ = index;
  selectedDevice_ = device = listed[index].id;
  return true;
}

// Until the listing is done the choice stays empty and shut: a choice made
// from an old list could name another device.
void TMainForm::FillDeviceChoice(TPForm& form) {
  form.Devices->clear();
  const bool listed = devices_->Listed();
  form.Devices->setEnabled(listed);
  if (!listed) return;
  for (const TDeviceEntry& entry : devices_->ListedEntries())
    form.Devices->addItem(QString::fromStdString(entry.description));
  form.Devices->setCurrentIndex(int(deviceIndex_));
}

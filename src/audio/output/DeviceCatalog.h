// The output-device list of the preferences, kept so that listing never
// stands in the way of the start: the identities of the last listing are
// remembered in the settings store, so the chosen index opens its device
// directly, and the list is made anew on a thread of its own.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/DirectSound.h"

struct TDeviceEntry {
  std::optional<TGuid> id;  // none: the default output
  std::string description;
};
using TDeviceLister = std::function<std::vector<TDeviceEntry>()>;

// The system's list, as EnumerateDevices makes it (probes every sound system).
std::vector<TDeviceEntry> ListSystemDevices();

// The entries of the last listing of any deck of this user (descriptions
// unknown, empty); none when no deck has listed yet.
std::vector<TDeviceEntry> RememberedDevices();

class TDeviceCatalog {
 public:
  explicit TDeviceCatalog(TDeviceLister lister = ListSystemDevices);
  ~TDeviceCatalog();  // waits for a listing that runs
  TDeviceCatalog(const TDeviceCatalog&) = delete;
  TDeviceCatalog& operator=(const TDeviceCatalog&) = delete;

  // Starts the listing once, on its own thread; `onListed` runs on that
  // thread when it is done. A second call does nothing.
  void StartListing(std::function<void()> onListed = nullptr);
  // Returns once listed: starts the listing when none has started.
  void WaitListed();
  bool Listed() const;

  // Entries known now: this run's listing once done, else the identities
  // remembered from the last one (descriptions unknown, empty).
  std::vector<TDeviceEntry> Entries() const;
  // This run's listing; empty before it is done.
  std::vector<TDeviceEntry> ListedEntries() const;

 private:
  void List(std::function<void()> onListed);

  const TDeviceLister lister_;
  std::vector<TDeviceEntry> remembered_;
  mutable std::mutex mutex_;  // guards the members below
  std::condition_variable listedWake_;
  std::vector<TDeviceEntry> listed_;
  bool started_ = false;
  bool done_ = false;
  std::thread thread_;
};

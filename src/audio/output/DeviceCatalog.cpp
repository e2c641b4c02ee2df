#include "audio/output/DeviceCatalog.h"

#include <cstdio>
#include <sstream>

#include "audio/output/OzoDS.h"
#include "foundation/Preferences.h"

namespace {
// One line per entry, in list order: the id in hex, or "-" for the default.
constexpr const char* kRememberedName = "OutputDevices";
constexpr char kDefaultMark[] = "-";
constexpr size_t kIdHexDigits = 2 * sizeof(TGuid::bytes);

std::string Hex(const TGuid& id) {
  std::string text;
  char digits[3];
  for (uint8_t byte : id.bytes) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  return text;
}

// False for a line that is neither "-" nor a whole id.
bool ParseEntry(const std::string& line, TDeviceEntry& entry) {
  if (line == kDefaultMark) return true;
  if (line.size() != kIdHexDigits) return false;
  TGuid id;
  for (size_t i = 0; i < sizeof id.bytes; ++i) {
    unsigned byte = 0;
    if (std::sscanf(line.c_str() + 2 * i, "%2x", &byte) != 1) return false;
    id.bytes[i] = uint8_t(byte);
  }
  entry.id = id;
  return true;
}

std::string Remembered(const std::vector<TDeviceEntry>& entries) {
  std::string text;
  for (const TDeviceEntry& entry : entries) text += (entry.id ? Hex(*entry.id) : kDefaultMark) + std::string("\n");
  return text;
}

}  // namespace

// A damaged value is forgotten whole: a shifted index would open the wrong device.
std::vector<TDeviceEntry> RememberedDevices() {
  std::istringstream text(Preferences::Text(kRememberedName, ""));
  std::vector<TDeviceEntry> entries;
  for (std::string line; std::getline(text, line);) {
    TDeviceEntry entry;
    if (!ParseEntry(line, entry)) return {};
    entries.push_back(entry);
  }
  return entries;
}

std::vector<TDeviceEntry> ListSystemDevices() {
  TStringList list;
  EnumerateDevices(list);
  std::vector<TDeviceEntry> entries;
  for (int i = 0; i < list.Count(); ++i) {
    const auto* id = static_cast<const TGuid*>(list.Objects(i));
    entries.push_back({id ? std::optional<TGuid>(*id) : std::nullopt, list.Strings(i)});
  }
  FreeDeviceList(list);
  return entries;
}

TDeviceCatalog::TDeviceCatalog(TDeviceLister lister) : lister_(std::move(lister)), remembered_(RememberedDevices()) {}

TDeviceCatalog::~TDeviceCatalog() {
  if (thread_.joinable()) thread_.join();
}

void TDeviceCatalog::StartListing(std::function<void()> onListed) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (started_) return;
  started_ = true;
  thread_ = std::thread(&TDeviceCatalog::List, this, std::move(onListed));
}

void TDeviceCatalog::WaitListed() {
  StartListing();
  std::unique_lock<std::mutex> lock(mutex_);
  listedWake_.wait(lock, [this] { return done_; });
}

bool TDeviceCatalog::Listed() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return done_;
}

std::vector<TDeviceEntry> TDeviceCatalog::Entries() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return done_ ? listed_ : remembered_;
}

std::vector<TDeviceEntry> TDeviceCatalog::ListedEntries() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return listed_;
}

// The store is written only when the list changed: decks that start
// together do not all rewrite the same value.
void TDeviceCatalog::List(std::function<void()> onListed) {
  std::vector<TDeviceEntry> entries = lister_();
  const std::string remembered = Remembered(entries);
  if (remembered != Remembered(remembered_)) Preferences::SetText(kRememberedName, remembered);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    listed_ = std::move(entries);
    done_ = true;
  }
  listedWake_.notify_all();
  if (onListed) onListed();
}

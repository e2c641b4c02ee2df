#include "foundation/Preferences.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/OzoLog.h"
#include "platform/registry/Registry.h"

namespace {
constexpr const char* kPreferencesKey = "Software\\Ozo\\VySystem\\Preferences";
// A preference is a word or a number; anything longer is not ours.
constexpr DWORD kLongestValue = 1024;

// An open key that closes itself.
class OpenKey {
 public:
  OpenKey() {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPreferencesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The stored text, or false when there is none or it cannot be read.
bool ReadValue(const char* name, std::string& text) {
  OpenKey key;
  if (!key.get()) return false;
  std::vector<BYTE> bytes(kLongestValue);
  DWORD size = kLongestValue;
  LONG result = RegQueryValueExA(key.get(), name, nullptr, nullptr, bytes.data(), &size);
  if (result == ERROR_FILE_NOT_FOUND) return false;
  if (result != ERROR_SUCCESS) {
    LogPrintf("Preferences: \"%s\" cannot be read (error %d); the default is used", name, int(result));
    return false;
  }
  text.assign(reinterpret_cast<const char*>(bytes.data()), size);
  return true;
}

std::string FormatNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

void ReportBadValue(const char* name, const std::string& text) {
  LogPrintf("Preferences: \"%s\" has a value that is not valid (\"%.40s\"); the default is used", name, text.c_str());
}
}  // namespace

namespace Preferences {

std::string Text(const char* name, const std::string& fallback) {
  std::string text;
  return ReadValue(name, text) ? text : fallback;
}

bool Flag(const char* name, bool fallback) {
  std::string text;
  if (!ReadValue(name, text)) return fallback;
  if (text == "1") return true;
  if (text == "0") return false;
  ReportBadValue(name, text);
  return fallback;
}

double Number(const char* name, double fallback, double min, double max) {
  std::string text;
  if (!ReadValue(name, text)) return fallback;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < min ||
      value > max) {
    ReportBadValue(name, text);
    return fallback;
  }
  return value;
}

bool SetText(const char* name, const std::string& value) {
  OpenKey key;
  LONG result = key.get() ? RegSetValueExA(key.get(), name, 0, REG_BINARY,
                                           reinterpret_cast<const BYTE*>(value.data()), DWORD(value.size()))
                          : ERROR_CANTWRITE;
  if (result == ERROR_SUCCESS) return true;
  LogPrintf("Preferences: \"%s\" cannot be stored (error %d)", name, int(result));
  return false;
}

bool SetFlag(const char* name, bool value) { return SetText(name, value ? "1" : "0"); }

bool SetNumber(const char* name, double value) { return SetText(name, FormatNumber(value)); }

}  // namespace Preferences

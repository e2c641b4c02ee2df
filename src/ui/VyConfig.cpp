#include "ui/VyConfig.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "foundation/OzoLog.h"
#include "foundation/OzoReg.h"
#include "platform/kernel/KernelProcess.h"

namespace {
constexpr const char* kConfigValue = "Config";
constexpr const char* kVersionValue = "Version";
constexpr const char* kLogName = "vys.log";

// The log goes beside the program where it may write there (a build or a
// personal install); an installed program writes to the user's state folder.
std::string LogFile(const std::string& programFolder) {
  if (access(programFolder.c_str(), W_OK) == 0) return programFolder + kLogName;
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  std::string folder = state && *state ? std::string(state) : std::string(home ? home : ".") + "/.local/state";
  mkdir(folder.c_str(), 0700);  // the parent of a default state folder may be missing too
  folder += "/vy-system/";
  mkdir(folder.c_str(), 0700);
  return folder + kLogName;
}

// Decimal with an optional sign, nothing else; anything else is `fallback`.
int IntegerOr(const std::string& text, int fallback) {
  int value = 0;
  const char* begin = text.data() + (!text.empty() && text[0] == '+');
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && begin != end ? value : fallback;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

enum TOption { opNone, opSc, opLog, opX, opY, opKey, opUnknown };

TOption OptionNamed(const std::string& name) {
  static const struct {
    const char* name;
    TOption option;
  } kOptions[] = {{"sc", opSc}, {"log", opLog}, {"x", opX}, {"y", opY}, {"key", opKey}};
  for (const auto& o : kOptions)
    if (Lower(name) == o.name) return o.option;
  return opUnknown;
}

// "-" begins an option. "/" does too, but on this system it also begins
// every absolute path: it is an option only when an option's name follows.
TOption OptionOf(const std::string& argument) {
  if (argument.empty()) return opNone;
  if (argument[0] == '-') return OptionNamed(argument.substr(1));
  if (argument[0] == '/' && OptionNamed(argument.substr(1)) != opUnknown) return OptionNamed(argument.substr(1));
  return opNone;
}

// A value never begins with either mark: "-x /song.mp3" leaves the song a file.
bool CanBeValue(const std::string& argument) { return !argument.empty() && argument[0] != '-' && argument[0] != '/'; }

void ParseOption(TCommandLine& line, TOption option, const std::string& value) {
  switch (option) {
    case opSc:
      line.deviceIndex = uint32_t(IntegerOr(value, 0));
      break;
    case opX:
      line.left = IntegerOr(value, -1);
      break;
    case opY:
      line.top = IntegerOr(value, -1);
      break;
    case opKey: {
      const int key = IntegerOr(value, 0);
      if (key >= 1 && key <= 12) line.hotKey = key;
      break;
    }
    default:
      break;
  }
}
}  // namespace

void DefaultConfig(TVyConfigBlock& block) {
  std::memcpy(block.Magic, kConfigMagic, sizeof block.Magic);
  block.Reserved1 = 0;
  block.DeviceIndex = 0;
  block.WindowFlags = wfVUPeaks;
  std::memset(block.Folder, 0, sizeof block.Folder);
  block.Left = block.Top = -1;
  block.HotKey = 0;
  std::memset(block.Reserved2, 0, sizeof block.Reserved2);
}

// A value out of its range (a damaged or hand-edited store) takes its default:
// kept, it would show one choice in the dialog while the deck acts on another.
TVyPreferences ConfigPreferences(const TVyConfigBlock& block) {
  TVyPreferences preferences{};
  std::memcpy(static_cast<void*>(&preferences), block.Preferences, kPreferencesBytes);  // the stored bytes only
  const TVyPreferences defaults{};
  if (preferences.EndOfTrack > etRestart) preferences.EndOfTrack = defaults.EndOfTrack;
  if (preferences.TimeMode > 1) preferences.TimeMode = defaults.TimeMode;
  if (preferences.PitchRange > pr20) preferences.PitchRange = defaults.PitchRange;
  return preferences;
}

void SetConfigPreferences(TVyConfigBlock& block, const TVyPreferences& preferences) {
  std::memcpy(block.Preferences, &preferences, kPreferencesBytes);
}

// A short value would leave the rest of the block undefined: it counts as none.
// Position and hot key are for one run: whatever a store holds there is not
// taken (a hand-edited position could put the window off the screen).
bool LoadConfig(TVyConfigBlock& block) {
  TOzoRegTAG reg;
  unsigned read = 0;
  if (!(reg.OpenKey(kConfigKey) && reg.ValueExists(kConfigValue) &&
        reg.ReadValue(kConfigValue, &block, sizeof block, &read) && read == sizeof block &&
        std::memcmp(block.Magic, kConfigMagic, sizeof block.Magic) == 0))
    return false;
  block.Left = block.Top = -1;
  block.HotKey = 0;
  return true;
}

bool SaveConfig(const TVyConfigBlock& block) {
  TOzoRegTAG reg;
  return reg.OpenKey(kConfigKey) && reg.WriteBinary(kConfigValue, &block, sizeof block);
}

bool UpdateVersionRecord() {
  TOzoRegTAG reg;
  if (!reg.OpenKey(kConfigKey)) return false;
  if (!reg.ValueExists(kVersionValue)) return reg.WriteBinary(kVersionValue, &kThisVersion, sizeof kThisVersion);
  TVyVersionRecord stored{};
  if (!reg.ReadValue(kVersionValue, &stored, sizeof stored)) return false;
  if (kThisVersion.Code > stored.Code) return reg.WriteBinary(kVersionValue, &kThisVersion, sizeof kThisVersion);
  return true;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty()) continue;  // an empty word names no file
    const TOption option = OptionOf(argument);
    if (option == opNone) {
      line.files.push_back(argument);
    } else if (option == opLog) {
      line.log = true;
    } else if (option != opUnknown && i + 1 < arguments.size() && CanBeValue(arguments[i + 1])) {
      ParseOption(line, option, arguments[++i]);
    }
  }
  return line;
}

void ApplyCommandLine(const TCommandLine& line, TVyConfigBlock& block) {
  block.DeviceIndex = line.deviceIndex.value_or(block.DeviceIndex);
  block.Left = line.left.value_or(block.Left);
  block.Top = line.top.value_or(block.Top);
  block.HotKey = line.hotKey.value_or(block.HotKey);
  if (line.log) block.WindowFlags |= wfLog;
}

std::string DefaultLogFile() { return LogFile(GetProgramDirectory()); }

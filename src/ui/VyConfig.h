// What the deck remembers between runs: one 320-byte block in the user's
// settings store, shared by every deck of the user (the last to close wins),
// a version record beside it, and the command line that overrides the block
// for one run.
#pragma once
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "deck/VySystem.h"

static_assert(std::endian::native == std::endian::little, "the stored block is little-endian");

inline constexpr const char* kConfigKey = "Software\\Ozo\\VySystem";
inline constexpr char kConfigMagic[4] = {'2', '5', '0', '0'};
inline constexpr unsigned kPreferencesBytes = 23;  // as stored; the record's padding is not
inline constexpr unsigned kFolderBytes = 260;

// Window flags.
constexpr uint32_t wfVUPeaks = 0x01;
constexpr uint32_t wfDownmix = 0x02;
constexpr uint32_t wfLog = 0x04;

#pragma pack(push, 1)
struct TVyConfigBlock {
  char Magic[4];
  uint8_t Preferences[kPreferencesBytes];  // TVyPreferences's bytes
  uint8_t Reserved1;
  uint32_t DeviceIndex;
  uint32_t WindowFlags;
  char Folder[kFolderBytes];  // the open dialog's folder, ending in "/"; "" = default
  int32_t Left, Top;          // -1 = left to the window manager
  int32_t HotKey;             // 0 none, 1..12 F1..F12
  uint8_t Reserved2[12];
};

struct TVyVersionRecord {
  uint16_t Code;
  uint16_t Words[4];
  uint8_t Reserved[6];
};
#pragma pack(pop)
static_assert(sizeof(TVyConfigBlock) == 320 && sizeof(TVyVersionRecord) == 16);

// This version's record (2.51); only its code is ever compared.
inline constexpr TVyVersionRecord kThisVersion = {0x2501, {0, 1, 11, 1999}, {}};

// The block's own defaults; the preferences bytes are the caller's to fill.
void DefaultConfig(TVyConfigBlock& block);
TVyPreferences ConfigPreferences(const TVyConfigBlock& block);
void SetConfigPreferences(TVyConfigBlock& block, const TVyPreferences& preferences);

// True when a whole block with the right mark was read.
bool LoadConfig(TVyConfigBlock& block);
bool SaveConfig(const TVyConfigBlock& block);
// Stores this version's record when none, or an older one, is stored.
bool UpdateVersionRecord();

// The command line after the program's name, as parsed: file names in their
// order and the options given; nothing is acted on.
struct TCommandLine {
  std::vector<std::string> files;
  std::optional<uint32_t> deviceIndex;
  std::optional<int32_t> left, top, hotKey;
  bool log = false;
};
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
// The options over the block, for this run.
void ApplyCommandLine(const TCommandLine& line, TVyConfigBlock& block);

// Where the log goes: beside the program where it may write there, else the
// user's state folder, made when missing.
std::string DefaultLogFile();

// Our registry API: the calls, result codes and constants of the settings
// store the deck was designed for, kept to what the settings wrapper uses.
//
// The current user's hive is the folder $XDG_CONFIG_HOME/vy-system/registry
// (XDG_CONFIG_HOME defaults to ~/.config); a key is a folder below it, named
// by "\"-separated components, and a value is a file in the key's folder.
// A value is replaced atomically, so a crash, a kill or a second process
// writing the same value leaves either the old value or the new one whole;
// the temporary file a killed writer leaves is removed by a later write.
// No call waits on another process.
#pragma once
#include <cstdint>
#include <string>

using LONG = int32_t;
using DWORD = uint32_t;
using BYTE = uint8_t;
using REGSAM = DWORD;
using LPCSTR = const char*;
using LPSTR = char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

// The predefined key of the current user's hive: always open, never closed.
extern HKEY__ g_currentUserKey;
constexpr HKEY HKEY_CURRENT_USER = &g_currentUserKey;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_FILENAME_EXCED_RANGE = 206;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;

constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

struct SECURITY_ATTRIBUTES;

// Opens `subKey` below `key`, creating every missing folder on the way.
// Names must not be empty, begin with "." or hold "/"; a bad name fails with
// ERROR_BAD_PATHNAME and creates nothing. `options` and `access` are taken
// as given (every key is non-volatile and fully accessible).
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     const SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition);
// Frees a handle from RegCreateKeyExA; ERROR_INVALID_HANDLE for one already
// closed or never given out.
LONG RegCloseKey(HKEY key);
// With neither `data` nor `size`: tells whether the value exists. With
// `size` only: its length. With both: reads it into `*size` bytes, or fails
// with ERROR_MORE_DATA when it is longer; `*size` is then its length.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
// Stores `size` bytes; only REG_BINARY values are kept.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

// The folder of the current user's hive, or "" when no home can be found.
std::string RegistryHiveFolder();

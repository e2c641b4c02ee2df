#include "foundation/OzoReg.h"

#include <cstring>

#include "foundation/OzoAssert.h"

int TOzoRegTAG::OpenKey(const char* path) {
  OZO_ASSERT_WINDOW_THREAD();
  CloseKey();
  DWORD disposition = 0;
  if (RegCreateKeyExA(Root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &Key, &disposition) ==
      ERROR_SUCCESS) {
    Open = 1;
    // A longer path is cut to what the field holds, still terminated.
    std::strncpy(KeyPath, path, sizeof KeyPath - 1);
    KeyPath[sizeof KeyPath - 1] = '\0';
  }
  return Open;
}

int TOzoRegTAG::CloseKey() {
  OZO_ASSERT_WINDOW_THREAD();
  if (!Open) return 0;
  if (RegCloseKey(Key) != ERROR_SUCCESS) return 0;
  Open = 0;
  return 1;
}

int TOzoRegTAG::ValueExists(const char* name) {
  OZO_ASSERT_WINDOW_THREAD();
  return RegQueryValueExA(Key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

int TOzoRegTAG::ReadValue(const char* name, void* buffer, unsigned size, unsigned* read) {
  OZO_ASSERT_WINDOW_THREAD();
  DWORD length = size;
  if (RegQueryValueExA(Key, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &length) != ERROR_SUCCESS) return 0;
  if (read) *read = unsigned(length);
  return 1;
}

int TOzoRegTAG::WriteBinary(const char* name, const void* data, unsigned size) {
  OZO_ASSERT_WINDOW_THREAD();
  return RegSetValueExA(Key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

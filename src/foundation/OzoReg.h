// One open key of the user's settings store: open (creating it), test for a
// value, read a value into a buffer of a given size, store a binary value.
// Results are 1 or 0; nothing is reported through the error channel.
// Window thread only.
#pragma once
#include "platform/registry/Registry.h"

class TOzoRegTAG {
 public:
  explicit TOzoRegTAG(HKEY root = HKEY_CURRENT_USER) : Root(root) {}
  ~TOzoRegTAG() { CloseKey(); }
  TOzoRegTAG(const TOzoRegTAG&) = delete;
  TOzoRegTAG& operator=(const TOzoRegTAG&) = delete;

  // Closes the open key, then opens or creates `path` ("Software\Ozo\...").
  int OpenKey(const char* path);
  // 0 when nothing is open or the close failed (the key then stays open).
  int CloseKey();
  int ValueExists(const char* name);
  // Fails when the stored value is longer than `size`; `read`, when given,
  // receives the value's length.
  int ReadValue(const char* name, void* buffer, unsigned size, unsigned* read = nullptr);
  int WriteBinary(const char* name, const void* data, unsigned size);

  int Open = 0;
  HKEY Root;
  HKEY Key = nullptr;
  char KeyPath[256] = {};
};

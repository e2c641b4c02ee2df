// Stores generations 0 to count-1 of the deck's "Config" value as fast as it
// can, saying after each "wrote N": the tests kill it midway or race two.
#include <cstdio>
#include <cstdlib>

#include "RegistryGenerations.h"
#include "platform/registry/Registry.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int writer = std::atoi(argv[1]), count = std::atoi(argv[2]);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kDeckKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return 1;
  for (int number = 0; number < count; ++number) {
    const std::string value = Generation(writer, number);
    if (RegSetValueExA(key, "Config", 0, REG_BINARY, reinterpret_cast<const BYTE*>(value.data()),
                       DWORD(value.size())) != ERROR_SUCCESS)
      return 1;
    std::printf("wrote %d\n", number);
    std::fflush(stdout);
  }
  return RegCloseKey(key) == ERROR_SUCCESS ? 0 : 1;
}

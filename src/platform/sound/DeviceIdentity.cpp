#include "platform/sound/DeviceIdentity.h"

#include <cstring>

namespace {
// 64-bit FNV-1a; two different offsets give the two halves.
uint64_t Fnv1a(const std::string& text, uint64_t hash) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001B3ull;
  }
  return hash;
}
}  // namespace

TGuid DeviceIdentity(const std::string& name) {
  TGuid id;
  uint64_t halves[2] = {Fnv1a(name, 0xCBF29CE484222325ull), Fnv1a(name, 0x84222325CBF29CE4ull)};
  std::memcpy(id.bytes, halves, sizeof id.bytes);
  return id;
}

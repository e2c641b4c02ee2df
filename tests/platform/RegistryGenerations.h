// Distinct 320-byte values that name their writer and number, so a value
// read back can be checked whole against the one it claims to be.
#pragma once
#include <cstdint>
#include <string>

constexpr const char* kDeckKey = "Software\\Ozo\\VySystem";

inline std::string Generation(int writer, int number) {
  std::string bytes(320, '\0');
  bytes[0] = char(writer);
  bytes[1] = char(number & 0xFF);
  bytes[2] = char(number >> 8);
  uint32_t state = uint32_t(writer * 7919 + number) * 2654435761u;
  for (size_t i = 3; i < bytes.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = i % 7 == 0 ? '\0' : char(state >> 24);  // zeros inside, as a stored block has
  }
  return bytes;
}

inline bool IsGeneration(const std::string& bytes) {
  return bytes.size() == 320 && bytes == Generation(uint8_t(bytes[0]), uint8_t(bytes[1]) | uint8_t(bytes[2]) << 8);
}

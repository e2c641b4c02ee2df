// Result codes and identities shared by our stand-ins for the vendor services
// (sound buffers, keyboard snapshots): negative results are failures.
#pragma once
#include <cstdint>

using HRESULT = int32_t;
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MakeResult(uint32_t code) { return HRESULT(code); }

// A device identity: 16 bytes, stable across runs for the same device.
struct TGuid {
  uint8_t bytes[16];
  bool operator==(const TGuid&) const = default;
};

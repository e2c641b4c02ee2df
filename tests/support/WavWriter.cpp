#include "support/WavWriter.h"

std::string LittleEndian16(uint16_t value) {
  return std::string{char(value & 0xFF), char(value >> 8)};
}

std::string LittleEndian32(uint32_t value) {
  return LittleEndian16(uint16_t(value & 0xFFFF)) + LittleEndian16(uint16_t(value >> 16));
}

std::string RiffChunk(const std::string& id, const std::string& payload) {
  std::string chunk = id + LittleEndian32(uint32_t(payload.size())) + payload;
  if (payload.size() % 2) chunk += '\0';
  return chunk;
}

std::string MakeWav(const WavSpec& spec) {
  const uint16_t blockAlign = uint16_t(spec.channels * (spec.bits / 8));
  std::string pcm = LittleEndian16(spec.formatTag) + LittleEndian16(spec.channels) +
                    LittleEndian32(spec.rate) + LittleEndian32(spec.rate * blockAlign) +
                    LittleEndian16(blockAlign) + LittleEndian16(spec.bits);
  std::string fmt = (pcm + spec.fmtTail).substr(0, spec.fmtSize);
  std::string body = "WAVE" + RiffChunk("fmt ", fmt);
  for (const auto& [id, payload] : spec.chunksBeforeData) body += RiffChunk(id, payload);
  body += "data" + LittleEndian32(spec.declaredDataSize.value_or(uint32_t(spec.data.size()))) +
          spec.data;
  if (spec.data.size() % 2) body += '\0';
  return "RIFF" + LittleEndian32(uint32_t(body.size())) + body;
}

std::string PatternBytes(size_t count, uint32_t seed) {
  std::string bytes(count, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = char(state >> 24);
  }
  return bytes;
}

#include "support/WavWriter.h"

std::string LittleEndian16(uint16_t value) { return std::string{char(value & 0xFF), char(value >> 8)}; }

std::string LittleEndian32(uint32_t value) {
  return LittleEndian16(uint16_t(value & 0xFFFF)) + LittleEndian16(uint16_t(value >> 16));
}

std::string RiffChunk(const std::string& id, const std::string& payload) {
  std::string chunk = id + LittleEndian32(uint32_t(payload.size())) + payload;
  if (payload.size() % 2) chunk += '\0';
  return chunk;
}

std::string MakeWav(const WavLayout& layout) {
  const uint16_t blockAlign = uint16_t(layout.channels * (layout.bits / 8));
  std::string pcm = LittleEndian16(layout.formatTag) + LittleEndian16(layout.channels) + LittleEndian32(layout.rate) +
                    LittleEndian32(layout.rate * blockAlign) + LittleEndian16(blockAlign) + LittleEndian16(layout.bits);
  std::string fmt = (pcm + layout.fmtTail).substr(0, layout.fmtSize);
  std::string body = "WAVE" + RiffChunk("fmt ", fmt);
  for (const auto& [id, payload] : layout.chunksBeforeData) body += RiffChunk(id, payload);
  body += "data" + LittleEndian32(layout.declaredDataSize.value_or(uint32_t(layout.data.size()))) + layout.data;
  if (layout.data.size() % 2) body += '\0';
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

std::string PcmBytes(const std::vector<int16_t>& samples) {
  std::string bytes;
  bytes.reserve(samples.size() * 2);
  for (int16_t sample : samples) bytes.append({char(sample & 0xFF), char(uint16_t(sample) >> 8)});
  return bytes;
}

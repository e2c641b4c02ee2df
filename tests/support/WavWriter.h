// Builds RIFF WAVE files in memory for tests, correct or deliberately broken.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct WavLayout {
  uint16_t formatTag = 1;
  uint16_t channels = 2;
  uint32_t rate = 44100;
  uint16_t bits = 16;
  // Bytes of the "fmt " chunk written; fewer than 16 cuts the PCM part short.
  uint32_t fmtSize = 16;
  // Bytes after the 16-byte PCM part inside "fmt " (extra size word and extras).
  std::string fmtTail;
  // Chunks (id, payload) between "fmt " and "data"; odd sizes get their pad byte.
  std::vector<std::pair<std::string, std::string>> chunksBeforeData;
  std::string data;
  // Size written in the "data" header instead of data.size() (for truncated files).
  std::optional<uint32_t> declaredDataSize;
};

// One chunk: id, little-endian size, payload and a pad byte when the size is odd.
std::string RiffChunk(const std::string& id, const std::string& payload);

std::string MakeWav(const WavLayout& layout);

// Deterministic, non-repeating bytes, so misplaced data cannot go unnoticed.
std::string PatternBytes(size_t count, uint32_t seed = 1);

// 16-bit samples as the little-endian bytes of a "data" chunk.
std::string PcmBytes(const std::vector<int16_t>& samples);

std::string LittleEndian16(uint16_t value);
std::string LittleEndian32(uint32_t value);

#include "support/SoundFiles.h"

#include <cstdint>

#include "foundation/OzoPath.h"
#include "support/ChildProcess.h"

namespace {
std::string BigEndian(uint64_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += char(value >> (8 * i));
  return out;
}

std::string Chunk(const std::string& id, const std::string& payload) {
  return id + BigEndian(payload.size(), 4) + payload + (payload.size() % 2 ? std::string(1, '\0') : "");
}

// An integer rate as the 80-bit extended float of the COMM chunk.
std::string Extended(uint32_t rate) {
  int exponent = 31;
  while (!(rate & 0x80000000u)) rate <<= 1, --exponent;
  return BigEndian(16383 + exponent, 2) + BigEndian(uint64_t(rate) << 32, 8);
}
}  // namespace

std::string MakeAiff(const std::string& pcm, uint16_t channels, uint32_t rate, const std::string& name) {
  std::string samples;  // big-endian
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) samples += std::string{pcm[i + 1], pcm[i]};
  const uint32_t frames = uint32_t(pcm.size() / 2 / channels);
  std::string body =
      "AIFF" + Chunk("COMM", BigEndian(channels, 2) + BigEndian(frames, 4) + BigEndian(16, 2) + Extended(rate));
  if (!name.empty()) body += Chunk("NAME", name);
  body += Chunk("SSND", std::string(8, '\0') + samples);
  return Chunk("FORM", body);
}

std::string Widen24(const std::string& pcm, uint8_t low) {
  std::string out;
  out.reserve(pcm.size() / 2 * 3);
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) out += std::string{char(low), pcm[i], pcm[i + 1]};
  return out;
}

bool Encode(const std::string& wav, const std::string& out, const std::string& title) {
  std::vector<std::string> argv;
  if (HasExtension(out, ".FLAC")) {
    argv = {"flac", "--silent", "--force", "-0", "-o", out};
    if (!title.empty()) argv.push_back("--tag=TITLE=" + title);
  } else if (HasExtension(out, ".OGG")) {
    argv = {"oggenc", "--quiet", "-q", "4", "-o", out};
    if (!title.empty()) argv.insert(argv.end(), {"-t", title});
  } else if (HasExtension(out, ".OPUS")) {
    argv = {"opusenc", "--quiet", "--bitrate", "128"};
    if (!title.empty()) argv.insert(argv.end(), {"--title", title});
    argv.insert(argv.end(), {wav, out});
    return RunProgram(argv) == 0;
  } else {
    return false;
  }
  argv.push_back(wav);
  return RunProgram(argv) == 0;
}

#include "foundation/OzoPath.h"

#include <strings.h>

TPathParts SplitPath(const std::string& path) {
  TPathParts parts;
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  parts.dir = path.substr(0, nameStart);
  std::string base = path.substr(nameStart);
  size_t dot = base.rfind('.');
  if (dot == std::string::npos) {
    parts.name = base;
  } else {
    parts.name = base.substr(0, dot);
    parts.ext = base.substr(dot);
  }
  return parts;
}

bool HasExtension(const std::string& path, const char* ext) {
  return strcasecmp(SplitPath(path).ext.c_str(), ext) == 0;
}

std::string NameAndExtension(const std::string& path) {
  const TPathParts parts = SplitPath(path);
  return parts.name + parts.ext;
}

namespace {
constexpr char kElision[] = "...";
constexpr size_t kElisionBytes = sizeof kElision - 1;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

// Two thirds of the room for the start, which names the song; the rest for
// the end, where the extension and often the mix's name are.
std::string ElideMiddle(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  if (maxBytes <= kElisionBytes) return "";
  const size_t room = maxBytes - kElisionBytes;
  size_t headEnd = room * 2 / 3;
  while (headEnd > 0 && IsContinuationByte(text[headEnd])) --headEnd;
  size_t tailStart = text.size() - (room - room * 2 / 3);
  while (tailStart < text.size() && IsContinuationByte(text[tailStart])) ++tailStart;
  return text.substr(0, headEnd) + kElision + text.substr(tailStart);
}

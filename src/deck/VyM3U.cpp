#include "deck/VyM3U.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "audio/decoders/SoundFormats.h"
#include "foundation/OzoError.h"
#include "foundation/OzoPath.h"

namespace {
// Far beyond any real playlist (some 100,000 entries), small enough to read
// at once; anything larger is not a playlist, and must not exhaust memory.
constexpr off_t kMaxPlaylistBytes = 16 << 20;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Only regular files of a sane size: a pipe or a device would block or never end.
const char* RefusalReason(const std::string& fileName) {
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) return strerror(errno);
  if (!S_ISREG(info.st_mode)) return "not a regular file";
  if (info.st_size > kMaxPlaylistBytes) return "larger than 16 MiB";
  return nullptr;
}

// A playlist listed in a playlist is not followed (lists could name each
// other without end) and is no track either.
bool IsEntry(const std::string& line) { return line[0] != '#' && !IsBlankLine(line) && !IsPlaylistName(line); }

// Windows-made lists separate folders with "\"; an absolute POSIX name keeps
// its bytes, since "\" is a legal character in a file name there.
std::string WithPosixSeparators(std::string name) {
  if (name[0] != '/') std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}
}  // namespace

bool IsPlaylistName(const std::string& name) { return IsFormatOf(name, frPlaylist); }

bool IsBlankLine(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

int ReadM3U(const std::string& fileName, TStringList& entries) {
  entries.Clear();
  const char* refusal = RefusalReason(fileName);
  TStringList lines;
  if (!refusal && lines.LoadFromFile(fileName) != 0) refusal = strerror(errno);
  if (refusal) {
    ReportError(__FILE__, __LINE__, kReport, "VyPlayList: Can't read playlist %s: %s", fileName.c_str(), refusal);
    return -1;
  }
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Strings(i);
    if (i == 0 && line.rfind(kUtf8Bom, 0) == 0) line.erase(0, sizeof kUtf8Bom - 1);
    if (IsEntry(line)) entries.Add(WithPosixSeparators(line));
  }
  return 0;
}

// Feeds arbitrary bytes to the playlist loader, once as a playlist file given
// alone and once as the list of names itself. Besides crashes and hangs, a
// loaded list that breaks the loader's promises is a find.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInputFile.h"
#include "deck/VyM3U.h"
#include "deck/VyPlayList.h"

namespace {
// A playlist name that leads to the fuzz input file.
std::string PlaylistLink(const char* inputFile) {
  std::string folder = "/tmp/vys-fuzz-m3u-XXXXXX";
  if (!mkdtemp(folder.data())) std::abort();
  std::string link = folder + "/input.m3u";
  if (symlink(inputFile, link.c_str()) != 0) std::abort();
  return link;
}

void Require(bool promise) {
  if (!promise) std::abort();
}

void CheckIndex(const TVyPlayListTAG& list, int count) {
  Require(count == list.Entries.Count());
  Require(list.CurrentIndex == (count > 0 ? 0 : -1));
}

// Every entry of a playlist file names something: no comment, no blank line.
void CheckPlaylistEntries(const TVyPlayListTAG& list) {
  for (int i = 0; i < list.Entries.Count(); ++i) {
    const std::string& entry = list.Entries.Strings(i);
    Require(!IsBlankLine(entry) && entry[0] != '#');
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string playlist = PlaylistLink(FuzzInputFile(data, size));
  FuzzInputFile(data, size);
  TVyPlayListTAG list;
  CheckIndex(list, list.Load(playlist, false));
  CheckPlaylistEntries(list);
  CheckIndex(list, list.Load(std::string(reinterpret_cast<const char*>(data), size), size % 2 == 1));
  return 0;
}

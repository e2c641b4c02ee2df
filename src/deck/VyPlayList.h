// The deck's list of files to play and its current entry. Used on the
// window's thread only, without a lock.
#pragma once
#include <string>

#include "foundation/StringList.h"

class TVyPlayListTAG {
 public:
  // Replaces the whole list with the names in text, one per line, and returns
  // the entry count. A single playlist file (".m3u", ".m3u8") is replaced by
  // its entries and its folder becomes the current directory, so that its
  // relative names resolve when opened. Several names: reversed when reverse
  // is set, then names without extension and playlist files are dropped.
  // The current index is 0, or -1 when the list is empty.
  int Load(const std::string& text, bool reverse);

  TStringList Entries;
  int CurrentIndex = -1;
  // The entry last handed to the song engine. Kept whole, not cut at 260
  // characters: a POSIX path may be far longer.
  std::string CurrentName;

 private:
  void LoadPlaylistFile(const std::string& fileName);
  void KeepTracksOnly(bool reverse);
};

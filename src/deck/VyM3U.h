// Reading M3U playlist files (".m3u", and ".m3u8" in UTF-8) into the names
// they list, as written by today's players and by Windows.
#pragma once
#include <string>

#include "foundation/StringList.h"

// True when the name's extension is ".m3u" or ".m3u8" in any letter case.
bool IsPlaylistName(const std::string& name);

// True for a line that names nothing: empty or only spaces and tabs.
bool IsBlankLine(const std::string& line);

// Replaces entries with the file names the playlist lists, in order: comment
// and directive lines ("#EXTM3U", "#EXTINF:...") and blank lines are left out,
// a byte-order mark is ignored and relative names with "\" separators get "/".
// Returns 0, or -1 after a report (the file cannot be read, is not a regular
// file or is too large); entries is then empty.
int ReadM3U(const std::string& fileName, TStringList& entries);

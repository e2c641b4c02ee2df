// The kinds of file the deck opens, by extension, grouped as the open dialog
// lists them: one list for the dialog and for a dropped folder. It names the
// extensions the decoders' CanOpen take.
#pragma once
#include <string>
#include <vector>

struct TSoundFormatGroup {
  const char* label;                    // as the open dialog names it
  std::vector<const char*> extensions;  // upper case, dot included
  bool playlist;                        // M3U: a list of tracks, not a track
};

const std::vector<TSoundFormatGroup>& SoundFormatGroups();

// True when a decoder takes the file by its extension, in any letter case.
bool IsTrackFileName(const std::string& path);

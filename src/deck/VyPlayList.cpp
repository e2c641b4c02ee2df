#include "deck/VyPlayList.h"

#include <cerrno>
#include <cstring>

#include "deck/VyM3U.h"
#include "foundation/OzoError.h"
#include "foundation/OzoPath.h"
#include "platform/kernel/KernelProcess.h"

int TVyPlayListTAG::Load(const std::string& text, bool reverse) {
  Entries.SetText(text);
  for (int i = Entries.Count() - 1; i >= 0; --i)
    if (IsBlankLine(Entries.Strings(i))) Entries.Delete(i);
  if (Entries.Count() == 1 && IsPlaylistName(Entries.Strings(0)))
    LoadPlaylistFile(std::string(Entries.Strings(0)));  // a copy: loading replaces the entry
  else if (Entries.Count() > 1)
    KeepTracksOnly(reverse);
  CurrentIndex = Entries.Count() > 0 ? 0 : -1;
  return Entries.Count();
}

// An unreadable playlist leaves the list empty; the report says why.
void TVyPlayListTAG::LoadPlaylistFile(const std::string& fileName) {
  if (ReadM3U(fileName, Entries) != 0) return;
  std::string folder = SplitPath(fileName).dir;
  if (!folder.empty() && !SetCurrentDirectory(folder.c_str()))
    ReportError(__FILE__, __LINE__, kReport, "VyPlayList: Can't change to folder %s: %s", folder.c_str(),
                strerror(errno));
}

// Playlists expand only when given alone; a name without extension is no track.
void TVyPlayListTAG::KeepTracksOnly(bool reverse) {
  int count = Entries.Count();
  if (reverse)
    for (int i = 0; i < count / 2; ++i) Entries.Exchange(i, count - 1 - i);
  for (int i = count - 1; i >= 0; --i) {
    const std::string& name = Entries.Strings(i);
    if (SplitPath(name).ext.empty() || IsPlaylistName(name)) Entries.Delete(i);
  }
}

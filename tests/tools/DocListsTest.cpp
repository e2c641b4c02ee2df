// The files a desktop and a reader see list the formats the decoders take and
// the deck's keys from the program's own tables, as the build fills them in.
#include <gtest/gtest.h>

#include "audio/decoders/SoundFormats.h"
#include "support/TempDir.h"

namespace {
std::string MimeTypeLine(const std::string& desktopEntry) {
  const size_t start = desktopEntry.find("\nMimeType=");
  if (start == std::string::npos) return "";
  const size_t end = desktopEntry.find('\n', start + 1);
  return desktopEntry.substr(start + 10, end == std::string::npos ? end : end - start - 10);
}

TEST(DocLists, TheDesktopEntryManualAndHelpPageListTheFormatsAndKeys) {
  EXPECT_EQ(MimeTypeLine(ReadFileBytes(VYS_DESKTOP_ENTRY)),
            "audio/mpeg;audio/x-mp3;audio/mp3;audio/x-mp2;audio/x-mpeg;audio/wav;audio/x-wav;audio/flac;audio/x-flac;"
            "audio/aiff;audio/x-aiff;audio/ogg;audio/x-vorbis+ogg;audio/x-opus+ogg;audio/mp4;audio/x-m4a;audio/aac;"
            "audio/x-aac;audio/x-mpegurl;audio/mpegurl;"
            "application/vnd.apple.mpegurl;");
  const std::string names = FormatNamesText();
  EXPECT_EQ(names, "MP3, MP2, MPG, WAV, FLAC, AIFF, Ogg Vorbis, Opus, M4A, MP4 and AAC files, M3U and M3U8 playlists");
  for (const char* path : {VYS_MANUAL_PAGE, VYS_HELP_PAGE, VYS_METAINFO}) {
    const std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find(names), std::string::npos) << path;
    EXPECT_EQ(text.find("@VYS_"), std::string::npos) << path << " has a field left unfilled";
  }
  const std::string help = ReadFileBytes(VYS_HELP_PAGE);
  EXPECT_NE(help.find("<tr><td>keypad <kbd>+</kbd> or <kbd>Up</kbd> (hold)</td><td>Bend faster</td></tr>"),
            std::string::npos);
  EXPECT_EQ(help.find("<kbd>Alt</kbd>"), std::string::npos) << "Alt has no action of its own";
}
}  // namespace

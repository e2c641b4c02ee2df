// The kinds of file the deck opens, grouped as the open dialog lists them:
// the one list of extensions, MIME types and decoders that the decoders'
// CanOpen, the playlist test, the open dialog, a dropped folder, --help and
// the desktop files read.
#pragma once
#include <string>
#include <vector>

// Which part of the deck reads a group's files.
enum TFormatReader : uint8_t { frMpeg, frWave, frSoundFile, frMpeg4, frPlaylist };

struct TSoundFormatGroup {
  const char* label;                    // as the open dialog names it
  std::vector<const char*> names;       // as the help texts name the formats
  std::vector<const char*> extensions;  // upper case, dot included
  std::vector<const char*> mimeTypes;   // as the desktop announces them
  TFormatReader reader;
};

const std::vector<TSoundFormatGroup>& SoundFormatGroups();

// True when the name's extension, in any letter case, is one of the reader's.
bool IsFormatOf(const std::string& path, TFormatReader reader);
// True when a decoder takes the file by its extension, in any letter case.
bool IsTrackFileName(const std::string& path);
// "MP3, ... and AAC files, M3U and M3U8 playlists", for the help texts.
std::string FormatNamesText();
// Every group's MIME types, each ended by ';', as a desktop entry lists them.
std::string DesktopMimeTypes();

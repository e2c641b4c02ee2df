// Splitting file names into folder, base name and extension.
#pragma once
#include <string>

struct TPathParts {
  std::string dir;   // up to and including the last '/', or empty
  std::string name;  // base name without extension
  std::string ext;   // from the last '.' of the base name, dot included, or empty
};

TPathParts SplitPath(const std::string& path);

// The file's name with its extension, without its folder.
std::string NameAndExtension(const std::string& path);

// True when the extension of path equals ext (".WAV", ...) in any letter case.
bool HasExtension(const std::string& path, const char* ext);

// `text` fitted into `maxBytes` bytes by taking out its middle for "...", so
// that a long file name keeps its start and its extension. Never splits a
// UTF-8 character.
std::string ElideMiddle(const std::string& text, size_t maxBytes);

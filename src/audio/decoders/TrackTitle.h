// The one title reader the decoders ask: the display title a track's tags
// give, in the designed form "Artist - Title", or whichever of the two the
// tags name. UTF-8 throughout.
#pragma once
#include <cstddef>
#include <string>

// "artist - title", or whichever of the two is not empty.
std::string ShownTitle(const std::string& artist, const std::string& title);

// Writes the title the tags of fileName give into title (at most titleSize
// bytes, NUL included, never a character cut in two) and returns true; when
// the tags name neither artist nor title, or cannot be read, leaves title
// as it is (the decoder's own fallback) and returns false.
bool ReadTagTitle(const char* fileName, char* title, size_t titleSize);

// Files opened to be read from start to end: songs and their tags.
#pragma once
#include <cstdint>

// Opens a regular file for reading and gives its size: the descriptor, or -1
// with errno set (EINVAL for a folder, a pipe or a device). It never waits: a
// pipe named like a song would otherwise hold the deck until something wrote
// to it.
int OpenRegularFile(const char* name, uint64_t* size = nullptr);

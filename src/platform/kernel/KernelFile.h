// Whole files: songs and their tags opened to be read from start to end,
// and small files of settings replaced at once.
#pragma once
#include <cstdint>
#include <string>

// Opens a regular file for reading and gives its size: the descriptor, or -1
// with errno set (EINVAL for a folder, a pipe or a device). It never waits: a
// pipe named like a song would otherwise hold the deck until something wrote
// to it.
int OpenRegularFile(const char* name, uint64_t* size = nullptr);

// Replaces the file at `path` with `bytes` whole, making its folders when
// missing: a temporary beside it, on disk before it takes the name, so that
// a crash leaves the old file or the new one. 0, or the errno of the failure.
int ReplaceFileWhole(const std::string& path, const std::string& bytes);

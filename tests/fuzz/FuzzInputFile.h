// The fuzz input as a file, for readers that take a file name. One file per
// process, rewritten for every input.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const char* FuzzInputFile(const uint8_t* data, size_t size) {
  static std::string path = [] {
    std::string pattern = "/tmp/vys-fuzz-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    return pattern;
  }();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  return path.c_str();
}

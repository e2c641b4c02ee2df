#include "platform/kernel/KernelProcess.h"

#include <malloc.h>
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>

std::string GetCurrentDirectory() {
  char path[PATH_MAX];
  return getcwd(path, sizeof path) ? std::string(path) : std::string();
}

bool SetCurrentDirectory(const char* path) { return path && chdir(path) == 0; }

std::string GetProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "./";
  std::string exe(path, size_t(length));
  return exe.substr(0, exe.rfind('/') + 1);
}

namespace {
bool DebuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + 10) != 0;
  return false;
}
}  // namespace

void OutputDebugString(const char* text) {
  static const bool attached = DebuggerAttached();
  if (attached) std::fprintf(stderr, "%s\n", text);
}

void ShareOneHeap() {
#ifdef __GLIBC__
  mallopt(M_ARENA_MAX, 1);
#endif
}

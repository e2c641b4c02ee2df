#include "foundation/OzoLog.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "foundation/OzoError.h"
#include "foundation/OzoRepeat.h"
#include "platform/kernel/KernelProcess.h"

namespace {
constexpr size_t kLineSize = 1024;
constexpr char kLogName[] = "vys.log";

std::atomic<bool> logging{false};

TOzoRepeatFilter& Repeats() {
  static TOzoRepeatFilter filter(SystemCounter(), LogLine);
  return filter;
}

// The error hook: a failure that repeats is written once, then counted.
void LogReport(const char* text) { Repeats().Pass(text); }
std::mutex pathMutex;
std::string logPath;

// One write() of the whole line to a file opened for appending: lines from
// several threads, or from several decks sharing the folder, never interleave.
void AppendLine(const std::string& path, const char* text) {
  std::string line(text);
  line += '\n';
  int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;  // a line that cannot be written is dropped, like one that cannot be opened
  close(fd);
}
}  // namespace

std::string LogPath() {
  std::lock_guard<std::mutex> guard(pathMutex);
  if (logPath.empty()) logPath = GetProgramDirectory() + kLogName;
  return logPath;
}

void SetLogPath(const std::string& path) {
  std::lock_guard<std::mutex> guard(pathMutex);
  logPath = path;
}

bool LogIsOn() { return logging; }

void LogStart() {
  if (logging) return;
  logging = true;
  LogLine("--------- VYS log start ----------");
  SetErrorHook(LogReport);
  SetDebugHook(LogLine);
}

void LogStop() {
  if (!logging) return;
  SetErrorHook(nullptr);
  SetDebugHook(nullptr);
  Repeats().FlushAll();
  LogLine("--------- VYS log end\n");
  logging = false;
}

void LogLine(const char* text) {
  if (!logging) return;
  AppendLine(LogPath(), text);
}

void LogFlushRepeats() {
  if (logging) Repeats().Flush();
}

void LogPrintf(const char* format, ...) {
  char text[kLineSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  LogLine(text);
}

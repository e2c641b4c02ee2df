#include "support/XvfbServer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "support/ChildProcess.h"

namespace {
// Xvfb starts in well under a second; a loaded machine under the sanitizers
// gets ample room.
constexpr auto kStartLimit = std::chrono::seconds(30);
}  // namespace

XvfbServer::XvfbServer() {
  if (const char* display = std::getenv("DISPLAY")) {
    hadDisplay_ = true;
    savedDisplay_ = display;
  }
  int announce[2];
  if (pipe2(announce, O_CLOEXEC) != 0) return;
  // The server writes its display number to the descriptor -displayfd names.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, announce[1], 3);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_ = StartProgram({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "800x600x24"}, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(announce[1]);
  std::string number = pid_ > 0 ? ReadLineFrom(announce[0], kStartLimit) : "";
  close(announce[0]);
  if (number.empty()) return;
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer() {
  Stop();
  if (hadDisplay_)
    setenv("DISPLAY", savedDisplay_.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

void XvfbServer::Stop() {
  StopProgram(pid_);
  pid_ = -1;
}

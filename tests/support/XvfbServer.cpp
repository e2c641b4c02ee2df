#include "support/XvfbServer.h"

#include <cstdlib>

// The server writes its display number on standard output once it accepts
// clients; a loaded machine under the sanitizers gets ample time for that.
XvfbServer::XvfbServer() : server_({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"}) {
  if (const char* display = std::getenv("DISPLAY")) {
    hadDisplay_ = true;
    saved_ = display;
  }
  std::string number = server_.WaitForLine("", 0, std::chrono::seconds(30));
  if (number.empty()) return;
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer() {
  server_.Stop();
  if (hadDisplay_)
    setenv("DISPLAY", saved_.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

void RelaxStringChecksForQtWindows() {
  if (const char* asan = std::getenv("ASAN_OPTIONS"))
    setenv("ASAN_OPTIONS", (std::string(asan) + ":strict_string_checks=0").c_str(), 1);
}

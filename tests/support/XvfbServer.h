// A private X server for one test: Xvfb on a display number it picks itself
// (so tests can run side by side), named in DISPLAY while the test runs and
// stopped at the end.
#pragma once
#include <sys/types.h>

#include <string>

class XvfbServer {
 public:
  XvfbServer();   // Ok() tells whether the server came up
  ~XvfbServer();  // stops the server and restores DISPLAY
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Ok() const { return !display_.empty(); }
  const std::string& Display() const { return display_; }  // ":N"
  // Stops the server early, as a desktop session that ends would.
  void Stop();

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string savedDisplay_;
  bool hadDisplay_ = false;
};

// A private X server for one test: Xvfb on a display number it picks itself
// (so tests can run side by side), named in DISPLAY while the test runs and
// stopped at the end.
#pragma once
#include <string>

#include "support/ChildProcess.h"

class XvfbServer {
 public:
  XvfbServer();   // Ok() tells whether the server came up
  ~XvfbServer();  // stops the server and restores DISPLAY

  bool Ok() const { return !display_.empty(); }
  // Stops the server early, as a desktop session that ends would.
  void Stop() { server_.Stop(); }

 private:
  ChildProcess server_;
  std::string display_;  // ":N"
  std::string saved_;
  bool hadDisplay_ = false;
};

// Qt's X keymap library copies names with strndup from unterminated buffers,
// which AddressSanitizer's strict string checks take for an overflow: turns
// them off for the Qt windows a test starts from now on.
void RelaxStringChecksForQtWindows();

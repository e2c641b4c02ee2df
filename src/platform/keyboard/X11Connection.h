// An Xlib connection of our own to $DISPLAY that outlives its server: Xlib
// would end the whole process when the connection breaks; here the
// connection is only marked lost and can be opened again.
#pragma once
#include <functional>

struct _XDisplay;

class X11Connection {
 public:
  X11Connection() = default;
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;
  ~X11Connection() { Close(); }

  // True when connected; a lost connection is closed and opened anew.
  bool Open();
  void Close();
  // Null when not open. Lost() turns true when a request found the server gone.
  _XDisplay* display() const { return display_; }
  bool Lost() const { return lost_; }

  // Sends `requests`, waits for the server to handle them and returns the
  // first X error code they caused (0 for none) instead of letting Xlib's
  // default handler print it and end the process.
  int SyncTrappingErrors(const std::function<void()>& requests);

 private:
  static void OnLost(_XDisplay* display, void* self);

  _XDisplay* display_ = nullptr;
  bool lost_ = false;
};

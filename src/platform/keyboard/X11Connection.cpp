#include "platform/keyboard/X11Connection.h"

#include <X11/Xlib.h>

namespace {
// Xlib's error handler is process-wide; trapping happens on the window's
// thread only, one request batch at a time.
int trappedError = 0;

int TrapError(Display*, XErrorEvent* error) {
  if (trappedError == 0) trappedError = error->error_code;
  return 0;
}

// Xlib's default handler for a broken connection ends the process before the
// connection's own exit handler could say otherwise. This one only returns;
// each connection's exit handler then decides (ours mark it lost; any other
// Xlib connection keeps the default, which exits).
int ReturnFromIOError(Display*) { return 0; }
}  // namespace

bool X11Connection::Open() {
  if (display_ && lost_) Close();
  if (display_) return true;
  static const XIOErrorHandler installed = XSetIOErrorHandler(ReturnFromIOError);
  (void)installed;
  display_ = XOpenDisplay(nullptr);
  if (!display_) return false;
  lost_ = false;
  XSetIOErrorExitHandler(display_, &X11Connection::OnLost, this);
  return true;
}

void X11Connection::Close() {
  // Closing a lost connection only frees it: Xlib sends nothing more.
  if (display_) XCloseDisplay(display_);
  display_ = nullptr;
  lost_ = false;
}

void X11Connection::OnLost(Display*, void* self) { static_cast<X11Connection*>(self)->lost_ = true; }

int X11Connection::SyncTrappingErrors(const std::function<void()>& requests) {
  XSync(display_, False);  // errors of earlier requests are not ours to catch
  trappedError = 0;
  XErrorHandler previous = XSetErrorHandler(TrapError);
  requests();
  XSync(display_, False);
  XSetErrorHandler(previous);
  return trappedError;
}

#include "platform/keyboard/X11Connection.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

#include "platform/kernel/KernelCheck.h"

namespace {
// Xlib's error handler is process-wide; trapping happens on the window's
// thread only, one request batch at a time.
int trappedError = 0;

int TrapError(Display*, XErrorEvent* error) {
  if (trappedError == 0) trappedError = error->error_code;
  return 0;
}

// Xlib's broken-connection handler is process-wide and its default ends the
// process before a connection's exit handler is asked. Ours only returns for
// our own connections, whose exit handler then marks them lost; any other
// connection (the toolkit's) gets the handler installed before ours.
std::vector<Display*> ourDisplays;
XIOErrorHandler otherHandler = nullptr;

int OnBrokenConnection(Display* display) {
  if (std::find(ourDisplays.begin(), ourDisplays.end(), display) != ourDisplays.end()) return 0;
  return otherHandler ? otherHandler(display) : 0;
}

void HandleBrokenConnection(Display* display) {
  XIOErrorHandler previous = XSetIOErrorHandler(OnBrokenConnection);
  if (previous != OnBrokenConnection) otherHandler = previous;
  ourDisplays.push_back(display);
}
}  // namespace

bool X11Connection::Open() {
  if (display_ && lost_) Close();
  if (display_) return true;
  display_ = XOpenDisplay(nullptr);
  if (!display_) return false;
  lost_ = false;
  HandleBrokenConnection(display_);
  XSetIOErrorExitHandler(display_, &X11Connection::OnLost, this);
  return true;
}

void X11Connection::Close() {
  // Closing a lost connection only frees it: Xlib sends nothing more. A
  // connection whose server went unnoticed breaks in the close itself, so it
  // stays ours until closed.
  if (display_) {
    XCloseDisplay(display_);
    ourDisplays.erase(std::find(ourDisplays.begin(), ourDisplays.end(), display_));
  }
  display_ = nullptr;
  lost_ = false;
}

void X11Connection::OnLost(Display*, void* self) { static_cast<X11Connection*>(self)->lost_ = true; }

int X11Connection::SyncTrappingErrors(const std::function<void()>& requests) {
  KERNEL_CHECK_WINDOW_THREAD();
  XSync(display_, False);  // errors of earlier requests are not ours to catch
  trappedError = 0;
  XErrorHandler previous = XSetErrorHandler(TrapError);
  requests();
  XSync(display_, False);
  XSetErrorHandler(previous);
  return trappedError;
}

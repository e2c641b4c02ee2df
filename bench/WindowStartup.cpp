// window_startup PREFIX COMMAND [ARG...]: starts COMMAND and prints, on one
// line, its pid and the milliseconds from the fork to the moment one of its
// top-level windows is mapped with a title that starts with PREFIX; then
// waits for COMMAND and exits with its code (127 if it ends before).
//
// It listens to the X server's own map and property events, so the figure
// is not rounded up to a polling period. Run it without a window manager:
// it watches the root window's children, which a manager would reparent.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
// How often a command whose window has not shown is checked for having ended.
constexpr int kChildCheckMs = 100;

std::string Title(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XA_WM_NAME, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 8)
    title.assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  return title;
}

bool Shown(Display* display, Window window, const char* prefix) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return false;
  return Title(display, window).rfind(prefix, 0) == 0;
}

// A window that went away between its event and our look at it is no error.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

int Finish(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_startup PREFIX COMMAND [ARG...]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "window_startup: no X display\n");
    return 2;
  }
  XSetErrorHandler(IgnoreErrors);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);  // listening before the command starts

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    close(ConnectionNumber(display));
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  const char* prefix = argv[1];
  for (;;) {
    if (!XPending(display)) {
      pollfd connection{ConnectionNumber(display), POLLIN, 0};
      poll(&connection, 1, kChildCheckMs);
      int status;
      if (waitpid(child, &status, WNOHANG) == child) {
        std::fprintf(stderr, "window_startup: %s ended before its window showed\n", argv[2]);
        return 127;
      }
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    Window window = None;
    if (event.type == CreateNotify) {
      window = event.xcreatewindow.window;
      XSelectInput(display, window, PropertyChangeMask);  // then look: the title may be set already
    } else if (event.type == MapNotify) {
      window = event.xmap.window;
    } else if (event.type == PropertyNotify && event.xproperty.atom == XA_WM_NAME) {
      window = event.xproperty.window;
    }
    if (window == None || !Shown(display, window, prefix)) continue;
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%d %.1f\n", int(child), elapsed.count());
    std::fflush(stdout);
    break;
  }
  XCloseDisplay(display);
  return Finish(child);
}

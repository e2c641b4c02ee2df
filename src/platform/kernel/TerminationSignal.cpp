#include "platform/kernel/TerminationSignal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace {
int pipeFds[2] = {-1, -1};

// Async-signal-safe: only write(2), and errno is kept for the interrupted code.
void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t ignored = write(pipeFds[1], &byte, 1);
  errno = saved;
}
}  // namespace

int TerminationSignalFd() {
  if (pipeFds[0] >= 0) return pipeFds[0];
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  return pipeFds[0];
}

void DrainTerminationSignal() {
  char bytes[16];
  while (pipeFds[0] >= 0 && read(pipeFds[0], bytes, sizeof bytes) > 0) {
  }
}

#include "platform/kernel/KernelWake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

KernelWake::KernelWake() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

KernelWake::~KernelWake() {
  if (fd_ >= 0) close(fd_);
}

void KernelWake::Raise() {
  const uint64_t one = 1;
  if (fd_ >= 0) [[maybe_unused]] ssize_t ignored = write(fd_, &one, sizeof one);
}

void KernelWake::Clear() {
  uint64_t count;
  if (fd_ >= 0) [[maybe_unused]] ssize_t ignored = read(fd_, &count, sizeof count);
}

#include "platform/kernel/KernelFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int OpenRegularFile(const char* name, uint64_t* size) {
  if (!name) {
    errno = EINVAL;
    return -1;
  }
  const int fd = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a pipe's open waits for a writer
  if (fd < 0) return -1;
  struct stat status {};
  const int error = fstat(fd, &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : EINVAL;
  if (error != 0) {
    close(fd);
    errno = error;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (size) *size = uint64_t(status.st_size);
  return fd;
}

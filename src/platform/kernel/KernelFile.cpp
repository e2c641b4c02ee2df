#include "platform/kernel/KernelFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

namespace {
int MakeFoldersOf(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}
}  // namespace

int ReplaceFileWhole(const std::string& path, const std::string& bytes) {
  if (int error = MakeFoldersOf(path)) return error;
  const std::string temporary = path + ".new" + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return errno;
  int error = 0;
  for (size_t done = 0; done < bytes.size() && !error;) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote > 0) done += size_t(wrote);
    else if (errno != EINTR) error = errno;
  }
  if (!error && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error) {
    unlink(temporary.c_str());
    return error;
  }
  const int folder = open(path.substr(0, path.rfind('/') + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {  // the new name on disk too; best effort
    fsync(folder);
    close(folder);
  }
  return 0;
}

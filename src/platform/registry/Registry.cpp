#include "platform/registry/Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

// Only the predefined key is an object; its folder follows the environment.
struct HKEY__ {
  char unused;
};

HKEY__ g_currentUserKey;

namespace {
// An opened key's handle is a number never given out again, so a handle
// closed twice, or kept after closing, can never reach a later key.
std::mutex g_handlesLock;
std::unordered_map<uintptr_t, std::string> g_folders;
uintptr_t g_lastHandle = 0;

constexpr size_t kMaxName = 255;  // NAME_MAX on every file system we run on

LONG ErrorOf(int error, LONG otherwise) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    default:
      return otherwise;
  }
}

// One key or value name as one folder entry: it may not climb out ("..")
// or stay put ("."), and names beginning with "." are where our temporary
// files live, so none of them can ever be taken for a value.
bool IsEntryName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxName && name[0] != '.' && name.find('/') == std::string_view::npos;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return "";
}

LONG FolderOf(HKEY key, std::string& folder) {
  if (key == HKEY_CURRENT_USER) {
    folder = RegistryHiveFolder();
    return folder.empty() ? ERROR_PATH_NOT_FOUND : ERROR_SUCCESS;
  }
  std::lock_guard<std::mutex> hold(g_handlesLock);
  auto found = g_folders.find(reinterpret_cast<uintptr_t>(key));
  if (found == g_folders.end()) return ERROR_INVALID_HANDLE;
  folder = found->second;
  return ERROR_SUCCESS;
}

// Makes a new entry of `folder` survive a power loss; best effort.
void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// 0, or the errno of the failure; `created` tells whether it is new.
int MakeFolder(const std::string& folder, bool& created) {
  created = mkdir(folder.c_str(), 0700) == 0;
  if (created) return 0;
  if (errno != EEXIST) return errno;
  struct stat status;
  return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

std::string ParentOf(const std::string& folder) { return folder.substr(0, folder.rfind('/')); }

// The hive itself, with its parents, the first time anything is stored.
int MakeFolders(const std::string& folder) {
  bool created = false;
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    if (folder[slash - 1] != '/')
      if (int error = MakeFolder(folder.substr(0, slash), created)) return error;
  return MakeFolder(folder, created);
}

constexpr const char* kTemporaryPrefix = ".tmp.";
// A writer holds its temporary for the milliseconds of one write. One this
// old whose process is gone here was left by a kill or a crash; the age also
// spares a writer of another process namespace, whose number means nothing here.
constexpr time_t kStaleTemporarySeconds = 60;

// The writer's process number in a temporary's name (".tmp.PID.N"), or 0.
pid_t WriterOf(const char* name) {
  if (std::strncmp(name, kTemporaryPrefix, std::strlen(kTemporaryPrefix)) != 0) return 0;
  char* end = nullptr;
  const long pid = std::strtol(name + std::strlen(kTemporaryPrefix), &end, 10);
  return pid > 0 && *end == '.' ? pid_t(pid) : 0;
}

bool IsStale(int folderFd, const char* name, time_t now) {
  const pid_t writer = WriterOf(name);
  if (writer == 0 || writer == getpid() || kill(writer, 0) == 0 || errno != ESRCH) return false;
  struct stat status;
  return fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && now - status.st_mtime >= kStaleTemporarySeconds;
}

// Temporaries that killed or crashed writers left in `folder`; best effort.
void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(dir))
    if (IsStale(dirfd(dir), entry->d_name, now)) unlinkat(dirfd(dir), entry->d_name, 0);
  closedir(dir);
}

// Moves all `size` bytes through read or write, across short transfers and
// signals.
template <typename Transfer, typename Bytes>
bool TransferAll(Transfer transfer, int fd, Bytes* data, size_t size) {
  while (size > 0) {
    ssize_t done = transfer(fd, data, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= size_t(done);
  }
  return true;
}
}  // namespace

std::string RegistryHiveFolder() {
  // A relative XDG_CONFIG_HOME is to be ignored, as the XDG rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = config && config[0] == '/' ? std::string(config) : HomeFolder();
  if (base.empty()) return "";
  if (!(config && config[0] == '/')) base += "/.config";
  return base + "/vy-system/registry";
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     const SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition) try {
  if (!result || !subKey) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string folder;
  if (LONG error = FolderOf(key, folder)) return error;
  // Every name is checked before anything is made.
  std::vector<std::string_view> names;
  for (std::string_view rest = subKey;;) {
    size_t end = rest.find('\\');
    names.push_back(rest.substr(0, end));
    if (!IsEntryName(names.back())) return ERROR_BAD_PATHNAME;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (key == HKEY_CURRENT_USER)
    if (int error = MakeFolders(folder)) return ErrorOf(error, ERROR_CANTWRITE);
  bool created = false;
  for (std::string_view name : names) {
    folder.append("/").append(name);
    if (int error = MakeFolder(folder, created)) return ErrorOf(error, ERROR_CANTWRITE);
    if (created) SyncFolder(ParentOf(folder));
  }
  {
    std::lock_guard<std::mutex> hold(g_handlesLock);
    g_folders.emplace(++g_lastHandle, std::move(folder));
    *result = reinterpret_cast<HKEY>(g_lastHandle);
  }
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
} catch (const std::bad_alloc&) {
  return ERROR_NOT_ENOUGH_MEMORY;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> hold(g_handlesLock);
  return g_folders.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) try {
  if (reserved || !valueName || (data && !size)) return ERROR_INVALID_PARAMETER;
  std::string folder;
  if (LONG error = FolderOf(key, folder)) return error;
  // A name that could never be stored is simply not there.
  if (!IsEntryName(valueName)) return ERROR_FILE_NOT_FOUND;
  // Not following links keeps a value inside the hive; not blocking keeps a
  // stray pipe from holding up the caller.
  int fd = open((folder + "/" + valueName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno == ELOOP ? ERROR_FILE_NOT_FOUND : ErrorOf(errno, ERROR_CANTREAD);
  // The open file stays the value we found: a writer replaces the name, never
  // the contents, so what is read is one whole value.
  struct stat status;
  LONG result = ERROR_SUCCESS;
  if (fstat(fd, &status) != 0)
    result = ErrorOf(errno, ERROR_CANTREAD);
  else if (!S_ISREG(status.st_mode))
    result = ERROR_FILE_NOT_FOUND;
  else if (uint64_t(status.st_size) > UINT32_MAX)
    result = ERROR_CANTREAD;
  else if (data && DWORD(status.st_size) > *size)
    result = ERROR_MORE_DATA;
  else if (data && !TransferAll(read, fd, data, size_t(status.st_size)))
    result = ERROR_CANTREAD;
  close(fd);
  if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    if (type) *type = REG_BINARY;
    if (size) *size = DWORD(status.st_size);
  }
  return result;
} catch (const std::bad_alloc&) {
  return ERROR_NOT_ENOUGH_MEMORY;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size) try {
  if (!valueName || type != REG_BINARY || (!data && size)) return ERROR_INVALID_PARAMETER;
  if (!IsEntryName(valueName)) return ERROR_BAD_PATHNAME;
  std::string folder;
  if (LONG error = FolderOf(key, folder)) return error;
  // A fresh file beside the value, whole and on disk before it takes the
  // value's name: a crash at any point leaves the old value or the new one,
  // and of writers racing on the same value the last rename wins. The name
  // is unique per process and write; O_EXCL steps over one that another
  // process namespace happens to use too.
  static std::atomic<unsigned> serial{0};
  RemoveStaleTemporaries(folder);
  const std::string target = folder + "/" + valueName;
  const std::string prefix = folder + "/" + kTemporaryPrefix + std::to_string(getpid()) + ".";
  // The names are made before the file, so nothing can throw while it is open.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
    temporary = prefix + std::to_string(serial++);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno != EEXIST) return ErrorOf(errno, ERROR_CANTWRITE);
  }
  if (fd < 0) return ERROR_CANTWRITE;
  int error = 0;
  errno = 0;
  if (!TransferAll(write, fd, data, size) || fsync(fd) != 0) error = errno ? errno : EIO;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    unlink(temporary.c_str());
    return ErrorOf(error, ERROR_CANTWRITE);
  }
  SyncFolder(folder);
  return ERROR_SUCCESS;
} catch (const std::bad_alloc&) {
  return ERROR_NOT_ENOUGH_MEMORY;
}

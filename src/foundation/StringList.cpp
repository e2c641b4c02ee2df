#include "foundation/StringList.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

int TStringList::Add(const std::string& text, void* object) {
  items_.push_back({text, object});
  return Count() - 1;
}

void TStringList::Delete(int index) { items_.erase(items_.begin() + index); }

void TStringList::Exchange(int first, int second) { std::swap(items_.at(size_t(first)), items_.at(size_t(second))); }

void TStringList::SetText(const std::string& text) {
  Clear();
  const char* p = text.c_str();  // c_str() ends at the first NUL as well
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && *p != '\r' && *p != '\n') ++p;
    Add(std::string(start, p));
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
  }
}

std::string TStringList::GetText() const {
  std::string text;
  for (const TItem& item : items_) {
    text += item.text;
    text += '\n';
  }
  return text;
}

int TStringList::LoadFromFile(const std::string& fileName) {
  Clear();
  int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::string text;
  char chunk[4096];
  ssize_t got;
  while ((got = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, size_t(got));
  int readError = got < 0 ? errno : 0;
  close(fd);
  if (readError != 0) {
    errno = readError;
    return -1;
  }
  SetText(text);
  return 0;
}

#include "foundation/OzoPath.h"

#include <strings.h>

TPathParts SplitPath(const std::string& path) {
  TPathParts parts;
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  parts.dir = path.substr(0, nameStart);
  std::string base = path.substr(nameStart);
  size_t dot = base.rfind('.');
  if (dot == std::string::npos) {
    parts.name = base;
  } else {
    parts.name = base.substr(0, dot);
    parts.ext = base.substr(dot);
  }
  return parts;
}

bool HasExtension(const std::string& path, const char* ext) {
  return strcasecmp(SplitPath(path).ext.c_str(), ext) == 0;
}

std::string NameAndExtension(const std::string& path) {
  const TPathParts parts = SplitPath(path);
  return parts.name + parts.ext;
}

// The input module for local files.
#include <cerrno>

#include "platform/kernel/KernelFile.h"
#include "platform/mpeg/XaDecoderImpl.h"

namespace {
int OpenLocalFile(const char* name, int* fd) {
  *fd = OpenRegularFile(name);
  if (*fd >= 0) return XA_SUCCESS;
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
      return XA_ERROR_NO_SUCH_FILE;
    case EACCES:
    case EPERM:
      return XA_ERROR_PERMISSION_DENIED;
    case ENOMEM:
      return XA_ERROR_OUT_OF_MEMORY;
    default:
      return XA_ERROR_OPEN_FAILED;
  }
}

const XA_InputModuleImpl kFileInput{OpenLocalFile};
}  // namespace

int file_input_module_register(XA_InputModule* module) {
  if (!module) return XA_ERROR_INVALID_PARAMETERS;
  module->impl = &kFileInput;
  return XA_SUCCESS;
}

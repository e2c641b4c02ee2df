// Decoder objects and the life of their input.
#include <sys/stat.h>

#include <new>

#include "platform/mpeg/XaDecoderImpl.h"

int XaCodeFromMpg123(int mpg123Error) {
  switch (mpg123Error) {
    case MPG123_OUT_OF_MEM:
    case MPG123_NO_BUFFERS:
      return XA_ERROR_OUT_OF_MEMORY;
    case MPG123_ERR_READER:
    case MPG123_BAD_FILE:
    case MPG123_LSEEK_FAILED:
      return XA_ERROR_READ_FAILED;
    case MPG123_RESYNC_FAIL:
    case MPG123_OUT_OF_SYNC:
      return XA_ERROR_INVALID_FRAME;
    default:
      return XA_ERROR_INTERNAL;
  }
}

void XaNotifyError(XA_DecoderInfo* decoder, int source, int code, const char* text) {
  const XA_NotificationRecord& n = decoder->notification;
  if (n.notify_message) n.notify_message(n.client, source, code, text, decoder->impl->inputName.c_str());
}

int XaAllowAllFormats(mpg123_handle* handle) {
  const long* rates;
  size_t count;
  mpg123_rates(&rates, &count);
  if (mpg123_format_none(handle) != MPG123_OK) return XA_ERROR_INTERNAL;
  for (size_t i = 0; i < count; ++i)
    if (mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK)
      return XA_ERROR_INTERNAL;
  return XA_SUCCESS;
}

namespace {
// Junk of up to this many bytes between frames is skipped. An input with no
// frame within this reach of its start is not MPEG audio, and is refused
// without reading all of it.
constexpr long kResyncLimitBytes = 1 << 20;

// Every frame decoded whole and untrimmed, so that one call gives one frame
// of PCM and positions count in whole frames; nothing printed to stderr.
int ConfigureHandle(mpg123_handle* handle) {
  if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK ||
      mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) != MPG123_OK ||
      mpg123_param(handle, MPG123_RESYNC_LIMIT, kResyncLimitBytes, 0) != MPG123_OK)
    return XA_ERROR_INTERNAL;
  return XaAllowAllFormats(handle);
}

mpg123_ssize_t ReadInput(void* file, void* buffer, size_t bytes) {
  size_t read = std::fread(buffer, 1, bytes, static_cast<FILE*>(file));
  return read == 0 && std::ferror(static_cast<FILE*>(file)) ? -1 : mpg123_ssize_t(read);
}

off_t SeekInput(void* file, off_t offset, int whence) {
  if (fseeko(static_cast<FILE*>(file), offset, whence) != 0) return -1;
  return ftello(static_cast<FILE*>(file));
}

// Hands the open file to libmpg123, which reads it through the stdio buffer.
int StartReading(XA_DecoderImpl* impl, uint64_t* size) {
  struct stat st {};
  if (fstat(fileno(impl->file), &st) != 0 || !S_ISREG(st.st_mode)) return XA_ERROR_OPEN_FAILED;
  *size = uint64_t(st.st_size);
  if (mpg123_replace_reader_handle(impl->handle, ReadInput, SeekInput, nullptr) != MPG123_OK ||
      mpg123_open_handle(impl->handle, impl->file) != MPG123_OK)
    return XaCodeFromMpg123(mpg123_errcode(impl->handle));
  return XA_SUCCESS;
}

void CloseInputFile(XA_DecoderImpl* impl) {
  if (impl->inputOpen) mpg123_close(impl->handle);
  if (impl->file) std::fclose(impl->file);
  impl->file = nullptr;
  impl->inputOpen = false;
}
}  // namespace

int decoder_new(XA_DecoderInfo** decoder) {
  if (!decoder) return XA_ERROR_INVALID_PARAMETERS;
  *decoder = nullptr;
  auto* info = new (std::nothrow) XA_DecoderInfo{};
  auto* impl = new (std::nothrow) XA_DecoderImpl{};
  int error = MPG123_OK;
  mpg123_handle* handle = info && impl ? mpg123_new(nullptr, &error) : nullptr;
  int code = handle ? ConfigureHandle(handle) : XA_ERROR_OUT_OF_MEMORY;
  if (code != XA_SUCCESS) {
    if (handle) mpg123_delete(handle);
    delete impl;
    delete info;
    return code;
  }
  impl->handle = handle;
  info->impl = impl;
  *decoder = info;
  return XA_SUCCESS;
}

int decoder_delete(XA_DecoderInfo* decoder) {
  if (!decoder) return XA_ERROR_INVALID_PARAMETERS;
  decoder_input_delete(decoder);
  mpg123_delete(decoder->impl->handle);
  delete decoder->impl;
  delete decoder;
  return XA_SUCCESS;
}

int decoder_input_module_register(XA_DecoderInfo* decoder, const XA_InputModule* module) {
  if (!decoder || !module || !module->impl) return XA_ERROR_INVALID_PARAMETERS;
  XA_DecoderImpl* impl = decoder->impl;
  if (impl->moduleCount == XA_DecoderImpl::kMaxModules) return XA_ERROR_OUT_OF_MEMORY;
  impl->modules[impl->moduleCount++] = module->impl;
  return XA_SUCCESS;
}

int decoder_input_new(XA_DecoderInfo* decoder, const char* name, int module) {
  if (!decoder || !name) return XA_ERROR_INVALID_PARAMETERS;
  decoder_input_delete(decoder);
  XA_DecoderImpl* impl = decoder->impl;
  int index = module < 0 ? 0 : module;
  if (index >= impl->moduleCount) return XA_ERROR_MODULE_NOT_FOUND;
  impl->inputModule = impl->modules[index];
  impl->inputName = name;
  return XA_SUCCESS;
}

int decoder_input_open(XA_DecoderInfo* decoder) {
  if (!decoder || !decoder->impl->inputModule) return XA_ERROR_INVALID_PARAMETERS;
  XA_DecoderImpl* impl = decoder->impl;
  CloseInputFile(impl);
  int code = impl->inputModule->open(impl->inputName.c_str(), &impl->file);
  if (code == XA_SUCCESS) code = StartReading(impl, &decoder->input.size);
  if (code != XA_SUCCESS) {
    CloseInputFile(impl);
    XaNotifyError(decoder, XA_SOURCE_INPUT, code, "cannot open the input");
    return code;
  }
  impl->inputOpen = true;
  const XA_NotificationRecord& n = decoder->notification;
  if (n.notify_ready) n.notify_ready(n.client);
  return XA_SUCCESS;
}

int decoder_input_delete(XA_DecoderInfo* decoder) {
  if (!decoder) return XA_ERROR_INVALID_PARAMETERS;
  XA_DecoderImpl* impl = decoder->impl;
  CloseInputFile(impl);
  if (impl->formatFixed) XaAllowAllFormats(impl->handle);
  impl->inputModule = nullptr;
  impl->inputName.clear();
  impl->formatFixed = impl->scanned = false;
  impl->frameCount = 0;
  impl->seekFrames = 0;
  decoder->output = XA_OutputInfo{};
  decoder->input = XA_InputInfo{};
  decoder->status = XA_StatusInfo{};
  return XA_SUCCESS;
}

// Decoder objects and the life of their input.
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
// of PCM and positions count in whole frames; nothing printed to stderr. An
// ID3v2 tag is skipped unread: its cover art can be megabytes, and nobody
// shows it.
int ConfigureHandle(mpg123_handle* handle) {
  if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0) != MPG123_OK ||
      mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) != MPG123_OK ||
      mpg123_param(handle, MPG123_RESYNC_LIMIT, kResyncLimitBytes, 0) != MPG123_OK)
    return XA_ERROR_INTERNAL;
  return XaAllowAllFormats(handle);
}

// libmpg123 reads through the decoder's kept blocks.
mpg123_ssize_t ReadInput(void* handle, void* buffer, size_t bytes) {
  auto* decoder = static_cast<XA_DecoderInfo*>(handle);
  const long read = decoder->impl->file.Read(buffer, bytes);
  decoder->input.bytes_read = decoder->impl->file.BytesRead();
  return mpg123_ssize_t(read);
}

off_t SeekInput(void* handle, off_t offset, int whence) {
  return off_t(static_cast<XA_DecoderInfo*>(handle)->impl->file.Seek(offset, whence));
}

// Hands the open file to libmpg123.
int StartReading(XA_DecoderInfo* decoder, int fd) {
  XA_DecoderImpl* impl = decoder->impl;
  if (!impl->file.Attach(fd)) return XA_ERROR_OPEN_FAILED;
  decoder->input.size = impl->file.Size();
  if (mpg123_replace_reader_handle(impl->handle, ReadInput, SeekInput, nullptr) != MPG123_OK ||
      mpg123_open_handle(impl->handle, decoder) != MPG123_OK)
    return XaCodeFromMpg123(mpg123_errcode(impl->handle));
  return XA_SUCCESS;
}

void CloseInputFile(XA_DecoderImpl* impl) {
  if (impl->inputOpen) mpg123_close(impl->handle);
  impl->file.Close();
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
  int fd = -1;
  int code = impl->inputModule->open(impl->inputName.c_str(), &fd);
  if (code == XA_SUCCESS) code = StartReading(decoder, fd);
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

int decoder_input_read(XA_DecoderInfo* decoder, uint64_t offset, void* buffer, uint32_t bytes, uint32_t* read) {
  if (!decoder || !buffer || !read || !decoder->impl->inputOpen) return XA_ERROR_INVALID_PARAMETERS;
  *read = 0;
  const long got = decoder->impl->file.ReadAt(offset, buffer, bytes);
  decoder->input.bytes_read = decoder->impl->file.BytesRead();
  if (got < 0) return XA_ERROR_READ_FAILED;
  *read = uint32_t(got);
  return XA_SUCCESS;
}

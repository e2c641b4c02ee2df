// Decoding one frame per call, and seeking by fraction.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/mpeg/XaDecoderImpl.h"

namespace {
// libmpg123 announces a format change once, just before the frame it
// concerns; more announcements in a row than this mean it makes no progress.
constexpr int kMaxFormatAnnouncements = 4;
constexpr uint32_t kBytesPerSample = 2;  // 16-bit signed output

// Holds the output format the first frame announced, so that later frames of
// another rate or channel count are converted and every frame has one size.
int HoldOutputFormat(XA_DecoderInfo* decoder) {
  mpg123_handle* handle = decoder->impl->handle;
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK) return XA_ERROR_INTERNAL;
  int samplesPerFrame = mpg123_spf(handle);
  mpg123_frameinfo2 frame{};
  if (samplesPerFrame <= 0 || rate <= 0 || channels < 1 || channels > 2 || mpg123_info2(handle, &frame) != MPG123_OK)
    return XA_ERROR_INTERNAL;
  if (mpg123_format_none(handle) != MPG123_OK ||
      mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK)
    return XA_ERROR_INTERNAL;
  decoder->output = XA_OutputInfo{uint32_t(samplesPerFrame) * uint32_t(channels) * kBytesPerSample, kBytesPerSample,
                                  channels == 2 ? 1 : 0, uint32_t(rate), frame.layer};
  decoder->impl->formatFixed = true;
  return XA_SUCCESS;
}

// Where the frame just decoded lies, and its bit rate: free-format frames
// carry no bit-rate index, so theirs comes from their size.
void UpdateStatus(XA_DecoderInfo* decoder) {
  mpg123_frameinfo2 frame{};
  if (mpg123_info2(decoder->impl->handle, &frame) != MPG123_OK) return;
  const off_t offset = mpg123_framepos(decoder->impl->handle);
  decoder->input.frame_offset = offset > 0 ? uint64_t(offset) : 0;
  decoder->input.frame_length = frame.framesize > 0 ? uint32_t(frame.framesize) : 0;
  uint32_t bitrate = uint32_t(frame.bitrate);
  int samplesPerFrame = mpg123_spf(decoder->impl->handle);
  if (bitrate == 0 && samplesPerFrame > 0)
    bitrate = uint32_t(int64_t(frame.framesize) * 8 * frame.rate / samplesPerFrame / 1000);
  decoder->status.bitrate = bitrate;
}

// Writes exactly one frame of PCM. A frame of another size (a stream that
// changes its layout in mid-flow) is cut or padded with silence.
int CopyFrame(XA_DecoderInfo* decoder, void* output, const unsigned char* audio, size_t bytes) {
  const size_t frameBytes = decoder->output.frame_bytes;
  if (output) {
    size_t copied = bytes < frameBytes ? bytes : frameBytes;
    std::memcpy(output, audio, copied);
    std::memset(static_cast<unsigned char*>(output) + copied, 0, frameBytes - copied);
  }
  if (bytes == frameBytes) return XA_SUCCESS;
  const XA_NotificationRecord& n = decoder->notification;
  if (n.notify_message) {
    char text[96];
    std::snprintf(text, sizeof text, "frame of %zu bytes instead of %zu", bytes, frameBytes);
    n.notify_message(n.client, XA_SOURCE_DECODER, XA_ERROR_INVALID_FRAME, text, nullptr);
  }
  return XA_ERROR_INVALID_FRAME;
}

bool LostSync(mpg123_handle* handle) {
  const int error = mpg123_errcode(handle);
  return error == MPG123_RESYNC_FAIL || error == MPG123_OUT_OF_SYNC;
}

int LibraryFailure(XA_DecoderInfo* decoder, int source) {
  mpg123_handle* handle = decoder->impl->handle;
  int code = XaCodeFromMpg123(mpg123_errcode(handle));
  XaNotifyError(decoder, source, code, mpg123_strerror(handle));
  return code;
}

// The exact number of frames, read once per input. The scan also indexes
// every frame, so that a seek goes straight to the frame it asks for.
int CountFrames(XA_DecoderInfo* decoder) {
  XA_DecoderImpl* impl = decoder->impl;
  if (impl->scanned) return XA_SUCCESS;
  const XA_NotificationRecord& n = decoder->notification;
  if (n.notify_progress) n.notify_progress(n.client, XA_SOURCE_INPUT, "scanning the input");
  if (mpg123_scan(impl->handle) != MPG123_OK) return LibraryFailure(decoder, XA_SOURCE_INPUT);
  off_t frames = mpg123_framelength(impl->handle);
  impl->frameCount = frames > 0 ? long(frames) : 0;
  impl->scanned = true;
  return XA_SUCCESS;
}
}  // namespace

int decoder_decode(XA_DecoderInfo* decoder, void* output) {
  if (!decoder || !decoder->impl->inputOpen) return XA_ERROR_INVALID_PARAMETERS;
  XA_DecoderImpl* impl = decoder->impl;
  for (int announcements = 0; announcements <= kMaxFormatAnnouncements;) {
    off_t frameNumber = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    int result = mpg123_decode_frame(impl->handle, &frameNumber, &audio, &bytes);
    // No frame before the end, or before the search for one gave up: the
    // input holds no MPEG audio.
    if (!impl->formatFixed && (result == MPG123_DONE || (result == MPG123_ERR && LostSync(impl->handle))))
      return XA_ERROR_UNSUPPORTED_INPUT;
    if (result == MPG123_DONE) return XA_END_OF_INPUT;
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
      const int code = LibraryFailure(decoder, XA_SOURCE_DECODER);
      if (code == XA_ERROR_INVALID_FRAME && output) std::memset(output, 0, decoder->output.frame_bytes);
      return code;
    }
    if (!impl->formatFixed) {
      int code = HoldOutputFormat(decoder);
      if (code != XA_SUCCESS) return code;
    }
    if (result == MPG123_NEW_FORMAT || bytes == 0) {
      ++announcements;
      continue;
    }
    UpdateStatus(decoder);
    return CopyFrame(decoder, output, audio, bytes);
  }
  return XA_ERROR_INTERNAL;
}

int decoder_input_seek_to_position(XA_DecoderInfo* decoder, float fraction) {
  if (!decoder || !decoder->impl->inputOpen) return XA_ERROR_INVALID_PARAMETERS;
  XA_DecoderImpl* impl = decoder->impl;
  if (!(fraction > 0.0f)) fraction = 0.0f;  // NaN too
  if (fraction > 1.0f) fraction = 1.0f;
  off_t target = 0;  // the start needs no count
  if (fraction > 0.0f) {
    int code = CountFrames(decoder);
    if (code != XA_SUCCESS) return code;
    const uint32_t frames = impl->seekFrames ? impl->seekFrames : uint32_t(impl->frameCount);
    target = std::min(off_t(std::lround(double(fraction) * frames)), off_t(impl->frameCount));
  }
  if (mpg123_seek_frame(impl->handle, target, SEEK_SET) < 0) return LibraryFailure(decoder, XA_SOURCE_INPUT);
  return XA_SUCCESS;
}

int decoder_input_set_frame_count(XA_DecoderInfo* decoder, uint32_t frames) {
  if (!decoder || !decoder->impl->inputOpen) return XA_ERROR_INVALID_PARAMETERS;
  decoder->impl->seekFrames = frames;
  return XA_SUCCESS;
}

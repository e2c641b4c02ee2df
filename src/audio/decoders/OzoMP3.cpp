#include "audio/decoders/OzoMP3.h"

#include <cstring>

#include "audio/decoders/Id3Tag.h"
#include "audio/decoders/Mp3Layout.h"
#include "audio/decoders/MpegFrameWalk.h"
#include "audio/decoders/MpegRun.h"
#include "audio/decoders/SoundFormats.h"
#include "audio/decoders/TrackTitle.h"
#include "foundation/OzoError.h"
#include "foundation/OzoErrorNames.h"
#include "platform/mpeg/XaDecoder.h"

namespace {
// Calls that may pass before the first frame decodes (junk, a skipped tag frame).
constexpr int kMaxFirstDecodes = 11;
// Samples per channel from the start of the library's output to the source's
// first sample: the encoder's delay plus the library's synthesis delay. Only
// a LAME Info tag records the encoder's part, so the common encoders' delays
// are taken for every file. Measured on the library's output, and the same
// at every rate and MPEG version:
// - layer III: 1105 = 576 (LAME's delay, as its Info tag states) + 529;
// - layer II: 481, with TwoLAME, the common encoder of MP2; layer I goes
//   through the same filter banks and is taken to be as late.
constexpr uint32_t kLayer3DelaySamples = 1105;
constexpr uint32_t kLayer12DelaySamples = 481;
constexpr int kLayer3 = 3;
// Calibration of the bytes-to-time estimate for streams that are not counted.
constexpr double kEstimateFactor = 1.0023;
// Any input module may read the file.
constexpr int kAnyInputModule = -1;

void NotifyNothing(void*) {}
void IgnoreProgress(void*, int, const char*) {}
void NotifyMessage(void*, int source, int code, const char* text, const char* detail) {
  if (detail && *detail)
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: (XAUDIO) error, source=%i, code=%i, %s (%s)", source, code,
                text, detail);
  else
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: (XAUDIO) debug, source=%i, code=%i, %s", source, code, text);
}

// The library's open input, read by the tag, layout and frame readers: the
// file opens once, and the bytes the library read to start are not read again.
class TDecoderInputTAG final : public TMpegSourceTAG {
 public:
  explicit TDecoderInputTAG(XA_DecoderInfo* decoder) : decoder_(decoder) {}
  uint64_t Size() override { return decoder_->input.size; }
  long ReadAt(uint64_t offset, void* buffer, size_t bytes) override {
    uint32_t read = 0;
    const uint32_t asked = bytes < UINT32_MAX ? uint32_t(bytes) : UINT32_MAX;
    return decoder_input_read(decoder_, offset, buffer, asked, &read) == XA_SUCCESS ? long(read) : -1;
  }

 private:
  XA_DecoderInfo* decoder_;
};

// Tags are not audio: leave them out of the bytes the estimate times.
uint64_t AudioBytes(uint64_t inputBytes, uint64_t id3v2Bytes, bool id3v1) {
  uint64_t tags = id3v2Bytes + (id3v1 ? kId3v1Bytes : 0);
  return inputBytes > tags ? inputBytes - tags : 0;
}
}  // namespace

uint32_t Mp3FramesDuration(uint32_t frames, uint32_t blockSize, uint32_t bytesPerSecond) {
  if (bytesPerSecond == 0) return 0;
  return uint32_t(uint64_t(frames) * blockSize * 1000 / bytesPerSecond);
}

uint32_t Mp3EstimatedDuration(uint64_t audioBytes, uint32_t kbps) {
  if (kbps == 0) return 0;
  double ms = double(audioBytes) * kEstimateFactor / (kbps * 0.125);
  return ms >= double(UINT32_MAX) ? UINT32_MAX : uint32_t(ms);
}

TOzoMP3TAG::TOzoMP3TAG() {
  int result = decoder_new(&Decoder);
  if (result != XA_SUCCESS) {
    Decoder = nullptr;
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Cannot init decoder [%s]", XAudioErrorName(result));
    return;
  }
  XA_InputModule module{};
  file_input_module_register(&module);
  decoder_input_module_register(Decoder, &module);
  Decoder->notification = XA_NotificationRecord{this, NotifyNothing, IgnoreProgress, NotifyMessage};
  LibraryReady = 1;
}

TOzoMP3TAG::~TOzoMP3TAG() {
  Close();
  if (Decoder) decoder_delete(Decoder);
}

int TOzoMP3TAG::CanOpen(const char* fileName) { return fileName && IsFormatOf(fileName, frMpeg); }

int TOzoMP3TAG::Open(const char* fileName, unsigned flags) {
  CheckNoBufferReads();
  if (!LibraryReady) {
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: Cannot open - XAUDIO startup error");
    return -1;
  }
  Close();
  Title[0] = '\0';
  if (OpenInput(fileName) != 0) return -1;
  TDecoderInputTAG input(Decoder);
  const bool id3v1 = ReadId3v1Title(input, Title, sizeof Title);
  ReadTagTitle(fileName, Title, sizeof Title);  // the version 1 tag is the fallback
  const TMp3Layout layout = ReadMp3Layout(input);
  if (!layout.stream) {
    // The library found something like a frame, but in bytes that are not
    // MPEG audio: decoded, they would be full-scale noise.
    decoder_input_delete(Decoder);
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Cannot retrieve input info [%s]",
                XAudioErrorName(XA_ERROR_UNSUPPORTED_INPUT));
    return -1;
  }
  // One frame's bit rate would time a VBR stream without a header wrongly.
  const bool countFrames = (flags & kOpenExactLength) || layout.partialVbrHeader ||
                           (layout.vbrFrames == 0 && Mp3BitRateVaries(input, layout));
  uint32_t counted = countFrames ? CountMpegFrames(input) : 0;
  if (counted == 0) counted = layout.vbrFrames;  // a VBR header's count beats any estimate
  SetFormat();
  SetLength(counted, AudioBytes(Decoder->input.size, layout.id3v2Bytes, id3v1));
  // Seeks are fractions of our count, which may differ from the library's.
  decoder_input_set_frame_count(Decoder, Frames);
  decoder_input_seek_to_position(Decoder, 0.0f);
  if (Frames < kMinFrames) {
    decoder_input_delete(Decoder);
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: Stream too short (%i frames)", int(Frames));
    return -1;
  }
  ResetStreamCheck();
  Opened = 1;
  return 0;
}

// Binds the file to the library and decodes until the stream is described.
int TOzoMP3TAG::OpenInput(const char* fileName) {
  int result = decoder_input_new(Decoder, fileName, kAnyInputModule);
  if (result != XA_SUCCESS) {
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Cannot create input object [%s]",
                XAudioErrorName(result));
    return -1;
  }
  result = decoder_input_open(Decoder);
  if (result != XA_SUCCESS) {
    decoder_input_delete(Decoder);
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Cannot open input [%s]", XAudioErrorName(result));
    return -1;
  }
  for (int call = 0; call < kMaxFirstDecodes; ++call)
    if ((result = decoder_decode(Decoder, nullptr)) == XA_SUCCESS) break;
  if (result != XA_SUCCESS) {
    decoder_input_delete(Decoder);
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Cannot retrieve input info [%s]",
                XAudioErrorName(result));
    return -1;
  }
  return 0;
}

void TOzoMP3TAG::SetFormat() {
  const XA_OutputInfo& out = Decoder->output;
  const uint16_t channels = uint16_t(out.stereo + 1);
  const uint16_t bytesPerSample = uint16_t(out.bytes_per_sample);
  Format = TPCMWaveFormat{WAVE_FORMAT_PCM,
                          channels,
                          out.sample_rate,
                          out.sample_rate * channels * bytesPerSample,
                          uint16_t(channels * bytesPerSample),
                          uint16_t(bytesPerSample * 8)};
  AlignMask = -4;
  BlockSize = out.frame_bytes;
  StartSkip = channels * bytesPerSample * (out.layer == kLayer3 ? kLayer3DelaySamples : kLayer12DelaySamples);
}

// Frames and duration: from countedFrames when known, else estimated.
void TOzoMP3TAG::SetLength(uint32_t countedFrames, uint64_t audioBytes) {
  if (countedFrames) {
    Frames = countedFrames;
    Duration = Mp3FramesDuration(Frames, BlockSize, Format.nAvgBytesPerSec);
    return;
  }
  Duration = Mp3EstimatedDuration(audioBytes, Decoder->status.bitrate);
  Frames = uint32_t(uint64_t(Duration) * Format.nAvgBytesPerSec / 1000 / BlockSize);
}

void TOzoMP3TAG::Close() {
  TOzoSyncGuard lock(*this);
  if (!Opened) return;
  decoder_input_delete(Decoder);
  Opened = 0;
}

int TOzoMP3TAG::Seek(unsigned ms, unsigned* skipBytes) {
  TOzoSyncGuard lock(*this);
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: No open stream");
    return -1;
  }
  if (ms > Duration) ms = Duration;
  const uint64_t bytes = uint64_t(ms) * Format.nAvgBytesPerSec / 1000;
  const uint32_t frame = uint32_t(bytes / BlockSize);
  // The library decodes the frames before the target itself (the bit
  // reservoir, the filter bank), so the frame after a jump is whole and as
  // late as the first one: the same skip serves both.
  *skipBytes = (uint32_t(bytes % BlockSize) & uint32_t(AlignMask)) + StartSkip;
  ResetStreamCheck();
  const int result = decoder_input_seek_to_position(Decoder, float(double(frame) / Frames));
  if (result != XA_SUCCESS) {
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Input seeking error [%s]", XAudioErrorName(result));
    return -1;
  }
  return 0;
}

int TOzoMP3TAG::Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) {
  TOzoSyncGuard lock(*this);
  *decodedBlocks = 0;
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: No open file");
    return -1;
  }
  auto* out = static_cast<uint8_t*>(dest);
  unsigned left = blocks;
  int result = XA_SUCCESS;
  while (left > 0 && !streamEnded_) {
    result = decoder_decode(Decoder, out);
    if (result == XA_ERROR_TIMEOUT) continue;
    if (result != XA_SUCCESS && result != XA_ERROR_INVALID_FRAME) break;
    if (!IsAudioFrame()) {
      if (streamEnded_) break;
      continue;  // the next frame overwrites it
    }
    ++*decodedBlocks;
    --left;
    out += BlockSize;
  }
  // Whatever was not decoded is silence, after a failure too: the request is
  // always filled whole.
  std::memset(out, SilenceByte(), size_t(left) * BlockSize);
  if (result == XA_SUCCESS || result == XA_END_OF_INPUT || streamEnded_) return 0;
  ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: XAUDIO: Decoding fail [%s]", XAudioErrorName(result));
  return -1;
}

// A frame that does not follow the one before (the first after an open or a
// seek, or one the library found after junk) must begin a run of frames:
// otherwise the library has synced onto bytes that are not audio, which
// would be heard as full-scale noise. Such frames are skipped, and far
// enough from the last audio, the stream ends there.
bool TOzoMP3TAG::IsAudioFrame() {
  const XA_InputInfo& in = Decoder->input;
  if (in.frame_offset == lastAudioAt_) return true;  // the library failed before a new frame: its silence
  TDecoderInputTAG input(Decoder);
  if (in.frame_offset == nextFrameAt_ || MpegRunAt(input, in.frame_offset).found) {
    lastAudioAt_ = in.frame_offset;
    nextFrameAt_ = audioEnd_ = in.frame_offset + in.frame_length;
    return true;
  }
  if (audioEnd_ == kUnknownOffset) audioEnd_ = in.frame_offset;
  if (in.frame_offset > audioEnd_ + kMaxJunkBytes) {
    streamEnded_ = true;
    ReportError(__FILE__, __LINE__, kReport, "MP3 decoder: No audio after byte %llu: the stream ends there",
                static_cast<unsigned long long>(audioEnd_));
  }
  return false;
}

void TOzoMP3TAG::ResetStreamCheck() {
  lastAudioAt_ = nextFrameAt_ = audioEnd_ = kUnknownOffset;
  streamEnded_ = false;
}

const char* TOzoMP3TAG::GetTitle() { return Opened && Title[0] ? Title : nullptr; }

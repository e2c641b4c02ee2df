#include "platform/ffmpeg/MediaFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/ffmpeg/MediaLibrary.h"

namespace {
// Decoded ahead of a seek's target and thrown away: an AAC frame overlaps
// the one before it (and SBR looks further back), so the first frames after
// a jump are not yet the music. Four AAC-LC frames, two of HE-AAC: more
// than either needs.
constexpr int64_t kSeekPrerollFrames = 4096;
constexpr int64_t kNoStamp = INT64_MIN;

thread_local char openError[256];
}  // namespace

struct TMediaFileTAG {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int stream = -1;
  AVRational timeBase{};
  TMediaInfo info;
  int64_t origin = 0;          // time stamp of frame 0, in frames
  int64_t lastStamp = 0;       // of the last frame decoded, in frames; kNoStamp when it had none
  uint64_t next = 0;           // frame number of pending[pendingAt]
  uint64_t discardUntil = 0;   // frames before it are not delivered (a seek's preroll)
  bool positionKnown = false;  // false after a seek, until a decoded frame tells where it is
  bool draining = false;       // the demuxer is done; the decoder gives what it holds
  bool ended = false;
  std::vector<int16_t> pending;    // converted frames not yet delivered
  std::vector<int16_t> converted;  // the frame just decoded
  size_t pendingAt = 0;            // in frames
  char error[256] = {};

  ~TMediaFileTAG();
  const TMediaApi& Api() const { return MediaApi(); }
  void SetError(const char* what, int code);
  int OpenCodec();
  int CountFrames();
  int DecodeMore();
  int ReceiveFrame();
  void TakeFrame();
  size_t PendingFrames() const { return pending.size() / info.channels - pendingAt; }
};

TMediaFileTAG::~TMediaFileTAG() {
  const TMediaApi& api = Api();
  if (!api.loaded) return;
  if (frame) api.frame_free(&frame);
  if (packet) api.packet_free(&packet);
  if (swr) api.free_resampler(&swr);
  if (codec) api.free_context(&codec);
  if (format) api.close_input(&format);
}

void TMediaFileTAG::SetError(const char* what, int code) {
  char text[128] = "";
  if (code < 0) Api().strerror(code, text, sizeof text);
  std::snprintf(error, sizeof error, code < 0 ? "%s (%s)" : "%s", what, text);
}

int TMediaFileTAG::OpenCodec() {
  const TMediaApi& api = Api();
  const AVCodecParameters* parameters = format->streams[stream]->codecpar;
  // FFmpeg's own AAC decoder, by name: the others it may carry differ in
  // their delay and so in where a seek lands.
  const AVCodec* decoder = parameters->codec_id == AV_CODEC_ID_AAC    ? api.find_decoder_by_name("aac")
                           : parameters->codec_id == AV_CODEC_ID_ALAC ? api.find_decoder(AV_CODEC_ID_ALAC)
                                                                      : nullptr;
  if (!decoder) return SetError("Not AAC or ALAC audio", 0), -1;
  codec = api.alloc_context(decoder);
  int result = codec ? api.parameters_to_context(codec, parameters) : AVERROR(ENOMEM);
  // The decoder drops the priming it is told of only when it knows the time base.
  if (codec) codec->pkt_timebase = timeBase;
  if (result >= 0) result = api.open_codec(codec, decoder, nullptr);
  if (result < 0) return SetError("Cannot open the decoder", result), -1;
  info.rate = uint32_t(codec->sample_rate);
  info.channels = codec->ch_layout.nb_channels == 1 ? 1 : 2;
  AVChannelLayout out{};
  api.layout_default(&out, int(info.channels));
  result = api.alloc_resampler(&swr, &out, AV_SAMPLE_FMT_S16, codec->sample_rate, &codec->ch_layout, codec->sample_fmt,
                               codec->sample_rate, 0, nullptr);
  api.layout_uninit(&out);
  if (result >= 0) result = api.init_resampler(swr);
  if (result < 0) return SetError("Cannot convert the samples", result), -1;
  return 0;
}

// A raw stream keeps no length: its packets are counted, without decoding.
int TMediaFileTAG::CountFrames() {
  const TMediaApi& api = Api();
  int64_t total = 0;
  while (api.read_frame(format, packet) >= 0) {
    if (packet->stream_index == stream) total += packet->duration;
    api.packet_unref(packet);
  }
  info.frames = uint64_t(MediaApi().rescale(total, timeBase, AVRational{1, int(info.rate)}));
  const int result = api.seek_frame(format, stream, 0, AVSEEK_FLAG_BACKWARD);
  if (result < 0) return SetError("Cannot return to the start", result), -1;
  return 0;
}

// Converts the decoded frame into pending, less what lies before a seek's target.
void TMediaFileTAG::TakeFrame() {
  const TMediaApi& api = Api();
  const int64_t stamp = frame->best_effort_timestamp;
  lastStamp = stamp == AV_NOPTS_VALUE ? kNoStamp : MediaApi().rescale(stamp, timeBase, AVRational{1, int(info.rate)});
  if (!positionKnown) {
    next = lastStamp == kNoStamp ? discardUntil : uint64_t(std::max<int64_t>(0, lastStamp - origin));
    positionKnown = true;
  }
  converted.resize(size_t(frame->nb_samples) * info.channels);
  uint8_t* out = reinterpret_cast<uint8_t*>(converted.data());
  const int count =
      api.convert(swr, &out, frame->nb_samples, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  api.frame_unref(frame);
  if (count <= 0) return;
  const uint64_t drop = std::min<uint64_t>(discardUntil > next ? discardUntil - next : 0, uint64_t(count));
  pending.erase(pending.begin(), pending.begin() + ptrdiff_t(pendingAt * info.channels));
  pendingAt = 0;
  pending.insert(pending.end(), converted.begin() + ptrdiff_t(drop * info.channels),
                 converted.begin() + ptrdiff_t(size_t(count) * info.channels));
  next += drop;
}

// 1 when a frame came, 0 at the end, -1 on a failure.
int TMediaFileTAG::ReceiveFrame() {
  const TMediaApi& api = Api();
  for (;;) {
    int result = api.receive_frame(codec, frame);
    if (result >= 0) return 1;
    if (result == AVERROR_EOF) return 0;
    if (result != AVERROR(EAGAIN)) return SetError("Decoding error", result), -1;
    if (draining) return 0;
    result = api.read_frame(format, packet);
    if (result < 0) {
      draining = true;
      api.send_packet(codec, nullptr);
      continue;
    }
    // A damaged packet is a moment of silence, not the end of the track.
    if (packet->stream_index == stream) (void)api.send_packet(codec, packet);
    api.packet_unref(packet);
  }
}

int TMediaFileTAG::DecodeMore() {
  const int received = ReceiveFrame();
  if (received <= 0) {
    ended = true;
    return received;
  }
  TakeFrame();
  return 1;
}

int MediaFileOpen(const char* fileName, HMEDIAFILE* handle, TMediaInfo* info) {
  *handle = nullptr;
  const TMediaApi& api = MediaApi();
  if (!api.loaded) return std::snprintf(openError, sizeof openError, "%s", api.loadError), -1;
  auto* file = new TMediaFileTAG;
  int result = api.open_input(&file->format, fileName, nullptr, nullptr);
  if (result >= 0) result = api.find_stream_info(file->format, nullptr);
  if (result >= 0) result = api.find_best_stream(file->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (result < 0) {
    file->SetError("Cannot read the file", result);
  } else {
    file->stream = result;
    const AVStream* stream = file->format->streams[result];
    file->timeBase = stream->time_base;
    file->packet = api.packet_alloc();
    file->frame = api.frame_alloc();
    result = file->packet && file->frame ? file->OpenCodec() : (file->SetError("Out of memory", 0), -1);
    // The container's length already leaves the priming and the padding out.
    if (result == 0 && stream->duration > 0 && file->format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
      file->info.frames =
          uint64_t(MediaApi().rescale(stream->duration, file->timeBase, AVRational{1, int(file->info.rate)}));
    else if (result == 0)
      result = file->CountFrames();
    if (result == 0 && file->DecodeMore() <= 0) {
      if (!file->error[0]) file->SetError("No audio in file", 0);
      result = -1;
    }
  }
  if (result != 0) {
    std::snprintf(openError, sizeof openError, "%s", file->error);
    delete file;
    return -1;
  }
  // Frame 0 is where the first decoded frame (the priming dropped) stands.
  file->origin = file->lastStamp == kNoStamp ? 0 : file->lastStamp;
  file->next = 0;
  *info = file->info;
  *handle = file;
  return 0;
}

const char* MediaFileError(HMEDIAFILE handle) { return handle ? handle->error : openError; }

int64_t MediaFileRead(HMEDIAFILE file, int16_t* dest, uint64_t frames) {
  uint64_t done = 0;
  frames = std::min(frames, file->info.frames > file->next ? file->info.frames - file->next : 0);
  while (done < frames) {
    if (file->PendingFrames() == 0) {
      if (file->ended) break;
      if (file->DecodeMore() < 0) return -1;
      continue;
    }
    const size_t take = size_t(std::min<uint64_t>(file->PendingFrames(), frames - done));
    std::memcpy(dest + done * file->info.channels, file->pending.data() + file->pendingAt * file->info.channels,
                take * file->info.channels * sizeof(int16_t));
    file->pendingAt += take;
    file->next += take;
    done += take;
  }
  return int64_t(done);
}

int MediaFileSeek(HMEDIAFILE file, uint64_t frame) {
  const TMediaApi& api = file->Api();
  frame = std::min(frame, file->info.frames);
  const int64_t from = file->origin + int64_t(frame) - kSeekPrerollFrames;
  const int64_t stamp = MediaApi().rescale(from, AVRational{1, int(file->info.rate)}, file->timeBase);
  const int result = api.seek_frame(file->format, file->stream, stamp, AVSEEK_FLAG_BACKWARD);
  if (result < 0) return file->SetError("Seeking position error", result), -1;
  api.flush_buffers(file->codec);
  file->pending.clear();
  file->pendingAt = 0;
  file->discardUntil = frame;
  file->next = frame;
  file->positionKnown = false;
  file->draining = file->ended = false;
  return 0;
}

void MediaFileClose(HMEDIAFILE* handle) {
  delete *handle;
  *handle = nullptr;
}

#include "platform/ffmpeg/MediaLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <iterator>

namespace {
// The sonames of the headers the program was built with: another major
// version would lay its structures out differently.
#define VYS_SONAME(name, major) "lib" name ".so." #major
#define VYS_SONAME_OF(name, major) VYS_SONAME(name, major)
constexpr const char* kLibraries[] = {
    VYS_SONAME_OF("avutil", LIBAVUTIL_VERSION_MAJOR), VYS_SONAME_OF("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
    VYS_SONAME_OF("avcodec", LIBAVCODEC_VERSION_MAJOR), VYS_SONAME_OF("avformat", LIBAVFORMAT_VERSION_MAJOR)};

struct TResolver {
  void* handles[std::size(kLibraries)] = {};
  const char* missing = nullptr;

  template <typename F>
  void operator()(F& function, const char* name) {
    function = nullptr;
    for (void* handle : handles)
      if (handle && (function = reinterpret_cast<F>(dlsym(handle, name)))) return;
    if (!missing) missing = name;
  }
};

TMediaApi LoadMediaApi() {
  TMediaApi api{};
  TResolver resolve;
  for (size_t i = 0; i < std::size(kLibraries); ++i) {
    resolve.handles[i] = dlopen(kLibraries[i], RTLD_NOW | RTLD_LOCAL);
    if (!resolve.handles[i]) {
      std::snprintf(api.loadError, sizeof api.loadError, "FFmpeg could not be loaded (%s)", dlerror());
      return api;
    }
  }
  resolve(api.open_input, "avformat_open_input");
  resolve(api.find_stream_info, "avformat_find_stream_info");
  resolve(api.find_best_stream, "av_find_best_stream");
  resolve(api.close_input, "avformat_close_input");
  resolve(api.read_frame, "av_read_frame");
  resolve(api.seek_frame, "av_seek_frame");
  resolve(api.find_decoder, "avcodec_find_decoder");
  resolve(api.find_decoder_by_name, "avcodec_find_decoder_by_name");
  resolve(api.alloc_context, "avcodec_alloc_context3");
  resolve(api.parameters_to_context, "avcodec_parameters_to_context");
  resolve(api.open_codec, "avcodec_open2");
  resolve(api.free_context, "avcodec_free_context");
  resolve(api.send_packet, "avcodec_send_packet");
  resolve(api.receive_frame, "avcodec_receive_frame");
  resolve(api.flush_buffers, "avcodec_flush_buffers");
  resolve(api.packet_alloc, "av_packet_alloc");
  resolve(api.packet_free, "av_packet_free");
  resolve(api.packet_unref, "av_packet_unref");
  resolve(api.frame_alloc, "av_frame_alloc");
  resolve(api.frame_free, "av_frame_free");
  resolve(api.frame_unref, "av_frame_unref");
  resolve(api.strerror, "av_strerror");
  resolve(api.rescale, "av_rescale_q");
  resolve(api.log_set_level, "av_log_set_level");
  resolve(api.layout_default, "av_channel_layout_default");
  resolve(api.layout_uninit, "av_channel_layout_uninit");
  resolve(api.alloc_resampler, "swr_alloc_set_opts2");
  resolve(api.init_resampler, "swr_init");
  resolve(api.free_resampler, "swr_free");
  resolve(api.convert, "swr_convert");
  if (resolve.missing) {
    std::snprintf(api.loadError, sizeof api.loadError, "FFmpeg could not be loaded (no %s)", resolve.missing);
    return api;
  }
  // Its warnings about damaged frames would reach the DJ's terminal; the
  // reader reports what matters itself.
  api.log_set_level(AV_LOG_QUIET);
  api.loaded = true;
  return api;
}
}  // namespace

const TMediaApi& MediaApi() {
  static const TMediaApi api = LoadMediaApi();
  return api;
}

// The FFmpeg calls the media file reader makes, resolved from the libraries
// when the first file needs them: a deck that never opens such a file never
// loads them (they bring dozens of codec libraries with them).
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

struct TMediaApi {
  decltype(&avformat_open_input) open_input;
  decltype(&avformat_find_stream_info) find_stream_info;
  decltype(&av_find_best_stream) find_best_stream;
  decltype(&avformat_close_input) close_input;
  decltype(&av_read_frame) read_frame;
  decltype(&av_seek_frame) seek_frame;
  decltype(&avcodec_find_decoder) find_decoder;
  decltype(&avcodec_find_decoder_by_name) find_decoder_by_name;
  decltype(&avcodec_alloc_context3) alloc_context;
  decltype(&avcodec_parameters_to_context) parameters_to_context;
  decltype(&avcodec_open2) open_codec;
  decltype(&avcodec_free_context) free_context;
  decltype(&avcodec_send_packet) send_packet;
  decltype(&avcodec_receive_frame) receive_frame;
  decltype(&avcodec_flush_buffers) flush_buffers;
  decltype(&av_packet_alloc) packet_alloc;
  decltype(&av_packet_free) packet_free;
  decltype(&av_packet_unref) packet_unref;
  decltype(&av_frame_alloc) frame_alloc;
  decltype(&av_frame_free) frame_free;
  decltype(&av_frame_unref) frame_unref;
  decltype(&av_strerror) strerror;
  decltype(&av_rescale_q) rescale;
  decltype(&av_log_set_level) log_set_level;
  decltype(&av_channel_layout_default) layout_default;
  decltype(&av_channel_layout_uninit) layout_uninit;
  decltype(&swr_alloc_set_opts2) alloc_resampler;
  decltype(&swr_init) init_resampler;
  decltype(&swr_free) free_resampler;
  decltype(&swr_convert) convert;
  bool loaded = false;
  char loadError[256] = {};
};

// Loaded once, on the first call, and kept for the program's life.
const TMediaApi& MediaApi();

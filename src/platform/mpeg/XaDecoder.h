// The MPEG audio decoding library the MP3 decoder drives: a decoder object
// that reads one input, decodes one MPEG frame per call into 16-bit PCM at the
// stream's own rate and channel count, seeks by fraction and describes the
// stream. Built on libmpg123; every call returns XA_SUCCESS or an XA_ code.
#pragma once
#include <cstdint>

constexpr int XA_SUCCESS = 0;
constexpr int XA_ERROR_OUT_OF_MEMORY = -100;
constexpr int XA_ERROR_INVALID_PARAMETERS = -101;
constexpr int XA_ERROR_INTERNAL = -102;
constexpr int XA_ERROR_TIMEOUT = -103;  // try again; local files never time out
constexpr int XA_ERROR_OPEN_FAILED = -500;
constexpr int XA_ERROR_READ_FAILED = -502;
constexpr int XA_ERROR_PERMISSION_DENIED = -504;
constexpr int XA_ERROR_MODULE_NOT_FOUND = -507;
constexpr int XA_ERROR_UNSUPPORTED_INPUT = -508;  // no MPEG audio frame in the input
constexpr int XA_ERROR_NO_SUCH_FILE = -513;
constexpr int XA_END_OF_INPUT = -514;
// The frame was unusable; the output holds silence in its place.
constexpr int XA_ERROR_INVALID_FRAME = -600;

// Sources named in notifications.
constexpr int XA_SOURCE_INPUT = 1;
constexpr int XA_SOURCE_DECODER = 2;

// The library's messages go to the client through these procedures; each may
// be null. They run on the thread that is inside the library call.
struct XA_NotificationRecord {
  void* client;
  // An input was opened and is about to be decoded.
  void (*notify_ready)(void* client);
  // Progress of a long operation (scanning the input before a seek).
  void (*notify_progress)(void* client, int source, const char* message);
  // A failure (detail names the input) or a debug message (detail null).
  void (*notify_message)(void* client, int source, int code, const char* text, const char* detail);
};

// Values valid after the first successful decoder_decode of an input.
struct XA_OutputInfo {
  uint32_t frame_bytes;       // PCM bytes of one decoded frame
  uint32_t bytes_per_sample;  // always 2
  int stereo;                 // 1 for two channels, 0 for one
  uint32_t sample_rate;       // Hz
  int layer;                  // MPEG audio layer, 1 to 3: the output's delay depends on it
};
struct XA_InputInfo {
  uint64_t size;          // bytes of the input, tags included
  uint64_t bytes_read;    // bytes read from the input so far, by the decoder and decoder_input_read
  uint64_t frame_offset;  // of the header of the frame decoded last
  uint32_t frame_length;  // bytes of that frame, header included
};
struct XA_StatusInfo {
  uint32_t bitrate;  // kbit/s of the last decoded frame
};

// How the decoder reaches an input: a registered module binds a name to it.
struct XA_InputModuleImpl;
struct XA_InputModule {
  const XA_InputModuleImpl* impl;
};

struct XA_DecoderImpl;
struct XA_DecoderInfo {
  XA_OutputInfo output;
  XA_InputInfo input;
  XA_StatusInfo status;
  XA_NotificationRecord notification;
  XA_DecoderImpl* impl;
};

int decoder_new(XA_DecoderInfo** decoder);
int decoder_delete(XA_DecoderInfo* decoder);

// The module that reads local files.
int file_input_module_register(XA_InputModule* module);
int decoder_input_module_register(XA_DecoderInfo* decoder, const XA_InputModule* module);

// Binds an input object to name; module -1 picks the first registered module.
// A previous input is deleted first.
int decoder_input_new(XA_DecoderInfo* decoder, const char* name, int module);
int decoder_input_open(XA_DecoderInfo* decoder);
int decoder_input_delete(XA_DecoderInfo* decoder);

// Copies up to `bytes` bytes of the open input from `offset` into buffer and
// sets *read to the bytes copied, fewer at the end of the input. Bytes the
// decoder has just read (the tags and first frames while an input opens) come
// from memory, so a client that reads them too does not read the file again;
// a long read goes straight to the file and leaves those bytes kept.
int decoder_input_read(XA_DecoderInfo* decoder, uint64_t offset, void* buffer, uint32_t bytes, uint32_t* read);

// Decodes the next frame into output (frame_bytes bytes; null discards it).
// XA_END_OF_INPUT when the input has no further frame.
int decoder_decode(XA_DecoderInfo* decoder, void* output);

// The next decode starts at the frame nearest to fraction (0..1) of the
// input's frames, with the same PCM a decode from the start gives there.
// Frames are counted from the first audio frame (a Xing/Info frame is none);
// a target past the last frame leaves nothing to decode.
int decoder_input_seek_to_position(XA_DecoderInfo* decoder, float fraction);

// From now on, fractions given to decoder_input_seek_to_position are of
// `frames` frames rather than of the count a scan of the input finds, so that
// a client whose own count differs (a frame walk that counts a Xing/Info
// frame, a VBR header, an estimate) lands on the frame it computed as
// fraction x frames. A float carries such a fraction exactly enough for up
// to 2^24 frames (over 100 hours). 0 returns to the scanned count.
int decoder_input_set_frame_count(XA_DecoderInfo* decoder, uint32_t frames);

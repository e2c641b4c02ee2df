// What lies behind a decoder object: the libmpg123 handle and the state of
// the one input bound to it. Shared by the files of the decoder library only.
#pragma once
#include <mpg123.h>

#include <string>

#include "platform/mpeg/XaBlockReader.h"
#include "platform/mpeg/XaDecoder.h"

// A way of reaching inputs: opens name read-only into *fd, or returns an XA_
// code.
struct XA_InputModuleImpl {
  int (*open)(const char* name, int* fd);
};

struct XA_DecoderImpl {
  // Enough for every module this library has, with room to spare.
  static constexpr int kMaxModules = 4;

  mpg123_handle* handle = nullptr;
  const XA_InputModuleImpl* modules[kMaxModules] = {};
  int moduleCount = 0;

  // The input: bound by decoder_input_new, readable after decoder_input_open.
  const XA_InputModuleImpl* inputModule = nullptr;
  std::string inputName;
  XaBlockReader file;  // libmpg123 reads byte by byte while it looks for a frame
  bool inputOpen = false;
  bool formatFixed = false;  // the output format of the input is known and held
  bool scanned = false;      // the exact frame count is known
  long frameCount = 0;       // when scanned
  uint32_t seekFrames = 0;   // the count seek fractions refer to; 0: frameCount
};

// libmpg123 error code -> XA_ code.
int XaCodeFromMpg123(int mpg123Error);

// Sends a failure of this decoder's input to the notification procedures.
void XaNotifyError(XA_DecoderInfo* decoder, int source, int code, const char* text);

// Lets every rate and channel count through in 16-bit signed samples; the
// first frame then picks the output format (see decoder_decode).
int XaAllowAllFormats(mpg123_handle* handle);

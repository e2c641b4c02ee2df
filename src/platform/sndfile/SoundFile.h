// Sound files of the formats the sound file library reads (FLAC, AIFF, Ogg
// Vorbis and Opus, and the WAVE variants beyond plain 8- and 16-bit PCM),
// read as interleaved frames at the file's own rate and channel count. Built
// on libsndfile; nothing else in the program includes it.
#pragma once
#include <cstdint>

// Where a channel belongs in a stereo mix.
enum TSpeaker : uint8_t {
  spLeft,
  spRight,
  spCentre,
  spLfe,
  spSurroundLeft,  // side or rear
  spSurroundRight,
  spOther,  // rear centre, top, ambisonic and unnamed channels
};

constexpr uint32_t kMaxSoundFileChannels = 64;

struct TSoundFileInfo {
  uint64_t frames = 0;
  uint32_t rate = 0;
  uint32_t channels = 0;
  // The samples are 16 bits or fewer: reading them as 16-bit loses nothing.
  bool exact16 = false;
  // Stored order or, where the file names none, the usual order for its count.
  TSpeaker speakers[kMaxSoundFileChannels] = {};
};

struct TSoundFileTAG;
using HSOUNDFILE = TSoundFileTAG*;

// 0, or -1 with *handle null; SoundFileError then says why.
int SoundFileOpen(const char* fileName, HSOUNDFILE* handle, TSoundFileInfo* info);
// The library's text for the last failure of handle, or of the last open when null.
const char* SoundFileError(HSOUNDFILE handle);
// Up to `frames` frames into dest; how many came (0 at the end), or -1 on a failure.
int64_t SoundFileReadShort(HSOUNDFILE handle, int16_t* dest, uint64_t frames);
// The same as floats in [-1, 1] (float files may go beyond).
int64_t SoundFileReadFloat(HSOUNDFILE handle, float* dest, uint64_t frames);
// 0, or -1 when the frame cannot be reached.
int SoundFileSeek(HSOUNDFILE handle, uint64_t frame);
// The title tag, or null when the file has none.
const char* SoundFileTitle(HSOUNDFILE handle);
void SoundFileClose(HSOUNDFILE* handle);

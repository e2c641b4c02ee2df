#include "platform/sndfile/SoundFile.h"

#include <dlfcn.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/kernel/KernelFile.h"

struct TSoundFileTAG {
  SNDFILE* file = nullptr;
};

namespace {
// The library's own failure text is per handle; an open that failed has none,
// so its text is kept here.
thread_local char openError[256];

void SetOpenError(const char* text) { std::snprintf(openError, sizeof openError, "%s", text); }

// The library, and the codec libraries it brings (FLAC, Ogg, Vorbis, Opus,
// LAME, mpg123), are loaded by the first sound file opened, not with the
// program: a deck that plays MP3 and WAV files never waits for them.
struct TSndFileApi {
  decltype(&sf_open_fd) open_fd;
  decltype(&sf_close) close;
  decltype(&sf_command) command;
  decltype(&sf_error) error;
  decltype(&sf_strerror) strerror;
  decltype(&sf_readf_short) readf_short;
  decltype(&sf_readf_float) readf_float;
  decltype(&sf_seek) seek;
  decltype(&sf_get_string) get_string;
  char loadError[256];
};

template <typename F>
bool Resolve(void* library, F& function, const char* name) {
  function = reinterpret_cast<F>(dlsym(library, name));
  return function != nullptr;
}

TSndFileApi LoadSndFile() {
  TSndFileApi api{};
  void* library = dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
  const bool loaded = library && Resolve(library, api.open_fd, "sf_open_fd") && Resolve(library, api.close, "sf_close") &&
                      Resolve(library, api.command, "sf_command") && Resolve(library, api.error, "sf_error") &&
                      Resolve(library, api.strerror, "sf_strerror") &&
                      Resolve(library, api.readf_short, "sf_readf_short") &&
                      Resolve(library, api.readf_float, "sf_readf_float") && Resolve(library, api.seek, "sf_seek") &&
                      Resolve(library, api.get_string, "sf_get_string");
  if (!loaded) {
    std::snprintf(api.loadError, sizeof api.loadError, "The sound file library could not be loaded (%s)", dlerror());
    api.open_fd = nullptr;
  }
  return api;  // a loaded library stays for the program's life
}

const TSndFileApi& SndFile() {
  static const TSndFileApi api = LoadSndFile();
  return api;
}

TSpeaker SpeakerOf(int position) {
  switch (position) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
      return spLeft;
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
      return spRight;
    case SF_CHANNEL_MAP_MONO:
    case SF_CHANNEL_MAP_CENTER:
    case SF_CHANNEL_MAP_FRONT_CENTER:
      return spCentre;
    case SF_CHANNEL_MAP_LFE:
      return spLfe;
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_SIDE_LEFT:
      return spSurroundLeft;
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
      return spSurroundRight;
    default:
      return spOther;
  }
}

// The WAVE default order (front L R, centre, LFE, back L R, side L R), which
// FLAC and most multichannel files share. Ogg Vorbis and Opus name their own
// order, so the library's map, when it has one, comes first.
void DefaultSpeakers(uint32_t channels, TSpeaker* speakers) {
  static const TSpeaker kWave[] = {spLeft,         spRight,         spCentre,       spLfe,
                                   spSurroundLeft, spSurroundRight, spSurroundLeft, spSurroundRight};
  static const TSpeaker kQuad[] = {spLeft, spRight, spSurroundLeft, spSurroundRight};
  static const TSpeaker kFive[] = {spLeft, spRight, spCentre, spSurroundLeft, spSurroundRight};
  // 6.1: the back centre sits where 5.1 has its left surround.
  static const TSpeaker kSeven[] = {spLeft, spRight, spCentre, spLfe, spOther, spSurroundLeft, spSurroundRight};
  for (uint32_t i = 0; i < channels; ++i) speakers[i] = i < 8 ? kWave[i] : spOther;
  if (channels == 4) std::copy(kQuad, kQuad + 4, speakers);
  if (channels == 5) std::copy(kFive, kFive + 5, speakers);
  if (channels == 7) std::copy(kSeven, kSeven + 7, speakers);
}

void ReadSpeakers(SNDFILE* file, uint32_t channels, TSpeaker* speakers) {
  DefaultSpeakers(channels, speakers);
  std::vector<int> map(channels, 0);
  if (!SndFile().command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int)))) return;
  for (uint32_t i = 0; i < channels; ++i)
    if (map[i] != SF_CHANNEL_MAP_INVALID) speakers[i] = SpeakerOf(map[i]);
}

bool Within16Bits(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
      return true;
    default:
      return false;
  }
}

// A stream cut short can leave its length unknown to the library, which then
// says "as many frames as can be": they are counted by reading the stream
// through, so that neither the deck nor its seeks count on frames that are
// not there. False when the start cannot be found again.
bool CountFrames(const TSndFileApi& sf, SNDFILE* file, int channels, sf_count_t* frames) {
  constexpr sf_count_t kFramesPerRead = 4096;
  std::vector<float> scratch(size_t(channels) * kFramesPerRead);
  sf_count_t total = 0, got;
  while ((got = sf.readf_float(file, scratch.data(), kFramesPerRead)) > 0) total += got;
  *frames = total;
  return sf.seek(file, 0, SEEK_SET) == 0;
}
}  // namespace

int SoundFileOpen(const char* fileName, HSOUNDFILE* handle, TSoundFileInfo* info) {
  *handle = nullptr;
  const TSndFileApi& sf = SndFile();
  if (!sf.open_fd) {
    SetOpenError(sf.loadError);
    return -1;
  }
  const int fd = OpenRegularFile(fileName);
  if (fd < 0) {
    SetOpenError(errno == EINVAL ? "Not a file" : std::strerror(errno));
    return -1;
  }
  SF_INFO sfInfo{};
  SNDFILE* file = sf.open_fd(fd, SFM_READ, &sfInfo, SF_TRUE);  // closes fd on failure too
  if (!file) {
    SetOpenError(sf.strerror(nullptr));
    return -1;
  }
  if (sfInfo.channels <= 0 || uint32_t(sfInfo.channels) > kMaxSoundFileChannels || sfInfo.samplerate <= 0 ||
      sfInfo.frames < 0) {
    SetOpenError("Unsupported channel count or sample rate");
    sf.close(file);
    return -1;
  }
  if (sfInfo.frames == SF_COUNT_MAX && !CountFrames(sf, file, sfInfo.channels, &sfInfo.frames)) {
    SetOpenError("The length of the stream cannot be read");
    sf.close(file);
    return -1;
  }
  // Float files may hold peaks above full scale; they are clipped, not wrapped.
  sf.command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  *info = TSoundFileInfo{};
  info->frames = uint64_t(sfInfo.frames);
  info->rate = uint32_t(sfInfo.samplerate);
  info->channels = uint32_t(sfInfo.channels);
  info->exact16 = Within16Bits(sfInfo.format);
  ReadSpeakers(file, info->channels, info->speakers);
  *handle = new TSoundFileTAG{file};
  return 0;
}

const char* SoundFileError(HSOUNDFILE handle) { return handle ? SndFile().strerror(handle->file) : openError; }

int64_t SoundFileReadShort(HSOUNDFILE handle, int16_t* dest, uint64_t frames) {
  sf_count_t got = SndFile().readf_short(handle->file, dest, sf_count_t(frames));
  return got == 0 && SndFile().error(handle->file) != SF_ERR_NO_ERROR ? -1 : int64_t(got);
}

int64_t SoundFileReadFloat(HSOUNDFILE handle, float* dest, uint64_t frames) {
  sf_count_t got = SndFile().readf_float(handle->file, dest, sf_count_t(frames));
  return got == 0 && SndFile().error(handle->file) != SF_ERR_NO_ERROR ? -1 : int64_t(got);
}

int SoundFileSeek(HSOUNDFILE handle, uint64_t frame) {
  return SndFile().seek(handle->file, sf_count_t(frame), SEEK_SET) < 0 ? -1 : 0;
}

const char* SoundFileTitle(HSOUNDFILE handle) {
  const char* title = SndFile().get_string(handle->file, SF_STR_TITLE);
  return title && *title ? title : nullptr;
}

void SoundFileClose(HSOUNDFILE* handle) {
  if (!*handle) return;
  SndFile().close((*handle)->file);
  delete *handle;
  *handle = nullptr;
}

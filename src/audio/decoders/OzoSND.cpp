#include "audio/decoders/OzoSND.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/decoders/OzoWAV.h"
#include "audio/decoders/SoundFormats.h"
#include "audio/decoders/TrackTitle.h"
#include "foundation/OzoError.h"
#include "platform/sound/DirectSound.h"

TOzoSNDTAG::~TOzoSNDTAG() { Close(); }

int TOzoSNDTAG::CanOpen(const char* fileName) {
  if (!fileName) return 0;
  if (IsFormatOf(fileName, frSoundFile)) return 1;
  // Only the WAVE files the WAV decoder leaves out; MPEG inside stays with the MPEG decoder.
  return IsFormatOf(fileName, frWave) && WaveKindOf(fileName) == wkWide;
}

int TOzoSNDTAG::Open(const char* fileName, unsigned) {
  CheckNoBufferReads();
  Close();
  fileName_ = fileName;
  ranOut_ = false;
  if (SoundFileOpen(fileName, &file_, &info_) != 0) {
    ReportError(__FILE__, __LINE__, kReport, "Sound file player: Can't open file [%s]", SoundFileError(nullptr));
    return -1;
  }
  if (info_.rate < DSBFREQUENCY_MIN || info_.rate > kMaxRate) {
    SoundFileClose(&file_);
    ReportError(__FILE__, __LINE__, kReport, "Sound file player: Unsupported sample rate (%u Hz)", info_.rate);
    return -1;
  }
  // Nothing to play or seek in: a format the library reads no frames of is
  // refused like one it cannot read.
  if (info_.frames == 0) {
    SoundFileClose(&file_);
    ReportError(__FILE__, __LINE__, kReport, "Sound file player: No audio in file");
    return -1;
  }
  SetPcm16Stream(info_.rate, info_.channels == 1 ? 1 : 2, info_.frames, kBlockFrames);
  mix_ = MakeStereoMix(info_.speakers, info_.channels);
  source_.assign(size_t(kBlockFrames) * info_.channels, 0.0f);
  mixed_.assign(size_t(kBlockFrames) * 2, 0.0f);
  dither_ = TTpdfDither{};
  Frames = info_.frames;
  // The tags first; the library's own title (an AIFF NAME chunk) is the fallback.
  const char* title = SoundFileTitle(file_);
  std::snprintf(Title, sizeof Title, "%s", title ? title : "");
  ReadTagTitle(fileName, Title, sizeof Title);
  Opened = 1;
  return 0;
}

void TOzoSNDTAG::Close() {
  TOzoSyncGuard lock(*this);
  if (!Opened) return;
  SoundFileClose(&file_);
  Opened = 0;
}

int TOzoSNDTAG::Seek(unsigned ms, unsigned* skipBytes) {
  TOzoSyncGuard lock(*this);
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "Sound file player: File not open");
    return -1;
  }
  // The library lands on the frame itself: nothing to skip.
  *skipBytes = 0;
  if (ranOut_ && Reopen() != 0) return -1;
  const uint64_t frame = std::min<uint64_t>(uint64_t(std::min(ms, Duration)) * info_.rate / 1000, Frames);
  if (SoundFileSeek(file_, frame) != 0) {
    ReportError(__FILE__, __LINE__, kReport, "Sound file player: Seeking position error [%s]", SoundFileError(file_));
    return -1;
  }
  return 0;
}

// The FLAC reader gives nothing more once it has met the end of a cut file,
// even after a seek: a stream that ran out is opened afresh before the next
// seek, so that a cue return or a replay is heard.
int TOzoSNDTAG::Reopen() {
  SoundFileClose(&file_);
  ranOut_ = false;
  TSoundFileInfo info{};
  if (SoundFileOpen(fileName_.c_str(), &file_, &info) == 0) return 0;
  Opened = 0;  // gone meanwhile: Decode gives silence and says so
  ReportError(__FILE__, __LINE__, kReport, "Sound file player: Can't open file [%s]", SoundFileError(nullptr));
  return -1;
}

// Frames as the buffers take them; -1 on a failure of the library.
int64_t TOzoSNDTAG::ReadFrames(int16_t* out, uint64_t frames) {
  if (info_.exact16 && info_.channels <= 2) return SoundFileReadShort(file_, out, frames);
  frames = std::min<uint64_t>(frames, kBlockFrames);
  const int64_t got = SoundFileReadFloat(file_, source_.data(), frames);
  if (got <= 0) return got;
  const float* samples = source_.data();
  if (info_.channels > 2) {
    MixToStereo(mix_, samples, info_.channels, size_t(got), mixed_.data());
    samples = mixed_.data();
  }
  FloatToPcm16(samples, size_t(got) * Format.nChannels, out, dither_);
  return got;
}

int TOzoSNDTAG::Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) {
  TOzoSyncGuard lock(*this);
  *decodedBlocks = 0;
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "Sound file player: File not open");
    return -1;
  }
  auto* out = static_cast<int16_t*>(dest);
  const uint64_t wanted = uint64_t(blocks) * kBlockFrames;
  uint64_t done = 0;
  int64_t got = 0;
  while (done < wanted && (got = ReadFrames(out + done * Format.nChannels, wanted - done)) > 0) done += uint64_t(got);
  if (done < wanted) ranOut_ = true;
  *decodedBlocks = SilenceAfter(dest, done, blocks, kBlockFrames);
  if (got >= 0) return 0;
  ReportError(__FILE__, __LINE__, kReport, "Sound file player: Decoding error [%s]", SoundFileError(file_));
  return -1;
}

const char* TOzoSNDTAG::GetTitle() { return Opened && Title[0] ? Title : nullptr; }

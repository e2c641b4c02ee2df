#include "analysis/TrackAnalysis.h"

#include <algorithm>
#include <cstring>

#include "analysis/BeatGrid.h"
#include "analysis/LevelMeters.h"
#include "analysis/OnsetFeatures.h"
#include "analysis/Overview.h"
#include "audio/decoders/TrackDecoders.h"
#include "platform/kernel/FloatMode.h"

namespace {
// Audio decoded per call: short enough that a cancel is seen within a few
// milliseconds of work, long enough that calls cost nothing.
constexpr double kChunkSeconds = 0.1;
// An onset lies in the middle of the newest hop of the flux's window. The
// kick's energy rises most about 3 ms after the kick starts: the low-pass
// filter delays it by about 2 ms, and a kick's first quarter cycle is quiet
// (measured on generated kicks of a falling sine).
constexpr double kHopMiddle = 0.5;
constexpr double kKickRiseSeconds = 0.003;

// The decoder's PCM as 16-bit samples, whatever its sample size.
void ToSamples(const uint8_t* pcm, size_t bytes, unsigned bitsPerSample, std::vector<int16_t>& samples) {
  samples.clear();
  if (bitsPerSample == 8) {
    for (size_t i = 0; i < bytes; ++i) samples.push_back(int16_t((int(pcm[i]) - 128) << 8));
    return;
  }
  samples.resize(bytes / 2);
  std::memcpy(samples.data(), pcm, samples.size() * 2);
}

std::optional<TBeatGrid> FindGrid(const TOnsetFeatures& features) {
  const double kickRate = features.KickRate(), fluxRate = features.FluxRate();
  if (auto grid = FindBeatGrid(OnsetStrength(features.KickEnergy()), kickRate, kHopMiddle / kickRate - kKickRiseSeconds))
    return grid;
  // No steady kick: the broad-band onsets are the next best guide.
  return FindBeatGrid(features.Flux(), fluxRate, kHopMiddle / fluxRate);
}

// An open decoder, closed at the end of the analysis, whatever its end.
class TOpenDecoder {
 public:
  explicit TOpenDecoder(TVyPlayerTAG* decoder) : decoder_(decoder) {}
  ~TOpenDecoder() {
    if (decoder_) decoder_->Close();
  }
  TOpenDecoder(const TOpenDecoder&) = delete;
  TOpenDecoder& operator=(const TOpenDecoder&) = delete;

 private:
  TVyPlayerTAG* decoder_;
};

// Everything measured while the track decodes.
class TMeasures {
 public:
  TMeasures(const TPCMWaveFormat& format, uint64_t expectedFrames, const TOverviewProgress& progress)
      : channels_(format.nChannels),
        overview_(expectedFrames, progress),
        features_(format.nSamplesPerSec, expectedFrames),
        levels_(format.nChannels, format.nSamplesPerSec) {}

  void Add(const std::vector<int16_t>& samples) {
    const size_t count = samples.size() / channels_;
    overview_.Add(samples.data(), count, channels_);
    features_.Add(samples.data(), count, channels_);
    levels_.Add(samples.data(), count);
    frames_ += count;
  }

  uint64_t Frames() const { return frames_; }

  TTrackAnalysis Finish(unsigned rate) {
    TTrackAnalysis analysis;
    analysis.lengthSeconds = double(frames_) / rate;
    levels_.Finish(&analysis.loudnessLufs, &analysis.truePeakDb);
    if (const std::optional<TBeatGrid> grid = FindGrid(features_)) {
      analysis.bpm = grid->bpm;
      analysis.firstBeatSeconds = grid->firstBeatSeconds;
    }
    analysis.overview = overview_.Finish();
    return analysis;
  }

 private:
  unsigned channels_;
  uint64_t frames_ = 0;
  TOverviewBuilder overview_;
  TOnsetFeatures features_;
  TLevelMeters levels_;
};

// Decodes from the start to the end into `measures`; false when cancelled.
// The decoder's stream delay is skipped as the player skips it, so that
// times here are times the deck plays.
bool DecodeAll(TVyPlayerTAG& decoder, TMeasures& measures, const std::atomic<bool>& cancelled) {
  unsigned skipBytes = 0;
  if (decoder.Seek(0, &skipBytes) != 0) return true;  // reported; nothing decodes
  const unsigned blocks = std::max(1u, unsigned(kChunkSeconds * decoder.Format.nAvgBytesPerSec / decoder.BlockSize));
  std::vector<uint8_t> pcm(size_t(blocks) * decoder.BlockSize);
  std::vector<int16_t> samples;
  samples.reserve(pcm.size());
  for (unsigned decoded = blocks; decoded == blocks;) {
    if (cancelled.load(std::memory_order_relaxed)) return false;
    decoder.Decode(pcm.data(), blocks, &decoded);
    const size_t bytes = size_t(decoded) * decoder.BlockSize;
    const size_t skipped = std::min<size_t>(skipBytes, bytes);
    skipBytes -= unsigned(skipped);
    ToSamples(pcm.data() + skipped, bytes - skipped, decoder.Format.wBitsPerSample, samples);
    if (!samples.empty()) measures.Add(samples);
  }
  return true;
}
}  // namespace

std::optional<TTrackAnalysis> AnalyseTrack(const std::string& path, const TOverviewProgress& progress,
                                           const std::atomic<bool>& cancelled) {
  const TFlushDenormals flushDenormals;  // filters decaying over silence would crawl
  TTrackDecoders decoders;
  TVyPlayerTAG* decoder = decoders.Open(path.c_str(), 0);
  if (!decoder) return std::nullopt;
  const TOpenDecoder open(decoder);
  const TPCMWaveFormat format = decoder->Format;
  if (format.nChannels == 0 || format.nSamplesPerSec == 0 || decoder->BlockSize == 0) return std::nullopt;
  const uint64_t expectedFrames = uint64_t(decoder->Duration) * format.nSamplesPerSec / 1000;
  TMeasures measures(format, expectedFrames, progress);
  if (!DecodeAll(*decoder, measures, cancelled) || measures.Frames() == 0) return std::nullopt;
  return measures.Finish(format.nSamplesPerSec);
}

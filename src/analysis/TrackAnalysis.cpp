#include "analysis/TrackAnalysis.h"

#include <cmath>
#include <cstring>

#include "analysis/BeatGrid.h"
#include "analysis/OnsetFeatures.h"
#include "analysis/Overview.h"
#include "audio/decoders/TrackDecoders.h"
#include "platform/ebur128/LoudnessMeter.h"
#include "platform/kernel/FloatMode.h"

namespace {
// Audio decoded per call: short enough that a cancel is seen within a few
// milliseconds of work, long enough that calls cost nothing.
constexpr double kChunkSeconds = 0.1;
// Where a hop's onset lies, as a share of the hop: at its middle for the
// flux, whose newest hop holds the onset; the kick's energy rises over the
// first quarter cycle and through the low-pass filter, a little later.
constexpr double kFluxOnsetShare = 0.5;
constexpr double kKickOnsetShare = 0.5;

// The decoder's PCM as 16-bit samples, whatever its sample size.
void AppendSamples(const uint8_t* pcm, size_t bytes, unsigned bitsPerSample, std::vector<int16_t>& samples) {
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
  if (auto grid = FindBeatGrid(OnsetStrength(features.KickEnergy()), kickRate, kKickOnsetShare / kickRate)) return grid;
  // No steady kick: the broad-band onsets are the next best guide.
  return FindBeatGrid(features.Flux(), fluxRate, kFluxOnsetShare / fluxRate);
}

class TDecoderSession {
 public:
  explicit TDecoderSession(TVyPlayerTAG* decoder) : decoder_(decoder) {}
  ~TDecoderSession() {
    if (decoder_) decoder_->Close();
  }

 private:
  TVyPlayerTAG* decoder_;
};
}  // namespace

std::optional<TTrackAnalysis> AnalyseTrack(const std::string& path, const TOverviewProgress& progress,
                                           const std::atomic<bool>& cancelled) {
  const TFlushDenormals flushDenormals;  // filters decaying over silence would crawl
  TTrackDecoders decoders;
  TVyPlayerTAG* decoder = decoders.Open(path.c_str(), 0);
  if (!decoder) return std::nullopt;
  TDecoderSession session(decoder);
  // The decoder's stream delay is skipped as the player skips it, so that
  // times here are times the deck plays.
  unsigned skipBytes = 0;
  if (decoder->Seek(0, &skipBytes) != 0) return std::nullopt;

  const TPCMWaveFormat format = decoder->Format;
  const unsigned channels = format.nChannels, rate = format.nSamplesPerSec;
  if (channels == 0 || rate == 0 || decoder->BlockSize == 0) return std::nullopt;
  const uint64_t expectedFrames = uint64_t(decoder->Duration) * rate / 1000;
  TOverviewBuilder overview(expectedFrames, progress);
  TOnsetFeatures features(rate, expectedFrames);
  TLoudnessMeter loudness(channels, rate);

  const unsigned blocks = std::max(1u, unsigned(kChunkSeconds * format.nAvgBytesPerSec / decoder->BlockSize));
  std::vector<uint8_t> pcm(size_t(blocks) * decoder->BlockSize);
  std::vector<int16_t> samples;
  samples.reserve(pcm.size());
  uint64_t frames = 0;
  for (;;) {
    if (cancelled.load(std::memory_order_relaxed)) return std::nullopt;
    unsigned decoded = 0;
    decoder->Decode(pcm.data(), blocks, &decoded);
    size_t bytes = size_t(decoded) * decoder->BlockSize;
    if (bytes == 0) break;
    const size_t skipped = std::min<size_t>(skipBytes, bytes);
    skipBytes -= unsigned(skipped);
    AppendSamples(pcm.data() + skipped, bytes - skipped, format.wBitsPerSample, samples);
    const size_t count = samples.size() / channels;
    overview.Add(samples.data(), count, channels);
    features.Add(samples.data(), count, channels);
    loudness.Add(samples.data(), count);
    frames += count;
    if (decoded < blocks) break;
  }
  if (frames == 0) return std::nullopt;

  TTrackAnalysis analysis;
  analysis.lengthSeconds = double(frames) / rate;
  analysis.loudnessLufs = loudness.IntegratedLufs();
  analysis.truePeakDb = loudness.TruePeakDb();
  if (const std::optional<TBeatGrid> grid = FindGrid(features)) {
    analysis.bpm = grid->bpm;
    analysis.firstBeatSeconds = grid->firstBeatSeconds;
  }
  analysis.overview = overview.Finish();
  return analysis;
}

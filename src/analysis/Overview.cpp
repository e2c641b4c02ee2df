#include "analysis/Overview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kFullScale = 32768;
}

TOverviewBuilder::TOverviewBuilder(uint64_t expectedFrames, const TOverviewProgress& progress)
    : progress_(progress),
      columns_(kOverviewColumns),
      framesPerColumn_(std::max(1.0, double(expectedFrames) / kOverviewColumns)) {
  columnEnd_ = ColumnEnd(0);
}

uint64_t TOverviewBuilder::ColumnEnd(size_t column) const { return uint64_t(double(column + 1) * framesPerColumn_); }

void TOverviewBuilder::Add(const int16_t* frames, size_t count, unsigned channels) {
  while (count > 0) {
    // The last column takes whatever runs past the expected length.
    if (frame_ >= columnEnd_ && known_ + 1 < columns_.size()) CloseColumn();
    const bool last = known_ + 1 >= columns_.size();
    const size_t take = last ? count : size_t(std::min<uint64_t>(count, columnEnd_ - frame_));
    // Both channels together, in one flat loop the compiler vectorises.
    int peak = peak_;
    int64_t sumOfSquares = 0;
    for (size_t i = 0; i < take * channels; ++i) {
      const int sample = frames[i];
      peak = std::max(peak, std::abs(sample));
      sumOfSquares += sample * sample;
    }
    peak_ = peak, sumOfSquares_ += double(sumOfSquares), samples_ += take * channels;
    frames += take * channels, count -= take, frame_ += take;
  }
}

void TOverviewBuilder::CloseColumn() {
  TOverviewColumn& column = columns_[known_];
  column.peak = float(peak_ / kFullScale);
  column.rms = samples_ ? float(std::sqrt(sumOfSquares_ / double(samples_)) / kFullScale) : 0.0f;
  peak_ = 0, sumOfSquares_ = 0, samples_ = 0;
  columnEnd_ = ColumnEnd(++known_);
  const bool report = known_ % kReportEvery == 0 || known_ == kFirstReport;
  if (report && known_ < columns_.size() && progress_) progress_(columns_, known_);
}

std::vector<TOverviewColumn> TOverviewBuilder::Finish() {
  if (samples_ > 0 && known_ < columns_.size()) CloseColumn();
  if (progress_) progress_(columns_, columns_.size());
  return std::move(columns_);
}

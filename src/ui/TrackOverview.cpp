#include "ui/TrackOverview.h"

#include <algorithm>

#include "controls/Slider.h"

namespace {
const QColor kUnplayedPeak(0, 150, 0);
const QColor kUnplayedRms(0, 255, 0);
const QColor kPlayedPeak(60, 60, 60);
const QColor kPlayedRms(110, 110, 110);

// Where the thumb's centre is at the two ends of the slider: the track's span.
std::pair<int, int> TrackSpan(const TSlider& slider) {
  const int centre = slider.Thumb()->width() / 2;
  return {slider.GetOffsetByValue(slider.MinValue()) + centre, slider.GetOffsetByValue(slider.MaxValue()) + centre};
}
}  // namespace

void TTrackOverview::SetColumns(std::vector<TOverviewColumn> columns, size_t known) {
  columns_ = std::move(columns);
  known_ = std::min(known, columns_.size());
}

bool TTrackOverview::SetPlayed(double fraction, const TSlider& slider) {
  played_ = std::clamp(fraction, 0.0, 1.0);
  const auto [left, right] = TrackSpan(slider);
  const int x = left + int(played_ * (right - left));
  if (x == playedX_) return false;
  playedX_ = x;
  return known_ > 0;
}

// One vertical line per pixel: the loudest peak of the columns under it,
// and inside it their loudest RMS, mirrored about the ruler's middle.
void TTrackOverview::Draw(const TSlider& slider, QPainter& canvas) const {
  if (known_ == 0 || columns_.empty()) return;
  const auto [left, right] = TrackSpan(slider);
  const int width = right - left;
  if (width <= 0) return;
  const int middle = slider.RulerPos().y() + slider.Ruler().height() / 2;
  const int reach = std::max(2, slider.Ruler().height() / 2 + 3);
  const int playedX = left + int(played_ * width);
  for (int x = 0; x < width; ++x) {
    const size_t from = size_t(x) * columns_.size() / size_t(width);
    const size_t to = std::max(from + 1, size_t(x + 1) * columns_.size() / size_t(width));
    if (from >= known_) break;
    float peak = 0, rms = 0;
    for (size_t c = from; c < std::min(to, known_); ++c) peak = std::max(peak, columns_[c].peak), rms = std::max(rms, columns_[c].rms);
    const bool played = left + x < playedX;
    const int peakHalf = int(std::min(peak, 1.0f) * reach), rmsHalf = int(std::min(rms, 1.0f) * reach);
    canvas.fillRect(left + x, middle - peakHalf, 1, 2 * peakHalf + 1, played ? kPlayedPeak : kUnplayedPeak);
    canvas.fillRect(left + x, middle - rmsHalf, 1, 2 * rmsHalf + 1, played ? kPlayedRms : kUnplayedRms);
  }
}

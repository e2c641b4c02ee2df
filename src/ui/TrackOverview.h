// The track's waveform overview, drawn along the Position slider's track:
// the part already played dimmed, the rest in the display's green. Columns
// appear as the analysis finds them.
#pragma once
#include <QPainter>
#include <vector>

#include "analysis/TrackAnalysis.h"

class TSlider;

class TTrackOverview {
 public:
  void SetColumns(std::vector<TOverviewColumn> columns, size_t known);
  // The played share of the track (0..1); true when that moves the boundary
  // by a pixel of `slider`, so that it is worth a repaint.
  bool SetPlayed(double fraction, const TSlider& slider);
  void Draw(const TSlider& slider, QPainter& canvas) const;

 private:
  std::vector<TOverviewColumn> columns_;
  size_t known_ = 0;
  double played_ = 0;
  int playedX_ = -1;
};

// Builds a track's overview while it decodes: kOverviewColumns columns of
// peak and RMS, spread over the length the decoder expects, reported as they
// fill so that a deck can draw the first ones long before the end.
#pragma once
#include <cstdint>
#include <vector>

#include "analysis/TrackAnalysis.h"

class TOverviewBuilder {
 public:
  // Columns are reported in steps of this many: often enough for a deck to
  // follow, rarely enough to cost nothing; the first few at once, so that
  // the deck draws something a moment after the open.
  static constexpr size_t kReportEvery = 50;
  static constexpr size_t kFirstReport = 10;

  TOverviewBuilder(uint64_t expectedFrames, const TOverviewProgress& progress);
  // Interleaved 16-bit frames of `channels` channels.
  void Add(const int16_t* frames, size_t count, unsigned channels);
  // Closes the column in progress and reports the whole overview. Frames
  // beyond the expected length went into the last column; a track shorter
  // than expected leaves its last columns silent.
  std::vector<TOverviewColumn> Finish();

 private:
  void CloseColumn();
  uint64_t ColumnEnd(size_t column) const;

  const TOverviewProgress& progress_;
  std::vector<TOverviewColumn> columns_;
  double framesPerColumn_;
  size_t known_ = 0;          // closed columns
  uint64_t frame_ = 0;        // frames added
  uint64_t columnEnd_ = 0;    // the first frame of the next column
  int peak_ = 0;              // of the column in progress, in sample units
  double sumOfSquares_ = 0;
  uint64_t samples_ = 0;
};

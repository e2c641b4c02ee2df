#include "sync/HostTimeFilter.h"

#include <cmath>

void THostTimeFilter::Reset() {
  count_ = next_ = 0;
  sumX_ = sumY_ = sumXX_ = sumXY_ = 0;
}

double THostTimeFilter::Add(double frame, double micros) {
  if (count_ >= 2 && std::abs(Fitted(frame) - micros) > kBreakMicros) Reset();
  if (count_ == 0) baseFrame_ = frame, baseMicros_ = micros;
  if (count_ == kPoints) {
    const double x = frames_[next_] - baseFrame_, y = micros_[next_] - baseMicros_;
    sumX_ -= x, sumY_ -= y, sumXX_ -= x * x, sumXY_ -= x * y;
  } else {
    ++count_;
  }
  frames_[next_] = frame, micros_[next_] = micros;
  const double x = frame - baseFrame_, y = micros - baseMicros_;
  sumX_ += x, sumY_ += y, sumXX_ += x * x, sumXY_ += x * y;
  next_ = (next_ + 1) % kPoints;
  if (next_ == 0) Rebase();
  return count_ < 2 ? micros : Fitted(frame);
}

// Least squares over the points held: time = intercept + slope x frame.
double THostTimeFilter::Fitted(double frame) const {
  const double n = count_;
  const double spread = n * sumXX_ - sumX_ * sumX_;
  if (spread <= 0) return baseMicros_ + sumY_ / n;
  const double slope = (n * sumXY_ - sumX_ * sumY_) / spread;
  const double meanX = sumX_ / n, meanY = sumY_ / n;
  return baseMicros_ + meanY + slope * (frame - baseFrame_ - meanX);
}

// The running sums lose precision as they add and take away; rebuilt from
// the oldest point held, they stay exact to within rounding.
void THostTimeFilter::Rebase() {
  baseFrame_ = frames_[next_], baseMicros_ = micros_[next_];
  sumX_ = sumY_ = sumXX_ = sumXY_ = 0;
  for (int i = 0; i < count_; ++i) {
    const double x = frames_[i] - baseFrame_, y = micros_[i] - baseMicros_;
    sumX_ += x, sumY_ += y, sumXX_ += x * x, sumXY_ += x * y;
  }
}

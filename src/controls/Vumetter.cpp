#include "Vumetter.h"

#include <QElapsedTimer>
#include <QPainter>
#include <algorithm>

#include "ArtResources.h"

namespace {
// Shared by every meter: peaks of all meters jump together.
uint32_t gTicks = 0;

// Ticks between peak updates, by PKMODES (20 ms each: 200, 400, 800 ms
// holds; pkNone holds nothing).
constexpr uint32_t kPeakHoldTicks[] = {1, 10, 20, 40};
// Ticks between fall steps, by FOMODES (80, 40, 20 ms).
constexpr uint32_t kFallTicks[] = {4, 2, 1};
// Steps taken at most in one catch-up: after a longer stall (a suspended
// machine) every bar has long fallen, and the rest are skipped.
constexpr int64_t kMaxCatchUpTicks = 4 * TOzoVUmetter::kMaxLength;

int64_t SteadyMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer started;
    started.start();
    return started;
  }();
  return clock.elapsed();
}

enum TLedState : uint8_t { lsGreenOn, lsGreenOff, lsRedOn, lsRedOff };
const char* const kLedResources[] = {"VUMETTER_GLEDON", "VUMETTER_GLEDOFF", "VUMETTER_RLEDON", "VUMETTER_RLEDOFF"};
}  // namespace

uint32_t TOzoVUmetter::SharedTicks() { return gTicks; }

TOzoVUmetter::TOzoVUmetter(QWidget* parent) : QWidget(parent) {
  for (int state = 0; state < 4; ++state) ledImages_[state] = QPixmap::fromImage(LoadBitmap(kLedResources[state]));
  ledWidth_ = ledImages_[lsGreenOn].width();
  ledHeight_ = ledImages_[lsGreenOn].height();
  setAttribute(Qt::WA_OpaquePaintEvent);  // it fills its whole face: nothing beneath is painted
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { TimerFired(); });
  SetClock(SteadyMs);
  RecalcRect();
  RecalcLeds();
}

void TOzoVUmetter::Loaded() {
  RecalcScale();
  ClearBars();
  nextTickMs_ = clock_() + kTickMs;
  ArmTimer(0);
  RecalcLeds();
}

void TOzoVUmetter::SetClock(TClock clock) {
  clock_ = std::move(clock);
  nextTickMs_ = clock_() + kTickMs;
  ArmTimer(0);
}

void TOzoVUmetter::RecalcScale() { scale_ = float((length_ + 1) / (double(maxValue_) - minValue_ + 1)); }

void TOzoVUmetter::ClearBars() { levels_ = heldPeaks_ = {0, 0}; }

int TOzoVUmetter::GetLevel(int value) const {
  value = std::clamp(value, minValue_, maxValue_);
  // Float rounding of the scale must not light more LEDs than there are.
  return std::min(length_, int((double(value) - minValue_) * double(scale_)));
}

bool TOzoVUmetter::ApplyLevel(int channel, int level) {
  if (level == levels_[channel] || (!LowerLevels && level < levels_[channel])) return false;
  levels_[channel] = level;
  heldPeaks_[channel] = std::max(heldPeaks_[channel], level);
  return true;
}

// The bars step every 20 ms by the clock, but while levels arrive (the deck
// window's 37 ms display tick) the steps due are taken here and shown with
// the new levels in one paint: a paint per step would cost the window more
// than the deck's whole engine. The timer shows the steps once levels stop.
void TOzoVUmetter::SetLevels(int left, int right) {
  const bool stepped = CatchUp();
  const bool leftChanged = ApplyLevel(0, GetLevel(left));
  const bool rightChanged = ApplyLevel(1, GetLevel(right));
  ArmTimer(2);  // later than the next levels, while they keep coming
  if (stepped || leftChanged || rightChanged) ShowLeds();
}

void TOzoVUmetter::TimerFired() {
  const bool changed = CatchUp();
  if (changed) ShowLeds();
  // At rest (every bar and peak at 0) no step can change anything until new levels.
  const bool atRest = levels_ == std::array<int, 2>{0, 0} && heldPeaks_ == std::array<int, 2>{0, 0};
  if (changed || !atRest) ArmTimer(0);
}

bool TOzoVUmetter::CatchUp() {
  const int64_t now = clock_();
  bool changed = false;
  for (int64_t taken = 0; now >= nextTickMs_ && taken < kMaxCatchUpTicks; ++taken, nextTickMs_ += kTickMs)
    changed |= Step();
  if (now >= nextTickMs_) nextTickMs_ = now + kTickMs;
  return changed;
}

// Fires at the next step, or ticksAfterNext steps after it.
void TOzoVUmetter::ArmTimer(int ticksAfterNext) {
  const int64_t due = nextTickMs_ + int64_t(ticksAfterNext) * kTickMs - clock_();
  timer_.start(int(std::clamp<int64_t>(due, 0, (ticksAfterNext + 1) * kTickMs)));
}

void TOzoVUmetter::TimerTick(QObject*) {
  if (Step()) ShowLeds();
}

// A bar that fell a step and rose back by the next levels looks as it did:
// it is not painted again.
void TOzoVUmetter::ShowLeds() {
  const auto shown = leds_;
  RecalcLeds();
  if (leds_ != shown) repaint();
}

bool TOzoVUmetter::Step() {
  bool changed = false;
  const bool peakTick = gTicks % kPeakHoldTicks[peaks_] == 0;
  const bool fallTick = gTicks % kFallTicks[std::min(FallOff, foFast)] == 0;  // a plain field: guard the index
  for (int channel = 0; channel < 2; ++channel) {
    int peak = peaks_ == pkNone ? 0 : peakTick ? levels_[channel] : heldPeaks_[channel];
    peak = std::max(peak, 0);
    changed |= peak != heldPeaks_[channel];
    heldPeaks_[channel] = peak;
    if (fallTick) {
      const int level = std::max(levels_[channel] - FallOffLeds, 0);
      changed |= level != levels_[channel];
      levels_[channel] = level;
    }
  }
  ++gTicks;
  return changed;
}

void TOzoVUmetter::RecalcLeds() {
  for (int channel = 0; channel < 2; ++channel)
    for (int i = 0; i < length_; ++i) {
      const bool red = i >= length_ - redLeds_;
      const bool lit = i < levels_[channel] || (peaks_ != pkNone && i == heldPeaks_[channel] - 1);
      leds_[channel][i] = red ? (lit ? lsRedOn : lsRedOff) : (lit ? lsGreenOn : lsGreenOff);
    }
}

void TOzoVUmetter::RecalcRect() {
  const bool vertical = orientation_ == vuVertical;
  const int along = length_ * (vertical ? ledHeight_ : ledWidth_) + (length_ - 1) * ledSpacing_;
  const int across = 2 * (vertical ? ledWidth_ : ledHeight_) + channelSpacing_;
  if (vertical)
    resize(across, along);
  else
    resize(along, across);
}

void TOzoVUmetter::paintEvent(QPaintEvent*) {
  const bool vertical = orientation_ == vuVertical;
  const int ledPitch = (vertical ? ledHeight_ : ledWidth_) + ledSpacing_;
  const int channelPitch = (vertical ? ledWidth_ : ledHeight_) + channelSpacing_;
  QPainter canvas(this);
  canvas.fillRect(rect(), color_);
  for (int i = 0; i < length_; ++i) {
    // LED 0 is the bottom one when vertical, the left one when horizontal.
    const int along = (vertical ? length_ - 1 - i : i) * ledPitch;
    for (int channel = 0; channel < 2; ++channel) {
      const int across = channel * channelPitch;
      canvas.drawPixmap(vertical ? QPoint(across, along) : QPoint(along, across), ledImages_[leds_[channel][i]]);
    }
  }
}

void TOzoVUmetter::SetOrientation(VUMODES o) {
  if (o == orientation_) return;
  orientation_ = o;
  RecalcRect();
  repaint();
}

void TOzoVUmetter::SetLength(int n) {
  // Fewer than one LED would give the meter no size at all.
  n = std::clamp(n, 1, kMaxLength);
  if (n == length_) return;
  length_ = n;
  redLeds_ = std::min(redLeds_, length_);
  RangeChanged();
  RecalcRect();
  repaint();
}

void TOzoVUmetter::SetMinValue(int n) {
  if (n >= maxValue_) n = maxValue_ - 1;
  if (n == minValue_) return;
  minValue_ = n;
  RangeChanged();
  repaint();
}

void TOzoVUmetter::SetMaxValue(int n) {
  if (n <= minValue_) n = minValue_ + 1;
  if (n == maxValue_) return;
  maxValue_ = n;
  RangeChanged();
  repaint();
}

void TOzoVUmetter::RangeChanged() {
  RecalcScale();
  ClearBars();
  RecalcLeds();
}

void TOzoVUmetter::SetChannelSpacing(int n) { SetSpacing(channelSpacing_, n); }

void TOzoVUmetter::SetLedSpacing(int n) { SetSpacing(ledSpacing_, n); }

void TOzoVUmetter::SetSpacing(int& spacing, int n) {
  n = std::max(n, 0);
  if (n == spacing) return;
  spacing = n;
  RecalcRect();
  repaint();
}

void TOzoVUmetter::SetRedLeds(int n) {
  n = std::min(n, length_);
  if (n == redLeds_) return;
  redLeds_ = n;
  RecalcLeds();
  repaint();
}

void TOzoVUmetter::SetPeaks(PKMODES p) {
  if (p == peaks_ || p > pkSlow) return;
  peaks_ = p;
  heldPeaks_ = levels_;
  RecalcLeds();
  repaint();
}

void TOzoVUmetter::SetColor(QColor c) {
  if (c == color_) return;
  color_ = c;
  repaint();
}

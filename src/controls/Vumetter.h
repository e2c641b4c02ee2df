// A two-channel LED level meter with a red zone, timed fall-off and peak hold.
#pragma once
#include <QColor>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

enum VUMODES : uint8_t { vuVertical, vuHorizontal };
enum FOMODES : uint8_t { foSlow, foMedium, foFast };
enum PKMODES : uint8_t { pkNone, pkFast, pkMedium, pkSlow };

class TOzoVUmetter : public QWidget {
 public:
  static constexpr int kMaxLength = 30;
  static constexpr int kTickMs = 20;
  // Milliseconds on a steady clock.
  using TClock = std::function<int64_t()>;

  explicit TOzoVUmetter(QWidget* parent = nullptr);

  // The window calls this once its form is built: computes the scale, clears
  // the bars and starts the fall-off timer.
  void Loaded();

  // Feeds new levels; the bars rise at once, and fall at once only with
  // LowerLevels. Repaints only when a bar or a peak changed.
  void SetLevels(int left, int right);
  // How many LEDs value lights.
  int GetLevel(int value) const;
  // One step of the meter's timer: peak hold and fall-off.
  void TimerTick(QObject* sender);
  // The clock the steps are due by; tests give one that stands still.
  void SetClock(TClock clock);

  void SetOrientation(VUMODES o);
  void SetLength(int n);
  void SetMinValue(int n);
  void SetMaxValue(int n);
  void SetChannelSpacing(int n);
  void SetLedSpacing(int n);
  void SetRedLeds(int n);
  void SetPeaks(PKMODES p);
  void SetColor(QColor c);

  VUMODES Orientation() const { return orientation_; }
  int Length() const { return length_; }
  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  int ChannelSpacing() const { return channelSpacing_; }
  int LedSpacing() const { return ledSpacing_; }
  int RedLeds() const { return redLeds_; }
  PKMODES Peaks() const { return peaks_; }
  QColor Color() const { return color_; }
  int Level(int channel) const { return levels_[channel]; }
  int Peak(int channel) const { return heldPeaks_[channel]; }
  // The LED image index of LED i of a channel: 0 green lit, 1 green unlit, 2 red lit, 3 red unlit.
  int LedState(int channel, int i) const { return leds_[channel][i]; }
  // The tick counter all meters share; every tick of any meter advances it.
  static uint32_t SharedTicks();

  FOMODES FallOff = foFast;
  bool LowerLevels = true;
  int FallOffLeds = 1;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // One tick's peak hold and fall-off, unpainted: whether a bar or peak changed.
  bool Step();
  // Takes every step due by the clock: whether a bar or peak changed.
  bool CatchUp();
  void TimerFired();
  void ArmTimer(int ticksAfterNext);
  // RecalcLeds, and a paint when an LED changed.
  void ShowLeds();
  void RecalcLeds();
  void RecalcRect();
  void RecalcScale();
  void ClearBars();
  void RangeChanged();
  void SetSpacing(int& spacing, int n);
  // Takes a channel's new level unless it is lower and LowerLevels is off.
  bool ApplyLevel(int channel, int level);

  int ledWidth_ = 0, ledHeight_ = 0;
  std::array<int, 2> levels_{}, heldPeaks_{};  // in LEDs; LED peak-1 is the peak LED
  float scale_ = 0;                            // 0 until loading or a range change: an unconfigured meter shows nothing
  std::array<std::array<uint8_t, kMaxLength>, 2> leds_{};
  QTimer timer_;
  TClock clock_;
  int64_t nextTickMs_ = 0;  // when the next step is due
  std::array<QPixmap, 4> ledImages_;  // in the screen's format: each LED a plain copy
  VUMODES orientation_ = vuVertical;
  int length_ = 10, channelSpacing_ = 2, ledSpacing_ = 1, redLeds_ = 3;
  int minValue_ = 0, maxValue_ = 10;
  PKMODES peaks_ = pkMedium;
  QColor color_ = Qt::black;
};

#include "controls/Vumetter.h"

#include <QTest>

#include "WidgetTestSupport.h"

namespace {
constexpr int kGreenLit = 0, kGreenUnlit = 1, kRedLit = 2, kRedUnlit = 3;

class VumetterTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    meter_ = std::make_unique<TOzoVUmetter>(&Host());
    meter_->SetClock([this] { return nowMs_; });  // steps only where a test takes them
    meter_->show();
  }

  // The deck window's meter.
  void MakeDeckMeter() {
    meter_->SetLength(11);
    meter_->SetMaxValue(255);
    meter_->LowerLevels = false;
    meter_->Loaded();
  }

  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) meter_->TimerTick(meter_.get());
  }

  // Ticks until the shared counter is a multiple of period (the next tick acts on it).
  void TickUntilMultipleOf(uint32_t period) {
    while (TOzoVUmetter::SharedTicks() % period != 0) Tick();
  }

  int64_t nowMs_ = 1000;
  std::unique_ptr<TOzoVUmetter> meter_;
};
}  // namespace

TEST_F(VumetterTest, DefaultMeterMapsValuesOneToOneWithThreeRedLeds) {
  EXPECT_EQ(meter_->size(), QSize(18, 69));
  meter_->Loaded();
  for (int v = 0; v <= 10; ++v) EXPECT_EQ(meter_->GetLevel(v), v);
  EXPECT_EQ(meter_->GetLevel(99), 10);
  EXPECT_EQ(meter_->GetLevel(-5), 0);
  meter_->SetLevels(10, 0);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(meter_->LedState(0, i), i < 7 ? kGreenLit : kRedLit) << i;
    EXPECT_EQ(meter_->LedState(1, i), i < 7 ? kGreenUnlit : kRedUnlit) << i;
  }
}

TEST_F(VumetterTest, DeckMeterMeasuresAndScalesAsDesigned) {
  MakeDeckMeter();
  EXPECT_EQ(meter_->size(), QSize(18, 76));
  EXPECT_EQ(meter_->GetLevel(255), 11);
  EXPECT_EQ(meter_->GetLevel(128), 6);
  EXPECT_EQ(meter_->GetLevel(21), 0);
  EXPECT_EQ(meter_->GetLevel(22), 1);
  meter_->SetOrientation(vuHorizontal);
  EXPECT_EQ(meter_->size(), QSize(98, 14));
}

TEST_F(VumetterTest, LedsAreDrawnBottomUpOnTheBackgroundColour) {
  meter_->Loaded();
  meter_->SetPeaks(pkNone);
  meter_->SetLevels(1, 10);
  const QImage shown = Grab(meter_.get());
  // LED 0 of the left channel is lit at the bottom; its LED 1 above is not.
  EXPECT_EQ(shown.pixel(3, 66), qRgb(0, 255, 0));
  EXPECT_EQ(shown.pixel(3, 59), qRgb(0, 128, 0));
  // The right channel's top LED is red and lit.
  EXPECT_EQ(shown.pixel(13, 3), qRgb(255, 0, 0));
  // The gaps between LEDs and channels keep the colour.
  EXPECT_EQ(shown.pixel(8, 30), qRgb(0, 0, 0));
  meter_->SetColor(Qt::blue);
  EXPECT_EQ(Grab(meter_.get()).pixel(8, 30), qRgb(0, 0, 255));
}

TEST_F(VumetterTest, WithoutLowerLevelsBarsFallOnlyByTheTimer) {
  MakeDeckMeter();
  meter_->SetLevels(255, 255);
  meter_->SetLevels(0, 0);
  EXPECT_EQ(meter_->Level(0), 11);
  for (int expected = 10; expected >= 0; --expected) {
    Tick();
    EXPECT_EQ(meter_->Level(0), expected);
    EXPECT_EQ(meter_->Level(1), expected);
  }
  Tick();
  EXPECT_EQ(meter_->Level(0), 0);
}

TEST_F(VumetterTest, FedLevelsTakeTheStepsDueSinceTheLastAndPaintOnce) {
  MakeDeckMeter();
  meter_->SetPeaks(pkNone);
  PaintCounter paints(meter_.get());
  meter_->SetLevels(255, 255);
  nowMs_ += 74;  // steps due at 20, 40 and 60 ms
  meter_->SetLevels(0, 0);
  EXPECT_EQ(meter_->Level(0), 8);
  EXPECT_EQ(paints.Count(), 2);
}

TEST_F(VumetterTest, WhenLevelsStopTheTimerShowsTheFall) {
  MakeDeckMeter();
  meter_->SetLevels(255, 255);
  nowMs_ += 1000;
  EXPECT_TRUE(QTest::qWaitFor([this] { return meter_->Level(0) == 0 && meter_->LedState(0, 0) == kGreenUnlit; }));
}

TEST_F(VumetterTest, SlowerFallOffWaitsForItsTicks) {
  meter_->Loaded();
  meter_->SetLevels(10, 10);
  meter_->FallOff = foSlow;
  meter_->FallOffLeds = 2;
  TickUntilMultipleOf(4);
  const int full = meter_->Level(0);
  Tick();
  EXPECT_EQ(meter_->Level(0), full - 2);
  Tick(3);
  EXPECT_EQ(meter_->Level(0), full - 2) << "one fall per 4 ticks";
  Tick();
  EXPECT_EQ(meter_->Level(0), full - 4);
}

TEST_F(VumetterTest, PeakHoldsUntilTheSharedCounterReachesItsPeriod) {
  MakeDeckMeter();
  meter_->SetPeaks(pkFast);
  TickUntilMultipleOf(10);
  Tick();                     // on the multiple: peaks take the (still empty) levels
  meter_->SetLevels(180, 0);  // a burst to 8 LEDs
  ASSERT_EQ(meter_->Level(0), 8);
  Tick(4);
  EXPECT_EQ(meter_->Level(0), 4);
  EXPECT_EQ(meter_->Peak(0), 8);
  EXPECT_EQ(meter_->LedState(0, 7), kGreenLit) << "the peak LED stays lit above the bar";
  EXPECT_EQ(meter_->LedState(0, 6), kGreenUnlit);
  Tick(5);  // up to the 9th tick after the multiple
  EXPECT_EQ(meter_->Peak(0), 8);
  Tick();  // the next multiple of 10
  EXPECT_EQ(meter_->Peak(0), 0) << "the peak jumps to the then current level";
}

TEST_F(VumetterTest, WithoutPeaksNoLedIsLitAboveTheBar) {
  MakeDeckMeter();
  meter_->SetPeaks(pkNone);
  meter_->SetLevels(255, 255);
  Tick(3);
  for (int i = meter_->Level(0); i < 11; ++i) EXPECT_NE(meter_->LedState(0, i) % 2, 0) << i;
}

TEST_F(VumetterTest, MetersShareOneTickCounter) {
  TOzoVUmetter other(&Host());
  const uint32_t before = TOzoVUmetter::SharedTicks();
  Tick();
  other.TimerTick(&other);
  EXPECT_EQ(TOzoVUmetter::SharedTicks(), before + 2);
}

TEST_F(VumetterTest, SettersClampSilently) {
  meter_->SetLength(40);
  EXPECT_EQ(meter_->Length(), 30);
  meter_->SetLength(2);
  EXPECT_EQ(meter_->RedLeds(), 2) << "all LEDs red";
  meter_->SetMinValue(10);
  EXPECT_EQ(meter_->MinValue(), 9);
  meter_->SetMaxValue(3);
  EXPECT_EQ(meter_->MaxValue(), 10);
  meter_->SetRedLeds(-1);
  EXPECT_EQ(meter_->RedLeds(), -1);
  EXPECT_EQ(meter_->LedState(0, 1), kGreenUnlit) << "all LEDs green";
  meter_->SetLedSpacing(-3);
  meter_->SetChannelSpacing(-3);
  EXPECT_EQ(meter_->size(), QSize(16, 12));
}

TEST_F(VumetterTest, UnloadedMeterShowsNothingUntilConfigured) {
  meter_->SetLevels(10, 10);
  EXPECT_EQ(meter_->Level(0), 0);
  meter_->SetMaxValue(20);
  meter_->SetLevels(20, 20);
  EXPECT_EQ(meter_->Level(0), 10);
}

TEST_F(VumetterTest, OnlyChangesRepaint) {
  meter_->Loaded();
  meter_->SetPeaks(pkNone);
  PaintCounter paints(meter_.get());
  meter_->SetLevels(5, 5);
  EXPECT_EQ(paints.Count(), 1);
  meter_->SetLevels(5, 5);
  meter_->SetLevels(5, 5);
  EXPECT_EQ(paints.Count(), 1);
  meter_->SetLevels(0, 0);
  EXPECT_EQ(paints.Count(), 2) << "lowered at once";
  Tick();  // forgets the peak that the bar left behind
  const int settled = paints.Count();
  Tick(10);
  EXPECT_EQ(paints.Count(), settled) << "nothing left to fall";
}

#include "SliderTestSupport.h"
#include "controls/ArtResources.h"
#include "controls/CursorTable.h"

namespace {
const QRgb kBlack = qRgb(0, 0, 0);

// Tick marks crossing a line: runs of black pixels along it.
struct TMarks {
  std::vector<int> positions;  // where each mark crosses the line
};

TMarks MarksAlongRow(const QImage& image, int y) {
  TMarks marks;
  for (int x = 0; x < image.width(); ++x)
    if (image.pixel(x, y) == kBlack) marks.positions.push_back(x);
  return marks;
}

TMarks MarksAlongColumn(const QImage& image, int x) {
  TMarks marks;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixel(x, y) == kBlack) marks.positions.push_back(y);
  return marks;
}
}  // namespace

TEST_F(SliderTest, NewSliderHasTheDefaultLayout) {
  EXPECT_EQ(S().size(), QSize(140, 40));
  EXPECT_EQ(S().Orientation(), soHorizontal);
  EXPECT_EQ(S().Options(), (TSliderOptions{soShowFocus, soShowPoints, soSmooth}));
  EXPECT_EQ(S().Thumb()->geometry(), QRect(6, 6, 9, 17));
  EXPECT_EQ(S().Ruler().size(), QSize(128, 10));
  EXPECT_EQ(S().RulerPos(), QPoint(6, 9));
  EXPECT_EQ(S().GetRulerLength(), 119);

  const QImage shown = Grab(&S());
  const TMarks marks = MarksAlongRow(shown, S().PointsRect().top());
  ASSERT_EQ(marks.positions.size(), 11u);
  EXPECT_EQ(marks.positions.front(), 6 + 9 / 2);
  EXPECT_EQ(marks.positions.back(), 6 + 119 + 9 / 2);
  // Only the end marks reach the fourth row.
  EXPECT_EQ(MarksAlongRow(shown, S().PointsRect().top() + 3).positions, (std::vector<int>{10, 129}));
  EXPECT_TRUE(MarksAlongRow(shown, S().PointsRect().top() + 4).positions.empty());
}

TEST_F(SliderTest, PitchFaderThinsItsTickMarks) {
  MakePitch();
  EXPECT_EQ(S().GetRulerLength(), 152);
  const QImage shown = Grab(&S());
  const int left = S().PointsRect().left();
  const TMarks marks = MarksAlongColumn(shown, left);
  ASSERT_EQ(marks.positions.size(), 21u) << "a mark every 200";
  EXPECT_EQ(MarksAlongColumn(shown, left + 2).positions.size(), 21u);
  EXPECT_EQ(MarksAlongColumn(shown, left + 3).positions.size(), 2u) << "only the end marks are 4 long";
  for (size_t i = 1; i < marks.positions.size(); ++i)
    EXPECT_GE(marks.positions[i] - marks.positions[i - 1], 4) << "at least 3 free pixels between marks";
}

TEST_F(SliderTest, VerticalSliderHasItsMaximumAtTheTop) {
  MakePitch();
  EXPECT_EQ(S().GetValueByOffset(6), 2000);
  EXPECT_EQ(S().GetValueByOffset(173 - 9 - 6), -2000);
  S().SetValue(2000);
  EXPECT_EQ(S().GetThumbOffset(), 6);
  S().SetValue(-2000);
  EXPECT_EQ(S().GetThumbOffset(), 173 - 9 - 6);
}

TEST_F(SliderTest, ProgrammaticValueClampsWithoutNotifying) {
  S().SetValue(150);
  EXPECT_EQ(S().Value(), 100);
  S().SetValue(-5);
  EXPECT_EQ(S().Value(), 0);
  EXPECT_TRUE(changes_.empty());
}

TEST_F(SliderTest, RangeSettersKeepAnIncrementBetweenTheEnds) {
  S().SetMaxValue(5);
  EXPECT_EQ(S().MaxValue(), 100);
  S().SetMinValue(95);
  EXPECT_EQ(S().MinValue(), 0);
  S().SetMinValue(90);
  EXPECT_EQ(S().MinValue(), 90);

  TSlider position(&Host());  // as the window readies it for a new track
  position.SetMaxValue(1000000);
  position.SetIncrement(200000);
  position.SetMaxValue(100000);
  EXPECT_EQ(position.MaxValue(), 1000000) << "less than one increment above the minimum";
  position.SetIncrement(1);
  position.SetMaxValue(100000);
  EXPECT_EQ(position.MaxValue(), 100000);
  position.SetIncrement(0);
  position.SetIncrement(-3);
  EXPECT_EQ(position.Increment(), 1);
}

TEST_F(SliderTest, ThumbJumpStepsToWholeIncrementsAndAlwaysNotifies) {
  S().SetValue(15);
  S().ThumbJump(jmNext);
  EXPECT_EQ(S().Value(), 20);
  S().SetValue(15);
  S().ThumbJump(jmPrior);
  EXPECT_EQ(S().Value(), 0);
  S().SetValue(100);
  S().ThumbJump(jmNext);
  EXPECT_EQ(S().Value(), 100);
  S().ThumbJump(jmHome);
  EXPECT_EQ(S().Value(), 0);
  S().ThumbJump(jmEnd);
  EXPECT_EQ(changes_, (std::vector<int>{20, 0, 100, 0, 100})) << "even when the value stays";
  S().ThumbJump(jmNone);
  EXPECT_EQ(changes_.size(), 5u);

  MakePitch();
  S().SetValue(-150);
  S().ThumbJump(jmNext);
  EXPECT_EQ(S().Value(), 0);
  S().SetValue(-150);
  S().ThumbJump(jmPrior);
  EXPECT_EQ(S().Value(), -200);
}

TEST_F(SliderTest, OffsetsRoundHalvesToEven) {
  S().resize(138, 40);  // travel 117: value 50 falls at 58.5 pixels
  ASSERT_EQ(S().GetRulerLength(), 117);
  EXPECT_EQ(S().GetOffsetByValue(50), 6 + 58);
  S().resize(140, 40);  // travel 119: value 50 falls at 59.5
  EXPECT_EQ(S().GetOffsetByValue(50), 6 + 60);
}

TEST_F(SliderTest, WithoutSmoothTheThumbSnapsButTheValueStaysExact) {
  S().SetOptions({soShowPoints});
  S().SetValue(37);
  EXPECT_EQ(S().Value(), 37);
  EXPECT_EQ(S().GetThumbOffset(), S().GetOffsetByValue(30));
}

TEST_F(SliderTest, EdgeSizeMustLeaveAMiddleInTheRuler) {
  S().SetEdgeSize(5);
  EXPECT_EQ(S().EdgeSize(), 2) << "2 x 5 is not below the ruler image's 10";
  S().SetEdgeSize(4);
  EXPECT_EQ(S().EdgeSize(), 4);
}

TEST_F(SliderTest, RulerRepeatsTheMiddleBetweenBothEndCaps) {
  const QImage image = LoadBitmap("W95_HRL").convertToFormat(QImage::Format_ARGB32);
  const QImage ruler = S().Ruler().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(ruler.copy(0, 0, 8, 10), image.copy(0, 0, 8, 10)) << "start cap and one middle";
  EXPECT_EQ(ruler.copy(ruler.width() - 2, 0, 2, 10), image.copy(8, 0, 2, 10)) << "end cap at the very end";
  EXPECT_EQ(ruler.copy(50, 0, 1, 10), image.copy(2 + (50 - 2) % 6, 0, 1, 10));
}

TEST_F(SliderTest, NarrowSliderHasAnEmptyRuler) {
  S().resize(11, 40);
  EXPECT_EQ(S().Ruler().width(), 0);
  Grab(&S());  // paints without a ruler
  EXPECT_EQ(S().GetValueByOffset(6), 0);
}

TEST_F(SliderTest, OneStateThumbIsAsWideAsItsBitmap) {
  S().SetNumThumbStates(1);
  EXPECT_EQ(S().Thumb()->width(), 18);
  const QImage up = Grab(S().Thumb());
  S().Thumb()->SetDown(true);
  EXPECT_EQ(Grab(S().Thumb()), up);
}

TEST_F(SliderTest, ThumbShowsTheSliderColourThroughItsTransparentPixels) {
  const QImage thumb = Grab(S().Thumb());
  EXPECT_EQ(thumb.pixel(8, 16), qRgb(192, 192, 192)) << "the corner beside the point";
  EXPECT_EQ(thumb.pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(SliderTest, StoredFormHoldsOnlyTheUsersImages) {
  QVariantMap stored = S().SaveProperties();
  EXPECT_FALSE(stored.contains("UserImages"));
  EXPECT_FALSE(stored.contains("ImageHThumb"));
  EXPECT_TRUE(stored.contains("NumThumbStates") && stored.contains("Options")) << "always stored";

  QImage thumb(24, 12, QImage::Format_RGB32);
  thumb.fill(Qt::red);
  S().SetImage(siHThumb, &thumb);
  EXPECT_EQ(S().Thumb()->size(), QSize(12, 12));
  stored = S().SaveProperties();
  EXPECT_EQ(stored.value("UserImages").toByteArray(), QByteArray(1, char(1 << siHThumb)));
  EXPECT_EQ(stored.value("ImageHThumb").value<QImage>(), thumb);
  EXPECT_FALSE(stored.contains("ImageVThumb"));

  TSlider copy(&Host());
  copy.LoadProperties(stored);
  EXPECT_EQ(copy.UserImages(), TSliderImages{siHThumb});
  EXPECT_EQ(copy.GetImage(siHThumb), thumb);
  EXPECT_EQ(copy.Thumb()->size(), QSize(12, 12));
  EXPECT_FALSE(copy.SaveProperties(&S()).contains("UserImages")) << "the same set as the ancestor's";

  S().SetImage(siHThumb, nullptr);
  EXPECT_EQ(S().GetImage(siHThumb), LoadBitmap("W95_HTB"));
  EXPECT_FALSE(S().SaveProperties().contains("UserImages"));
  EXPECT_EQ(S().SaveProperties(&copy).value("UserImages").toByteArray(), QByteArray(1, 0))
      << "an emptied set differs from an ancestor's";
}

TEST_F(SliderTest, StoredRangeReadsBackInItsOrder) {
  TSlider downMix(&Host());
  downMix.SetIncrement(1);
  downMix.SetMinValue(-1);
  downMix.SetMaxValue(1);
  downMix.SetValue(1);
  downMix.SetOrientation(soVertical);
  downMix.SetOptions({});
  // Read into a fresh 0..100 slider, the maximum of 1 needs the increment first.
  S().LoadProperties(downMix.SaveProperties());
  EXPECT_EQ(S().Increment(), 1);
  EXPECT_EQ(S().MinValue(), -1);
  EXPECT_EQ(S().MaxValue(), 1);
  EXPECT_EQ(S().Value(), 1);
  EXPECT_EQ(S().Orientation(), soVertical);
  EXPECT_EQ(S().Options(), TSliderOptions{});
}

TEST_F(SliderTest, ThumbsShareTheHandCursor) {
  const QCursor hand = CursorByNumber(kSliderHandCursor);
  EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
  EXPECT_EQ(S().Thumb()->cursor().hotSpot(), hand.hotSpot());
  EXPECT_EQ(S().Thumb()->cursor().pixmap().toImage(), hand.pixmap().toImage());
}

#include <QCoreApplication>
#include <QTimer>
#include <QTimerEvent>

#include "SliderTestSupport.h"

namespace {
class SliderMouseTest : public SliderTest {
 protected:
  QTimer* PagingTimer() { return S().findChild<QTimer*>("pagingTimer"); }

  // One tick of the paging timer, delivered as the event loop would.
  void PagingTick() {
    QTimerEvent tick(PagingTimer()->timerId());
    QCoreApplication::sendEvent(PagingTimer(), &tick);
  }

  // Drags the thumb, grabbed grab pixels from its left edge, so that the
  // grabbed point is at x in the slider.
  void PressThumb(int grab) { Press(S().Thumb(), {grab, 8}); }
  void DragThumbTo(int x) { MoveTo(S().Thumb(), S().Thumb()->mapFrom(&S(), QPoint(x, 14))); }
};
}  // namespace

TEST_F(SliderMouseTest, HoldingBesideTheThumbPagesAtOnceThenEvery400ms) {
  MakePitch();
  const QPoint belowThumb{16, 150};
  Press(&S(), belowThumb);
  EXPECT_EQ(S().Value(), -100) << "one page at once";
  ASSERT_TRUE(PagingTimer()->isActive());
  EXPECT_EQ(PagingTimer()->interval(), 400);
  PagingTick();
  EXPECT_EQ(S().Value(), -200);
  for (int i = 0; i < 30; ++i) PagingTick();
  EXPECT_EQ(S().Value(), -1600) << "paging stops once the thumb reaches the pointer";
  EXPECT_EQ(changes_.size(), 16u);
  EXPECT_TRUE(PagingTimer()->isActive()) << "the timer runs on until release";
  Release(&S(), belowThumb);
  EXPECT_FALSE(PagingTimer()->isActive());
}

TEST_F(SliderMouseTest, PagingStopsWhenThePointerCrossesToTheOtherSide) {
  MakePitch();
  Press(&S(), {16, 150});
  PagingTick();
  EXPECT_EQ(S().Value(), -200);
  MoveTo(&S(), {16, 10});  // above the thumb, while still holding
  PagingTick();
  PagingTick();
  EXPECT_EQ(S().Value(), -200);
  Release(&S(), {16, 10});
}

TEST_F(SliderMouseTest, OnlyTheLeftButtonPagesOrTakesTheFocus) {
  Press(&S(), {100, 30}, Qt::RightButton);
  EXPECT_EQ(S().Value(), 0);
  EXPECT_FALSE(PagingTimer()->isActive());
  Press(S().Thumb(), {4, 8}, Qt::RightButton);
  EXPECT_NE(S().window()->focusWidget(), &S());
  Press(S().Thumb(), {4, 8});
  EXPECT_EQ(S().window()->focusWidget(), &S());
}

TEST_F(SliderMouseTest, DoubleClickOnTheGroovePagesTwice) {
  const QPoint right{130, 30};
  Press(&S(), right);
  Release(&S(), right);
  SendMouse(&S(), QEvent::MouseButtonDblClick, right, Qt::LeftButton, Qt::LeftButton);
  Release(&S(), right);
  EXPECT_EQ(S().Value(), 20);
}

TEST_F(SliderMouseTest, DraggingTheThumbSnapsToIncrementsFromTheMinimum) {
  S().SetOptions({soShowPoints});
  S().SetMinValue(-5);
  S().SetValue(-5);
  int stops = 0;
  S().OnStopTracking = [&](QObject*) { ++stops; };
  PressThumb(4);
  EXPECT_TRUE(S().Thumb()->Down());
  DragThumbTo(6 + 4 + 20);  // 20 pixels of 119 over 105: 17.6, snapped to 10
  EXPECT_EQ(S().Value(), 5);
  EXPECT_EQ(S().GetThumbOffset(), S().GetOffsetByValue(5));
  DragThumbTo(6 + 4 + 22);
  EXPECT_EQ(S().Value(), 5) << "still short of the next step";
  DragThumbTo(6 + 4 + 1000);
  EXPECT_EQ(S().Value(), 95) << "clamped to the end, then snapped toward the minimum";
  EXPECT_EQ(changes_, (std::vector<int>{5, 95}));
  Release(S().Thumb(), {4, 8});
  EXPECT_FALSE(S().Thumb()->Down());
  EXPECT_EQ(stops, 1);
}

TEST_F(SliderMouseTest, SmoothDraggingFollowsThePointer) {
  PressThumb(4);
  DragThumbTo(6 + 4 + 60);
  EXPECT_EQ(S().GetThumbOffset(), 66);
  EXPECT_EQ(S().Value(), 50) << "60 of 119 pixels: 50.4";
  MoveTo(S().Thumb(), {4, 8}, Qt::NoButton);
  EXPECT_EQ(S().Value(), 50) << "moves without the left button do nothing";
}

TEST_F(SliderMouseTest, VerticalThumbDragsAlongY) {
  MakePitch();
  Press(S().Thumb(), {8, 4});
  MoveTo(S().Thumb(), S().Thumb()->mapFrom(&S(), QPoint(16, 6 + 4)));
  EXPECT_EQ(S().Value(), 2000);
  EXPECT_EQ(S().GetThumbOffset(), 6);
}

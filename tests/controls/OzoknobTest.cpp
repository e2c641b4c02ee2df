#include "controls/Ozoknob.h"

#include <vector>

#include "WidgetTestSupport.h"
#include "controls/ArtResources.h"
#include "controls/CursorTable.h"

namespace {
constexpr int kSide = 19;
const QPoint kCentre{9, 9};

class OzoknobTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    knob_ = std::make_unique<TOzoKnob>(&Host());
    knob_->show();
    knob_->OnChange = [this](QObject* sender) {
      EXPECT_EQ(sender, knob_.get());
      changes_.push_back(knob_->Value());
    };
  }

  void Drag(int startY, int endY) {
    Press(knob_.get(), {9, startY});
    MoveTo(knob_.get(), {9, endY});
  }

  std::unique_ptr<TOzoKnob> knob_;
  std::vector<int> changes_;
};
}  // namespace

TEST_F(OzoknobTest, PictureFollowsTheValueAcrossTheStrip) {
  EXPECT_EQ(knob_->size(), QSize(kSide, kSide));
  EXPECT_EQ(knob_->Picture(), 10) << "value 0 of -10..10: pointer straight up";
  knob_->SetValue(-3);
  EXPECT_EQ(knob_->Picture(), 7);
  knob_->SetMinValue(-100);
  knob_->SetMaxValue(100);
  const QImage strip = LoadBitmap("OZOKNOB_DEFAULT").convertToFormat(QImage::Format_RGB32);
  for (const auto& [value, picture] : {std::pair{-100, 0}, {0, 10}, {100, 20}, {-90, 1}}) {
    knob_->SetValue(value);
    EXPECT_EQ(knob_->Picture(), picture) << value;
    EXPECT_EQ(Grab(knob_.get()), strip.copy(picture * kSide, 0, kSide, kSide)) << value;
  }
}

TEST_F(OzoknobTest, DraggingUpTurnsItUpByMoveRange) {
  Drag(15, 5);
  EXPECT_EQ(knob_->Value(), 4) << "10 pixels of 50 over 21 values: 4.2";
  MoveTo(knob_.get(), {9, 25});
  EXPECT_EQ(knob_->Value(), -4);
  MoveTo(knob_.get(), {9, -45});
  EXPECT_EQ(knob_->Value(), 10) << "clamped";
  MoveTo(knob_.get(), {9, 100000});
  EXPECT_EQ(knob_->Value(), -10) << "a far drag clamps, never overflows";
  Release(knob_.get(), {9, 100000});
  MoveTo(knob_.get(), {9, 20}, Qt::NoButton);
  EXPECT_EQ(knob_->Value(), -10) << "released: moves do nothing";
}

TEST_F(OzoknobTest, CtrlPressHoldsAPresetUntilRelease) {
  Press(knob_.get(), kCentre, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(knob_->Value(), -6);
  MoveTo(knob_.get(), {9, 0});
  EXPECT_EQ(knob_->Value(), -6) << "a Ctrl press does not drag";
  Release(knob_.get(), kCentre);
  EXPECT_EQ(knob_->Value(), 0);

  Press(knob_.get(), kCentre, Qt::RightButton, Qt::ControlModifier);
  EXPECT_EQ(knob_->Value(), 6);
  Release(knob_.get(), kCentre, Qt::RightButton);

  knob_->SetValue(3);
  Press(knob_.get(), kCentre, Qt::MiddleButton, Qt::ControlModifier);
  EXPECT_EQ(knob_->Value(), 3) << "the middle button has no preset";
  Release(knob_.get(), kCentre, Qt::MiddleButton);
  EXPECT_EQ(knob_->Value(), 0) << "but its release restores the default";
}

TEST_F(OzoknobTest, CtrlPressWithPresetsOffDrags) {
  knob_->CtrlEnabled = false;
  Press(knob_.get(), {9, 15}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(knob_->Value(), 0);
  MoveTo(knob_.get(), {9, 5});
  EXPECT_EQ(knob_->Value(), 4);
}

TEST_F(OzoknobTest, PressOutsideThePictureIsIgnored) {
  knob_->resize(22, 20);  // as the deck window sizes it
  Press(knob_.get(), {20, 19}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(knob_->Value(), 0);
  Press(knob_.get(), {21, 5});
  MoveTo(knob_.get(), {21, -20});
  EXPECT_EQ(knob_->Value(), 0);
}

TEST_F(OzoknobTest, DoubleClickRestoresTheDefaultAndStartsADrag) {
  knob_->SetDefaultValue(2);
  knob_->SetValue(-7);
  SendMouse(knob_.get(), QEvent::MouseButtonDblClick, {9, 15}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(knob_->Value(), 2);
  MoveTo(knob_.get(), {9, 5});
  EXPECT_EQ(knob_->Value(), 6) << "the drag starts from the default";
  Release(knob_.get(), {9, 5});
  SendMouse(knob_.get(), QEvent::MouseButtonDblClick, {9, 15}, Qt::RightButton, Qt::RightButton);
  Release(knob_.get(), {9, 15});
  EXPECT_EQ(knob_->Value(), 6) << "only a left double-click restores";
  knob_->DefaultEnabled = false;
  SendMouse(knob_.get(), QEvent::MouseButtonDblClick, {9, 15}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(knob_->Value(), 6);
}

TEST_F(OzoknobTest, EveryAssignmentNotifiesButOnlyNewPicturesPaint) {
  PaintCounter paints(knob_.get());
  knob_->SetValue(5);
  knob_->SetValue(5);
  EXPECT_EQ(changes_, (std::vector<int>{5, 5}));
  EXPECT_EQ(paints.Count(), 1);

  knob_->setEnabled(false);
  knob_->SetValue(-5);
  EXPECT_EQ(changes_.size(), 2u) << "a disabled knob does not notify";
  EXPECT_EQ(knob_->Picture(), 5);
  knob_->setEnabled(true);
  const int paintsBefore = paints.Count();
  knob_->hide();
  knob_->SetValue(8);
  EXPECT_EQ(changes_.size(), 3u) << "a hidden knob notifies";
  EXPECT_EQ(paints.Count(), paintsBefore) << "but paints nothing";
}

TEST_F(OzoknobTest, RangeSettersPullEverythingIntoTheNewRange) {
  knob_->SetValue(-2);
  knob_->SetMinValue(20);
  EXPECT_EQ(knob_->MinValue(), 9);
  EXPECT_EQ(knob_->Value(), 9);
  EXPECT_EQ(knob_->DefaultValue(), 9);
  EXPECT_EQ(knob_->CtrlLeftValue(), 9);
  EXPECT_EQ(knob_->CtrlRightValue(), 9);
  EXPECT_EQ(changes_.back(), 9) << "the pull-in notifies";

  knob_->SetMaxValue(-50);
  EXPECT_EQ(knob_->MaxValue(), 10) << "MaxValue stays above MinValue";
  knob_->SetMoveRange(1);
  EXPECT_EQ(knob_->MoveRange(), 50) << "below 2 is ignored";
}

TEST_F(OzoknobTest, UsesTheSharedKnobCursor) {
  EXPECT_EQ(knob_->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(CursorByNumber(kKnobCursor).hotSpot(), knob_->cursor().hotSpot());
  EXPECT_EQ(CursorByNumber(kKnobCursor).pixmap().size(), QSize(32, 32));
}

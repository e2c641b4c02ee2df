#include "controls/Ozolcd.h"

#include <QCoreApplication>
#include <QScreen>

#include "WidgetTestSupport.h"
#include "controls/ArtResources.h"
#include "controls/LcdCharSets.h"

namespace {
// Around its glyph cells a display shows its window colour, the host's.
const QRgb kHostColour = qRgb(0, 0, 255);
// The centre of the colon's upper dot in the normal set's artwork.
const QPoint kColonDotPixel{2, 5};
const QRgb kLitGreen = qRgb(0, 255, 0);
const QRgb kUnlitGreen = qRgb(0, 64, 0);

class OzolcdTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    QPalette palette = Host().palette();
    palette.setColor(QPalette::Window, kHostColour);
    Host().setPalette(palette);
  }

  // A loaded display, wide enough for any test caption.
  TOzoLCD& Display(int charSet, const std::string& caption) {
    lcd_ = std::make_unique<TOzoLCD>(&Host());
    lcd_->resize(120, 30);
    lcd_->show();
    lcd_->SetCharset(charSet);
    lcd_->Loaded();
    lcd_->SetCaption(caption);
    return *lcd_;
  }

  // The size of the area the glyph cells cover, from the top left.
  QSize DrawnSize() {
    const QImage image = Grab(lcd_.get());
    QSize size;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) != kHostColour) size = size.expandedTo(QSize(x + 1, y + 1));
    return size;
  }

  // The strip's cell for glyph position k, as it should appear on screen.
  static QImage Cell(int charSet, int k) {
    const TLcdCharSet& set = kLcdCharSets[charSet];
    return LoadBitmap(set.resource)
        .copy(k * set.cellPitch, 0, set.widths[k], set.height)
        .convertToFormat(QImage::Format_RGB32);
  }

  std::unique_ptr<TOzoLCD> lcd_;
};
}  // namespace

TEST_F(OzolcdTest, DeckCaptionsTakeTheirDesignedSizes) {
  Display(0, "abbdbb");
  EXPECT_EQ(DrawnSize(), QSize(74, 21));
  Display(1, "a ebcbb");
  EXPECT_EQ(DrawnSize(), QSize(49, 14));
}

TEST_F(OzolcdTest, EachCharacterDrawsItsGlyphAtTheRunningPosition) {
  // "-05:09": lit minus, lit digits, lit colon; glyphs 8, 15, 15, 6, 15 wide.
  const QImage shown = Grab(&Display(0, "-05:09"));
  const std::string_view order = kLcdCharSets[0].order;
  int x = 0;
  for (char c : std::string("-05:09")) {
    const QImage cell = Cell(0, int(order.find(c)));
    EXPECT_EQ(shown.copy(x, 0, cell.width(), cell.height()), cell) << "glyph " << c;
    x += cell.width();
  }
  EXPECT_EQ(x, 74);
}

TEST_F(OzolcdTest, CharactersOutsideTheAlphabetDrawTheBlankGlyph) {
  // 'x', 'A' and a byte above 127 each draw the normal set's 6-pixel blank,
  // then drawing goes on: the digit lands at 18.
  const QImage shown = Grab(&Display(0,
                                     "xA\xe9"
                                     "8"));
  EXPECT_EQ(DrawnSize(), QSize(18 + 15, 21));
  for (int x = 0; x < 18; ++x)
    for (int y = 0; y < 21; ++y) ASSERT_EQ(shown.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
  EXPECT_EQ(shown.copy(18, 0, 15, 21), Cell(0, 9));
  // In the small set ':' is not in the alphabet and takes the 1-pixel blank.
  const QImage small = Grab(&Display(1, ":8"));
  EXPECT_EQ(DrawnSize(), QSize(1 + 10, 14));
  EXPECT_EQ(small.copy(1, 0, 10, 14), Cell(1, 9));
}

TEST_F(OzolcdTest, LitColonDiffersFromTheUnlitOne) {
  const QImage unlit = Grab(&Display(0, "d"));
  EXPECT_EQ(unlit.pixel(kColonDotPixel), kUnlitGreen);
  const QImage lit = Grab(&Display(0, ":"));
  EXPECT_EQ(lit.pixel(kColonDotPixel), kLitGreen);
}

TEST_F(OzolcdTest, OutOfRangeCharSetBehavesAsNormal) {
  TOzoLCD& lcd = Display(5, "8");
  EXPECT_EQ(lcd.CharSet(), 0);
  EXPECT_EQ(Grab(&lcd).copy(0, 0, 15, 21), Cell(0, 9));
  lcd.SetCharset(-1);
  EXPECT_EQ(lcd.CharSet(), 0);
}

TEST_F(OzolcdTest, UnchangedCaptionPaintsNothing) {
  TOzoLCD& lcd = Display(0, "a00d00");
  PaintCounter paints(&lcd);
  lcd.SetCaption("a00d00");
  EXPECT_EQ(paints.Count(), 0);
  lcd.SetCaption("a00d01");
  EXPECT_EQ(paints.Count(), 1) << "a changed caption paints at once, before the setter returns";
  lcd.SetCaption("a00d01");
  EXPECT_EQ(paints.Count(), 1);
}

// What the window shows of the display, read from the screen rather than
// painted anew.
QImage OnScreen(TOzoLCD& lcd) {
  const QPoint at = lcd.mapTo(lcd.window(), QPoint(0, 0));
  return lcd.screen()->grabWindow(lcd.window()->winId(), at.x(), at.y(), lcd.width(), lcd.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// A change repaints the changed glyphs alone (here the last digit), and the
// screen then shows what a whole repaint would, also when glyphs of other
// widths shift the rest or the caption shortens.
TEST_F(OzolcdTest, ChangedCaptionRepaintsOnlyWhatItChanged) {
  TOzoLCD& lcd = Display(0, "a00d00");
  PaintCounter paints(&lcd);
  lcd.SetCaption("a00d07");
  // The last digit is the sixth glyph: after "a" (8 pixels), two digits and "d" (6).
  EXPECT_EQ(paints.Painted(), QRegion(8 + 15 + 15 + 6 + 15, 0, 15, lcd.height()));
  for (const char* caption : {"a00d07", "-05:09", "-5:09", "b5:09", "8", "", "a ebcbb"}) {
    lcd.SetCaption(caption);
    EXPECT_EQ(OnScreen(lcd), Grab(&lcd)) << "after " << caption;
  }
}

TEST_F(OzolcdTest, SwitchingCharSetRepaintsAtOnce) {
  TOzoLCD& lcd = Display(0, "8");
  PaintCounter paints(&lcd);
  lcd.SetCharset(1);
  EXPECT_EQ(paints.Count(), 1);
  lcd.SetCharset(1);
  EXPECT_EQ(paints.Count(), 2) << "reapplying the same set repaints too";
  EXPECT_EQ(Grab(&lcd).copy(0, 0, 10, 14), Cell(1, 9));
}

TEST_F(OzolcdTest, EmptyCaptionDrawsNothing) {
  Display(0, "");
  EXPECT_EQ(DrawnSize(), QSize());
}

// The loading flag is shared and never cleared, so this holds only in a
// process where no display has loaded yet (CTest runs each test alone).
TEST_F(OzolcdTest, BeforeAnyDisplayHasLoadedChangesOnlyStore) {
  if (TOzoLCD::LoadingFinished()) GTEST_SKIP() << "a display loaded earlier in this process";
  TOzoLCD lcd(&Host());
  lcd.resize(40, 21);
  lcd.show();
  QCoreApplication::processEvents();  // the paint that showing it asked for
  PaintCounter paints(&lcd);
  lcd.SetCaption("88");
  lcd.SetCharset(1);
  EXPECT_EQ(paints.Count(), 0);
  EXPECT_EQ(lcd.Caption(), "88");
  EXPECT_EQ(lcd.CharSet(), 1);
  lcd.Loaded();
  EXPECT_EQ(paints.Count(), 1) << "loading applies the set, which paints";
}

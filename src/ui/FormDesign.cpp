// The designed settings of the form that its layout file cannot carry: the
// window's frame, face colour and fonts, the custom controls' properties in
// their stored order, and the glyphs of the speed buttons.
#include <QIcon>
#include <QLabel>
#include <QRegion>
#include <QToolButton>

#include "controls/ArtResources.h"
#include "ui/MainBitmaps.h"
#include "ui/SpeedButtonStyle.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
// The classic button face the artwork is drawn against.
const QColor kButtonFace(192, 192, 192);

// Free stand-ins for the designed fonts: Liberation Sans has the metrics of
// Arial (and is close to MS Sans Serif); its narrow cut stands in for the
// small bitmap font of the two tiny buttons. Sizes are the designed pixel heights.
constexpr const char* kFaceFont = "Liberation Sans";
constexpr const char* kSmallFont = "Liberation Sans Narrow";

QFont Font(const char* family, int pixelSize, bool bold) {
  QFont font(family);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

void Fill(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// The deck's rounded corners, 11 pixels across. The top corners sit under the
// window manager's title bar, where a rounded client corner would show a notch,
// so only the bottom two are cut.
constexpr int kCornerDiameter = 11;

QRegion RoundedBottomShape(QSize size) {
  QRegion shape(0, 0, size.width(), size.height());
  const int r = kCornerDiameter / 2 + 1;
  const int top = size.height() + 1 - kCornerDiameter;
  for (int left : {0, size.width() + 1 - kCornerDiameter}) {
    const QRect corner(left, top, kCornerDiameter, kCornerDiameter);
    const QRect square(left == 0 ? 0 : size.width() - r, size.height() - r, r, r);
    shape -= QRegion(square).subtracted(QRegion(corner, QRegion::Ellipse));
  }
  return shape;
}

// The speed buttons in the classic bevel: white and black outer edges, face
// and grey inner ones. The style belongs to the form, which outlives it only
// by the moments its destructor needs.
void ClassicSpeedButtons(QWidget* form) {
  auto* style = new TSpeedButtonStyle;
  style->setParent(form);
  for (QToolButton* button : form->findChildren<QToolButton*>()) {
    QPalette bevel = button->palette();
    bevel.setColor(QPalette::Button, kButtonFace);
    bevel.setColor(QPalette::Light, Qt::white);
    bevel.setColor(QPalette::Midlight, kButtonFace);
    bevel.setColor(QPalette::Dark, QColor(128, 128, 128));
    bevel.setColor(QPalette::Shadow, Qt::black);
    button->setPalette(bevel);
    button->setStyle(style);
  }
}

struct TSliderDesign {
  TSlider* slider;
  TSliderOrientation orientation;
  TSliderOptions options;
  int increment, minValue, maxValue, value;
  bool tabStop;
};
}  // namespace

void TMainForm::ApplyDesign() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  setMask(RoundedBottomShape(size()));
  setFocusPolicy(Qt::StrongFocus);  // the form sees every key first
  QPalette face = palette();
  face.setColor(QPalette::Window, kButtonFace);
  face.setColor(QPalette::Button, kButtonFace);
  setPalette(face);
  setWindowIcon(QIcon(QPixmap::fromImage(LoadBitmap("VYS_ICON"))));
  Fill(ui_->Panel1, Qt::black);
  Fill(ui_->Panel2, Qt::black);
  // Around their glyphs the displays show the panel's black.
  for (QWidget* display :
       std::initializer_list<QWidget*>{ui_->LabelTrack, ui_->LabelPitch, ui_->LabelTimeMMSS, ui_->LabelTimeCS})
    Fill(display, Qt::black);
  Fill(ui_->LedPitch, QColor(0, 128, 0));
  Fill(ui_->LedLink, kButtonFace);
  QFont lampDigit = ui_->LedLink->font();
  lampDigit.setPixelSize(9);
  lampDigit.setBold(true);
  ui_->LedLink->setFont(lampDigit);

  ui_->LabelTrack->SetCaption("ebb");
  ui_->LabelPitch->SetCharset(1);
  ui_->LabelPitch->SetCaption("a ebcbb");
  ui_->LabelTimeMMSS->SetCaption("abbdbb");
  ui_->LabelTimeCS->SetCharset(1);
  ui_->LabelTimeCS->SetCaption("bb");
  for (TOzoLCD* lcd : {ui_->LabelTrack, ui_->LabelPitch, ui_->LabelTimeMMSS, ui_->LabelTimeCS}) lcd->Loaded();

  TOzoVUmetter& meter = *ui_->VMetter;
  meter.SetLength(11);
  meter.SetMaxValue(255);
  meter.LowerLevels = false;
  meter.Loaded();
  meter.SetPeaks(pkNone);

  TOzoKnob& balance = *ui_->Balance;
  balance.SetMinValue(-100);
  balance.SetMaxValue(100);
  balance.SetCtrlValue(0, -1);
  balance.SetCtrlValue(1, 1);

  const TSliderDesign sliders[] = {
      {ui_->DownMix, soHorizontal, {}, 1, -1, 1, 0, false},
      {ui_->Volume, soVertical, {soSmooth}, 10, 0, 100, 100, true},
      {ui_->Pitch, soVertical, {soShowPoints, soSmooth}, 100, -2000, 2000, 0, false},
      {ui_->Position, soHorizontal, {soShowPoints, soSmooth}, 10, 0, 100, 0, false},
  };
  for (const TSliderDesign& s : sliders) {
    s.slider->SetOrientation(s.orientation);
    s.slider->SetNumThumbStates(2);
    s.slider->SetOptions(s.options);
    // In stored order: the increment first, so that the range rules accept the ends.
    s.slider->SetIncrement(s.increment);
    s.slider->SetMinValue(s.minValue);
    s.slider->SetMaxValue(s.maxValue);
    s.slider->SetValue(s.value);
    s.slider->setFocusPolicy(s.tabStop ? Qt::StrongFocus : Qt::NoFocus);
  }
  ApplyFonts();
  ApplyGlyphs();
  ClassicSpeedButtons(this);
}

void TMainForm::ApplyFonts() {
  setFont(Font(kFaceFont, 11, false));
  ui_->btnPrefs->setFont(Font(kSmallFont, 9, true));
  ui_->btnMute->setFont(Font(kSmallFont, 8, true));
  ui_->btnTime->setFont(Font(kFaceFont, 12, true));
}

void TMainForm::ApplyGlyphs() {
  const struct {
    QToolButton* button;
    const char* glyph;
  } glyphs[] = {
      {ui_->btnOpen, "GLYPH_OPEN"}, {ui_->btnPitch, "GLYPH_PITCH"}, {ui_->btnSlow, "GLYPH_SLOW"},
      {ui_->btnFast, "GLYPH_FAST"}, {ui_->btnPrev, "GLYPH_PREV"},   {ui_->btnNext, "GLYPH_NEXT"},
      {ui_->btnRW, "GLYPH_RW"},     {ui_->btnFF, "GLYPH_FF"},
  };
  for (const auto& g : glyphs) {
    const QImage image = LoadBitmap(g.glyph);
    g.button->setIcon(QIcon(QPixmap::fromImage(image)));
    g.button->setIconSize(image.size());
  }
  ui_->Image1->setPixmap(QPixmap::fromImage(LoadBitmap("IMAGE1")));
}

// The face of the deck's speed buttons: the classic square two-pixel bevel,
// raised at rest and sunk while held, with the glyph moving one pixel down
// and right as it sinks. Everything else is left to the application's style.
#pragma once
#include <QProxyStyle>

class TSpeedButtonStyle : public QProxyStyle {
 public:
  TSpeedButtonStyle();
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
};

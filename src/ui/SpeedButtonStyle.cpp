#include "ui/SpeedButtonStyle.h"

#include <QApplication>
#include <QStyleOption>
#include <qdrawutil.h>

namespace {
// A sunk button shows its glyph this far down and right, as pressed keys do.
constexpr int kPressedShift = 1;
}  // namespace

// A style of its own, not the application's object: QProxyStyle would take
// ownership of the style it is given.
TSpeedButtonStyle::TSpeedButtonStyle() : QProxyStyle(QApplication::style()->name()) {}

void TSpeedButtonStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                      const QWidget* widget) const {
  if (element != PE_PanelButtonTool) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  const bool sunken = option->state & (State_Sunken | State_On);
  const QBrush face = option->palette.brush(QPalette::Button);
  qDrawWinButton(painter, option->rect, option->palette, sunken, &face);
}

int TSpeedButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical) return kPressedShift;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

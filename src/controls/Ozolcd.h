// A read-only LCD-style display: each character of the caption picks one
// glyph of a bitmap character set, lit or unlit segments included.
#pragma once
#include <QPixmap>
#include <QWidget>
#include <array>
#include <string>
#include <string_view>

class TOzoLCD : public QWidget {
 public:
  explicit TOzoLCD(QWidget* parent = nullptr);

  // The window calls this once its form is built. From the first call on any
  // display, changes of caption or character set repaint at once.
  void Loaded();
  // Whether any display of the process has loaded.
  static bool LoadingFinished();

  int CharSet() const { return charSet_; }
  // 0 normal, 1 small; anything else becomes 0. Reapplies even an equal set.
  void SetCharset(int index);

  const std::string& Caption() const { return caption_; }
  // Equal text does nothing, so the display timer may set captions freely;
  // other text repaints only the glyphs that changed.
  void SetCaption(const std::string& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void RepaintIfLoaded(const QRect& area);
  int GlyphWidth(char c) const;
  int CaptionWidth(std::string_view text) const;
  // The columns where `after` draws other pixels than `before`.
  QRect ChangedColumns(std::string_view before, std::string_view after) const;

  // The strip in the screen's own format, so that each glyph is a plain copy;
  // null until a character set is applied.
  QPixmap glyphs_;
  int charSet_ = 0;
  std::string caption_;
  std::array<int, 256> glyphIndex_{};  // character code -> glyph position
};

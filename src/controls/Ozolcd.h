// A read-only LCD-style display: each character of the caption picks one
// glyph of a bitmap character set, lit or unlit segments included.
#pragma once
#include <QImage>
#include <QWidget>
#include <array>
#include <string>

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
  // Equal text does nothing, so the display timer may set captions freely.
  void SetCaption(const std::string& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void RepaintIfLoaded();

  QImage glyphs_;  // null until a character set is applied
  int charSet_ = 0;
  std::string caption_;
  std::array<int, 256> glyphIndex_{};  // character code -> glyph position
};

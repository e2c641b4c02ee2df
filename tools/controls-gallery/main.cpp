// Renders the custom controls in a set of states to PNG files, one sheet per
// control, and lists what each sheet shows in gallery.txt:
//   controls-gallery OUTPUT_FOLDER
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <functional>
#include <string>
#include <vector>

#include "controls/Ozoknob.h"
#include "controls/Ozolcd.h"
#include "controls/Slider.h"
#include "controls/Vumetter.h"

namespace {
constexpr int kGap = 4;  // pixels around and between the controls on a sheet
const QColor kDisplayPanel = Qt::black;
const QColor kFacePanel{192, 192, 192};

// A panel that lays its controls out in a row or a column, as they are added.
class TSheet {
 public:
  TSheet(QColor colour, bool row) : row_(row) {
    QPalette palette = panel_.palette();
    palette.setColor(QPalette::Window, colour);
    panel_.setPalette(palette);
    panel_.setAutoFillBackground(true);
  }

  template <typename Control>
  Control* Add(const QString& legend, const std::function<void(Control&)>& setUp) {
    auto* control = new Control(&panel_);
    setUp(*control);
    control->move(row_ ? QPoint(next_, kGap) : QPoint(kGap, next_));
    next_ += (row_ ? control->width() : control->height()) + kGap;
    across_ = std::max(across_, row_ ? control->height() : control->width());
    legend_ << QStringLiteral("%1 (%2 x %3)").arg(legend).arg(control->width()).arg(control->height());
    return control;
  }

  // Shows the sheet so that it paints, writes it and returns its legend line.
  QString Save(const QDir& folder, const QString& name) {
    panel_.resize(row_ ? QSize(next_, across_ + 2 * kGap) : QSize(across_ + 2 * kGap, next_));
    panel_.show();
    panel_.grab().save(folder.filePath(name));
    return name + ": " + legend_.join("; ");
  }

  QWidget& Panel() { return panel_; }

 private:
  QWidget panel_;
  bool row_;
  int next_ = kGap, across_ = 0;
  QStringList legend_;
};

// A caption as the legend shows it: bytes outside ASCII as \xNN.
QString Printable(const std::string& caption) {
  QString text;
  for (const unsigned char c : caption)
    text += c < 0x80 ? QString(QChar(c)) : QStringLiteral("\\x%1").arg(int(c), 2, 16, QChar('0'));
  return '"' + text + '"';
}

QString LcdSheet(const QDir& folder, int charSet, const std::vector<std::string>& captions, QSize size) {
  TSheet sheet(kDisplayPanel, false);
  for (const std::string& caption : captions)
    sheet.Add<TOzoLCD>(Printable(caption), [&](TOzoLCD& lcd) {
      lcd.resize(size);
      lcd.SetCharset(charSet);
      lcd.SetCaption(caption);
    });
  return sheet.Save(folder, charSet == 0 ? "lcd-normal.png" : "lcd-small.png");
}

QString KnobSheet(const QDir& folder) {
  TSheet sheet(kFacePanel, true);
  for (const int value : {-100, -50, 0, 50, 100})
    sheet.Add<TOzoKnob>(QStringLiteral("balance %1").arg(value), [&](TOzoKnob& knob) {
      knob.SetMinValue(-100);
      knob.SetMaxValue(100);
      knob.SetValue(value);
      knob.resize(22, 20);  // the deck window's size for it
    });
  return sheet.Save(folder, "knob.png");
}

// The deck's meter: levels rise at once and fall by the timer; ticks pass
// after the levels so that the bars have fallen below any held peak.
void DeckMeter(TOzoVUmetter& meter, PKMODES peaks, int left, int right, int ticks) {
  meter.SetLength(11);
  meter.SetMaxValue(255);
  meter.LowerLevels = false;
  meter.Loaded();
  meter.SetPeaks(peaks);
  meter.SetLevels(left, right);
  for (int i = 0; i < ticks; ++i) meter.TimerTick(&meter);
}

QString MeterSheet(const QDir& folder) {
  TSheet sheet(kDisplayPanel, true);
  struct TState {
    const char* legend;
    PKMODES peaks;
    int left, right, ticks;
  };
  const TState states[] = {
      {"silent", pkNone, 0, 0, 0},
      {"64/128", pkNone, 64, 128, 0},
      {"200/255", pkNone, 200, 255, 0},
      {"full", pkNone, 255, 255, 0},
      {"peaks after a fall", pkMedium, 255, 200, 3},
      {"peaks, low", pkMedium, 150, 100, 4},
  };
  for (const TState& s : states)
    sheet.Add<TOzoVUmetter>(s.legend, [&](TOzoVUmetter& m) { DeckMeter(m, s.peaks, s.left, s.right, s.ticks); });
  sheet.Add<TOzoVUmetter>("default meter at 7/10", [](TOzoVUmetter& m) {
    m.Loaded();
    m.SetLevels(7, 10);
  });
  return sheet.Save(folder, "vumeter.png");
}

struct TSliderSetup {
  const char* legend;
  TSliderOrientation orientation;
  TSliderOptions options;
  int increment, minValue, maxValue, value;
  QSize size;
};

QString SliderSheet(const QDir& folder) {
  TSheet sheet(kFacePanel, true);
  const TSliderSetup setups[] = {
      {"Pitch at 0", soVertical, {soShowPoints, soSmooth}, 100, -2000, 2000, 0, {33, 173}},
      {"Pitch at +1200", soVertical, {soShowPoints, soSmooth}, 100, -2000, 2000, 1200, {33, 173}},
      {"Volume at 100", soVertical, {soSmooth}, 10, 0, 100, 100, {25, 76}},
      {"DownMix at 0", soHorizontal, {}, 1, -1, 1, 0, {35, 26}},
      {"Position at 30", soHorizontal, {soShowPoints, soSmooth}, 10, 0, 100, 30, {326, 33}},
      {"new slider", soHorizontal, {soShowFocus, soShowPoints, soSmooth}, 10, 0, 100, 0, {140, 40}},
  };
  for (const TSliderSetup& s : setups)
    sheet.Add<TSlider>(s.legend, [&](TSlider& slider) {
      slider.resize(s.size);
      slider.SetOrientation(s.orientation);
      slider.SetOptions(s.options);
      // In stored order: the increment first, so that the range rules accept the ends.
      slider.SetIncrement(s.increment);
      slider.SetMinValue(s.minValue);
      slider.SetMaxValue(s.maxValue);
      slider.SetValue(s.value);
    });
  sheet.Add<TSlider>("pressed thumb at 50", [](TSlider& slider) {
    slider.SetValue(50);
    slider.Thumb()->SetDown(true);
  });
  return sheet.Save(folder, "sliders.png");
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    QTextStream(stderr) << "usage: controls-gallery OUTPUT_FOLDER\n";
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  TOzoLCD().Loaded();  // the window is built: captions paint from now on
  const QStringList legends = {
      LcdSheet(folder, 0,
               {"abbdbb", "abb:bb", "-05:09", "a59:59", "ebb", "I05", "e05", "i05",
                "xA\xe9"
                "05"},
               {76, 21}),
      LcdSheet(folder, 1, {"a ebcbb", "a e0.00", "+ I2.50", "- e8.00", "+ I9.99", "bb", "59"}, {50, 14}),
      KnobSheet(folder),
      MeterSheet(folder),
      SliderSheet(folder),
  };
  QFile list(folder.filePath("gallery.txt"));
  if (!list.open(QIODevice::WriteOnly | QIODevice::Text)) return 1;
  QTextStream(&list) << legends.join("\n") << "\n";
  return 0;
}

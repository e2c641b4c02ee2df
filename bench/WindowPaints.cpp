// window_paints FILE [SECONDS]: the deck window plays FILE (on the output
// VYS_AUDIO names) and, once the song shows, counts for SECONDS the paint
// events of every control. Beside each count is how many of those paints
// found the control showing what it showed at its previous paint: a display
// tick that repaints only what changed leaves that column at zero. The last
// column is the area those paints covered, in pixels.
#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "controls/Ozolcd.h"
#include "controls/Slider.h"
#include "controls/Vumetter.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "ui/QtMessageBox.h"
#include "ui/Vymain.h"

namespace {
// Lets the first ticks after the song shows (range, glyphs, caption) pass.
constexpr int kSettleMs = 1000;
constexpr int kSongWaitMs = 60000;

// What a control shows, as far as its state tells; empty for the panels and
// bevels, which paint only under a child that repaints.
std::string Shows(QWidget* widget) {
  if (auto* lcd = dynamic_cast<TOzoLCD*>(widget)) return lcd->Caption() + char('0' + lcd->CharSet());
  if (auto* meter = dynamic_cast<TOzoVUmetter*>(widget)) {
    std::string leds;
    for (int channel = 0; channel < 2; ++channel)
      for (int i = 0; i < meter->Length(); ++i) leds += char('0' + meter->LedState(channel, i));
    return leds;
  }
  if (auto* bar = qobject_cast<QProgressBar*>(widget))
    return std::to_string(bar->minimum()) + ' ' + std::to_string(bar->maximum()) + ' ' + std::to_string(bar->value());
  if (auto* slider = dynamic_cast<TSlider*>(widget))
    return std::to_string(slider->MinValue()) + ' ' + std::to_string(slider->MaxValue()) + ' ' +
           std::to_string(slider->Value());
  if (auto* button = qobject_cast<QToolButton*>(widget))
    return std::to_string(button->icon().cacheKey()) + (button->isDown() ? 'v' : '^') + button->text().toStdString();
  return {};
}

class PaintCensus : public QObject {
 public:
  struct Count {
    int paints = 0, unchanged = 0;
    int64_t pixels = 0;
    std::string last;
    bool seen = false;
  };

  void Watch(QWidget* widget) {
    widget->installEventFilter(this);
    counts_[widget];
  }
  const std::map<QWidget*, Count>& Counts() const { return counts_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    auto* widget = static_cast<QWidget*>(watched);
    Count& count = counts_[widget];
    const std::string shows = Shows(widget);
    ++count.paints;
    for (const QRect& rect : static_cast<QPaintEvent*>(event)->region()) count.pixels += int64_t(rect.width()) * rect.height();
    if (count.seen && !shows.empty() && shows == count.last) ++count.unchanged;
    count.last = shows;
    count.seen = true;
    return false;
  }

 private:
  std::map<QWidget*, Count> counts_;
};

void Report(const PaintCensus& census, int ticks, double seconds) {
  std::vector<std::pair<QWidget*, PaintCensus::Count>> rows(census.Counts().begin(), census.Counts().end());
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second.paints > b.second.paints; });
  std::printf("display ticks: %.1f/s over %.0f s\n", ticks / seconds, seconds);
  std::printf("%-14s %9s %12s %9s\n", "control", "paints/s", "unchanged/s", "pixels/s");
  int total = 0;
  int64_t pixels = 0;
  for (const auto& [widget, count] : rows) {
    total += count.paints;
    pixels += count.pixels;
    if (count.paints == 0) continue;
    const bool stateless = Shows(widget).empty();
    std::printf("%-14s %9.1f %12s %9.0f\n", widget->objectName().toLocal8Bit().constData(), count.paints / seconds,
                stateless ? "-" : QByteArray::number(count.unchanged / seconds, 'f', 1).constData(),
                count.pixels / seconds);
  }
  std::printf("%-14s %9.1f %12s %9.0f\n", "all", total / seconds, "", pixels / seconds);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_paints FILE [SECONDS]\n");
    return 2;
  }
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10;
  QApplication app(argc, argv);
  ChooseKeySnapshotSource();
  InstallQtMessageBox();
  TMainForm form(SystemDecks());
  if (int failure = form.FormCreate({argv[1]})) return failure;
  form.show();

  PaintCensus census;
  QElapsedTimer counting;
  int ticks = 0;
  QTimer songShown;
  QObject::connect(&songShown, &QTimer::timeout, [&] {
    if (!form.windowTitle().startsWith(kSongCaptionPrefix)) return;
    songShown.stop();
    QTimer::singleShot(kSettleMs, [&] {
      census.Watch(&form);
      for (QWidget* child : form.findChildren<QWidget*>()) census.Watch(child);
      QObject::connect(&form.UpdateTimer(), &QTimer::timeout, [&] { ++ticks; });
      counting.start();
      QTimer::singleShot(int(seconds * 1000), [&] { app.exit(0); });
    });
  });
  songShown.start(TMainForm::kTimerIntervalMs);
  QTimer::singleShot(kSongWaitMs, [&] {
    if (songShown.isActive()) app.exit(1);
  });
  if (app.exec() != 0) {
    std::fprintf(stderr, "window_paints: the song never showed\n");
    return 1;
  }
  Report(census, ticks, counting.elapsed() / 1000.0);
  return 0;
}

// ticking_window TITLE PAINTS_PER_SECOND: a bare window of the deck's size
// with the deck's 37 ms display timer, repainting a display-sized widget at
// the given rate, spread evenly over the ticks. Its CPU is the floor of any
// Qt window that refreshes like the deck: the deck window's own share is what
// it costs beyond this.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {
class Hundredths : public QWidget {
 public:
  using QWidget::QWidget;
  int shown = 0;

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), (shown & 1) ? Qt::green : Qt::black); }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setFixedSize(385, 195);
  window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("ticking"));
  Hundredths display(&window);
  display.setGeometry(88, 42, 25, 17);  // the hundredths display
  display.setAttribute(Qt::WA_OpaquePaintEvent);
  window.show();
  constexpr int kTickMs = 37;
  const double paintsPerTick = (argc > 2 ? std::atof(argv[2]) : 0.0) * kTickMs / 1000;
  double owed = 0;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (owed += paintsPerTick; owed >= 1; owed -= 1) {
      ++display.shown;
      display.repaint();
    }
  });
  timer.start(kTickMs);
  return app.exec();
}

// bare_window TITLE: an empty Qt Widgets window of the deck's client size,
// the floor the deck window's start-up and memory are compared with.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setFixedSize(385, 195);  // the deck window's client size
  window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bare"));
  window.show();
  return app.exec();
}

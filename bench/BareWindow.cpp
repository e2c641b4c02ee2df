// bare_window TITLE [CAPTION]: an empty Qt Widgets window of the deck's
// client size, the floor the deck window's start-up and memory are compared
// with. With CAPTION it shows that text too: the first text a Qt program
// draws loads the font configuration, which an empty window never does.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setFixedSize(385, 195);  // the deck window's client size
  window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bare"));
  if (argc > 2) new QLabel(QString::fromLocal8Bit(argv[2]), &window);  // the window owns it
  window.show();
  return app.exec();
}

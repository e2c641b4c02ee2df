// window-shot WINDOW_ID FILE.png: writes what an X window shows (its client
// area) as a PNG, for tests and the README's picture.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window-shot WINDOW_ID FILE.png\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const WId window = WId(std::strtoull(argv[1], nullptr, 0));
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
  if (shot.isNull() || !shot.save(argv[2], "PNG")) {
    std::fprintf(stderr, "window-shot: cannot grab window %s into %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}

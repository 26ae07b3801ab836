// screenshot FILE.png [WINDOW]: saves the whole screen of $DISPLAY, or only the X window
// WINDOW (an id in decimal or 0x-hex, as xdotool and xwininfo print it), as a PNG.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: screenshot FILE.png [WINDOW]\n");
    return 2;
  }
  WId window = 0;  // the root window: the whole screen
  if (argc == 3) {
    bool ok = false;
    window = QString::fromLocal8Bit(argv[2]).toULongLong(&ok, 0);
    if (!ok) {
      std::fprintf(stderr, "screenshot: not a window id: %s\n", argv[2]);
      return 2;
    }
  }
  // The X screen is what is wanted, whatever QT_QPA_PLATFORM the caller has set.
  qputenv("QT_QPA_PLATFORM", "xcb");
  QGuiApplication application(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) {
    std::fprintf(stderr, "screenshot: no screen\n");
    return 1;
  }
  const QPixmap shot = screen->grabWindow(window);
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "screenshot: cannot save %s\n", argv[1]);
    return 1;
  }
  return 0;
}

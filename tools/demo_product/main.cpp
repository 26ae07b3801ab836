// demo_product TITLE: shows a window captioned TITLE (UTF-8) until it is asked to close.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString title = argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("Brimsel");
  QLabel window(QStringLiteral("%1\n(demo product)").arg(title));
  window.setAlignment(Qt::AlignCenter);
  window.setWindowTitle(title);
  window.resize(320, 160);
  window.show();
  return app.exec();
}

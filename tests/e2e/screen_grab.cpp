// Saves the whole X screen named by DISPLAY as a PNG: what a failed end-to-end test leaves
// behind to show what the user would have seen.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vexmora-screen-grab FILE.png\n");
    return 2;
  }
  QGuiApplication application(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "vexmora-screen-grab: could not save %s\n", argv[1]);
    return 1;
  }
  return 0;
}

// The floor of the start-up figure: a bare Qt dialog program, nothing but a dialog of the given
// size and caption shown at once.
// Usage: vexmora_startup_floor WIDTH HEIGHT CAPTION
#include <QApplication>
#include <QDialog>

#include <cstdlib>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  dialog.setWindowTitle(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Floor"));
  dialog.resize(argc > 2 ? std::atoi(argv[1]) : 400, argc > 2 ? std::atoi(argv[2]) : 300);
  dialog.show();
  return app.exec();
}

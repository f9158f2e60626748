// The floor of the start-up figure: a bare Qt dialog program, nothing but a dialog of the given
// size and caption shown at once; with --label, the same dialog showing one line of text.
// Usage: vexmora_startup_floor WIDTH HEIGHT CAPTION [--label]
#include <QApplication>
#include <QDialog>
#include <QLabel>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  dialog.setWindowTitle(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Floor"));
  dialog.resize(argc > 2 ? std::atoi(argv[1]) : 400, argc > 2 ? std::atoi(argv[2]) : 300);
  if (argc > 4 && std::strcmp(argv[4], "--label") == 0) {
    auto* label = new QLabel(QStringLiteral("&Account:"), &dialog);
    label->move(10, 10);
  }
  dialog.show();
  return app.exec();
}

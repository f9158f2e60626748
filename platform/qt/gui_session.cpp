#include "platform/gui_session.h"

#include <QApplication>

struct GuiSession::State {
  State(int& argc, char** argv) : application(argc, argv) {}
  QApplication application;
};

GuiSession::GuiSession(int& argc, char** argv) : m_state(std::make_unique<State>(argc, argv)) {
  // Each dialog runs its own modal loop; the program ends when its main dialog returns, not
  // when the toolkit sees the last window go.
  QApplication::setQuitOnLastWindowClosed(false);
  // Wayland compositors and task bars find the window icon and name through the desktop entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.vexmora.Client"));
}

GuiSession::~GuiSession() = default;

#include "platform/gui_session.h"

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <thread>

struct GuiSession::State {
  // Reading the font configuration (a few dozen XML files and the font caches) takes longer
  // than everything else before the first window together, and nothing of the toolkit's
  // connection to the display needs it: it runs on a thread of its own meanwhile. The toolkit
  // then finds the configuration loaded (the library hands out one, whichever thread loads it).
  std::thread fontConfiguration{[] { FcInit(); }};
  QApplication application;

  State(int& argc, char** argv) : application(argc, argv) {}
  ~State() { fontConfiguration.join(); }
};

GuiSession::GuiSession(int& argc, char** argv) : m_state(std::make_unique<State>(argc, argv)) {
  // Each dialog runs its own modal loop; the program ends when its main dialog returns, not
  // when the toolkit sees the last window go.
  QApplication::setQuitOnLastWindowClosed(false);
  // Wayland compositors and task bars find the window icon and name through the desktop entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.vexmora.Client"));
}

GuiSession::~GuiSession() = default;

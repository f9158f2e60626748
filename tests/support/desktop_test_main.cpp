// Entry point of the desktop test programs: each run gets an X server and a window manager of
// its own, and the program's resources.
#include <QApplication>
#include <memory>

#include <gtest/gtest.h>

#include "platform/resource_table.h"
#include "resources/program_resources.h"
#include "tests/support/desktop_session.h"
#include "tests/support/modal_answerer.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<DesktopSession> desktop;
  if (GTEST_FLAG_GET(list_tests)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // listing the tests needs no desktop
  } else {
    desktop = std::make_unique<DesktopSession>();
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  int status = 0;
  {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallResources(ProgramResources());
    InstallModalSafetyNet();
    status = RUN_ALL_TESTS();
  }
  return status;
}

// Entry point of the UI test programs: a headless application with the program's resources.
#include <QApplication>

#include <gtest/gtest.h>

#include "platform/resource_table.h"
#include "resources/program_resources.h"
#include "tests/support/modal_answerer.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  InstallResources(ProgramResources());
  InstallModalSafetyNet();
  return RUN_ALL_TESTS();
}

// Start-up: the toolkit session, the program's resources, then the application object.
#include "platform/gui_session.h"
#include "platform/resource_table.h"
#include "platform/win_app.h"
#include "resources/program_resources.h"

int main(int argc, char** argv) {
  GuiSession session(argc, argv);
  InstallResources(ProgramResources());
  return RunApplication();
}

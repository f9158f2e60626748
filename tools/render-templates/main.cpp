// Renders every dialog template of the program to a PNG for the documentation, and refuses
// (exit status 1) when a text does not fit its rectangle at the dialog font.
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/dialog_units.h"
#include "platform/gui_session.h"
#include "platform/template_preview.h"
#include "resources/dialog_templates.h"
#include "resources/program_resources.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUTPUT-FOLDER\n";
    return 2;
  }
  GuiSession session(argc, argv);
  InstallResources(ProgramResources());
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  struct Picture {
    const DialogTemplate* dialog;
    const char* name;
  };
  const Picture pictures[] = {
      {&kAboutTemplate, "about"},
      {&kMainTemplate, "main"},
      {&kSetupTemplate, "setup"},
      {&kDataErrorTemplate, "data-error"},
      {&kNewAddressTemplate, "new-address"},
      {&kTermsTemplate, "terms"},
  };
  bool allFit = true;
  for (const Picture& picture : pictures) {
    const std::string file =
        (folder / ("template-" + std::to_string(picture.dialog->id) + "-" + picture.name + ".png"))
            .string();
    if (!SaveTemplatePicture(*picture.dialog, file)) {
      std::cerr << "could not write " << file << "\n";
      return 1;
    }
    for (const std::string& text : FindClippedTexts(*picture.dialog)) {
      std::cerr << "template " << picture.dialog->id << ": does not fit: " << text << "\n";
      allFit = false;
    }
    std::cout << file << "\n";
  }
  const DialogBaseUnits units = BaseUnitsOf(kMainTemplate.font);
  std::cout << "dialog font: " << ResolvedFontFamily(kMainTemplate.font) << ", base units "
            << units.cx << "x" << units.cy << "\n";
  return allFit ? 0 : 1;
}

// Renders every dialog template of the program to a PNG for the documentation, and refuses
// (exit status 1) when a text does not fit its rectangle at the dialog font. It also opens the
// real main window on an account file of three accounts, chooses one and pictures the window.
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "platform/dialog_units.h"
#include "platform/gui_session.h"
#include "platform/template_preview.h"
#include "resources/dialog_templates.h"
#include "resources/program_resources.h"
#include "store/account_store.h"
#include "ui/main/main_dlg.h"

namespace {

// The main window as it stands once the user has chosen the first account.
class MainWindowPicture : public CMainDlg {
 public:
  explicit MainWindowPicture(std::string pngPath) : m_pngPath(std::move(pngPath)) {}
  bool saved = false;

 protected:
  bool OnInitDialog() override {
    CMainDlg::OnInitDialog();
    m_accountList.SetCurSel(0);
    OnSelendokAccount();
    saved = SaveWindowPicture(*this, m_pngPath);
    EndDialog(IDOK);
    return true;
  }

 private:
  std::string m_pngPath;
};

// Opens the main window on an account file of its own in a fresh folder, so no account of the
// user's is read or shown.
bool SaveMainWindowPicture(const std::string& pngPath) {
  std::string folder = (std::filesystem::temp_directory_path() / "vexmora-picture-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return false;
  ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  bool saved = false;
  try {
    const AccountStore store;
    store.Append({"Home", "jane.doe@example.org", "correct horse"}, true);
    store.Append({"Work", "j.doe@work.example", "battery staple"}, true);
    store.Append({"Shopping", "jane.shops@example.net", ""}, false);
    MainWindowPicture window(pngPath);
    window.DoModal();
    saved = window.saved;
  } catch (const std::exception& error) {
    std::cerr << "main window: " << error.what() << "\n";
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return saved;
}

}  // namespace

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
  const std::string mainWindow = (folder / "main-window.png").string();
  if (!SaveMainWindowPicture(mainWindow)) {
    std::cerr << "could not write " << mainWindow << "\n";
    return 1;
  }
  std::cout << mainWindow << "\n";
  const DialogBaseUnits units = BaseUnitsOf(kMainTemplate.font);
  std::cout << "dialog font: " << ResolvedFontFamily(kMainTemplate.font) << ", base units "
            << units.cx << "x" << units.cy << "\n";
  return allFit ? 0 : 1;
}

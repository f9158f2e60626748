#pragma once

#include <string>

class CDialog;

// The application object: one per program, a static object constructed before start-up.
// RunApplication hands it the process once the toolkit session and the resources are there.
class CWinApp {
 public:
  // Without a name the application is named after the program file, without its extension.
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up. True goes on to the event loop (Run); false ends the program at once.
  virtual bool InitInstance();
  // Runs the event loop until the program quits; returns the exit status.
  virtual int Run();
  // The last thing the application does; returns the exit status.
  virtual int ExitInstance();

  std::string AppName() const;

  // The window the application is about; set by InitInstance, nullptr when there is none.
  CDialog* m_pMainWnd = nullptr;

 private:
  std::string m_appName;
};

// The program's application object, or nullptr before it is constructed.
CWinApp* CurrentApp();

// Runs the application object's start-up and, when it asks for one, the event loop; returns
// the process's exit status. Call it once, after the GuiSession and InstallResources.
int RunApplication();

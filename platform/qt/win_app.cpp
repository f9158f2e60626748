#include "platform/win_app.h"

#include <QApplication>

#include "platform/desktop.h"

namespace {

CWinApp* g_app = nullptr;

}  // namespace

CWinApp::CWinApp(const char* appName) : m_appName(appName != nullptr ? appName : "") {
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

bool CWinApp::InitInstance() {
  return true;
}

int CWinApp::Run() {
  const int status = QApplication::exec();
  const int exitStatus = ExitInstance();
  return status != 0 ? status : exitStatus;
}

int CWinApp::ExitInstance() {
  return 0;
}

std::string CWinApp::AppName() const {
  // The program file's name is known only once the toolkit runs, after static construction.
  return m_appName.empty() ? ProgramName() : m_appName;
}

CWinApp* CurrentApp() {
  return g_app;
}

int RunApplication() {
  CWinApp* app = CurrentApp();
  if (app == nullptr) return 1;
  if (!app->InitInstance()) {
    app->m_pMainWnd = nullptr;
    return app->ExitInstance();
  }
  return app->Run();
}

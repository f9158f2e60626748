#include "app/client_app.h"

#include "ui/main/main_dlg.h"

// The one application object, alive from static construction to process exit.
CClientApp theApp;

CClientApp::CClientApp() : CWinApp(nullptr) {}

bool CClientApp::InitInstance() {
  // The main window and its account tables live on this frame; nothing is saved when it ends,
  // since the account file is written only when an account is created.
  CMainDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return false;
}

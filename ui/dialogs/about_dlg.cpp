#include "ui/dialogs/about_dlg.h"

#include "resources/resource_ids.h"

CAboutDlg::CAboutDlg(CDialog* owner) : CDialog(IDD_ABOUT, owner) {}

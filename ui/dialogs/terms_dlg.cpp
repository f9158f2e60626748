#include "ui/dialogs/terms_dlg.h"

#include "resources/resource_ids.h"

CTermsDlg::CTermsDlg(CDialog* owner) : CDialog(IDD_TERMS, owner) {}

// Accepting needs nothing beyond ending the box; the override is the place for it.
void CTermsDlg::OnOK() {
  CDialog::OnOK();
}

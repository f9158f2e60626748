#include "ui/dialogs/new_address_dlg.h"

#include "resources/resource_ids.h"

CNewAddressDlg::CNewAddressDlg(CDialog* owner) : CDialog(IDD_NEW_ADDRESS, owner) {}

void CNewAddressDlg::DoDataExchange(DataExchange& dx) {
  CDialog::DoDataExchange(dx);
  ExchangeText(dx, IDC_NEW_ADDRESS, m_address);
}

#include "ui/setup/setup_dlg.h"

#include "resources/resource_ids.h"

namespace {

constexpr int kAddressLimit = 100;
constexpr int kNameLimit = 90;

}  // namespace

const EventEntry<CSetupDlg> CSetupDlg::kEvents[] = {
    {Notify::kClicked, IDC_CLEAR_ALL, &CSetupDlg::OnClearAll},
};

CSetupDlg::CSetupDlg(CDialog* owner) : CDialog(IDD_SETUP, owner) {
  SetEventTable(kEvents);
}

void CSetupDlg::DoDataExchange(DataExchange& dx) {
  CDialog::DoDataExchange(dx);
  ExchangeText(dx, IDC_SETUP_EMAIL, m_email, kAddressLimit);
  ExchangeText(dx, IDC_SETUP_EMAIL2, m_email2, kAddressLimit);
  ExchangeText(dx, IDC_SETUP_PASSWORD, m_password, kAddressLimit);
  ExchangeText(dx, IDC_SETUP_PASSWORD2, m_password2, kAddressLimit);
  ExchangeCheck(dx, IDC_SAVE_PASSWORD, m_savePassword);
  ExchangeText(dx, IDC_ACCOUNT_NAME, m_accountName, kNameLimit);
}

// Being written: account creation and Clear ALL accounts.
void CSetupDlg::OnCreateAccount() {}
void CSetupDlg::OnClearAll() {}

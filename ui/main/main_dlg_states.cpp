// Which controls of the main window can be used, and the handlers that change it.
#include "resources/resource_ids.h"
#include "ui/main/combo_account_list.h"
#include "ui/main/main_dlg.h"

namespace {

// Enabled and disabled together, in this order. The custom prefix edit is not among them: only
// the prefix buttons change it.
constexpr int kAddressControls[] = {
    IDC_CLEAR_MESSAGE, IDC_MESSAGE,        IDC_PREFIX_FWD,    IDC_PREFIX_SPAM,  IDC_PREFIX_URGENT,
    IDC_PREFIX_CUSTOM, IDC_CREATE_ADDRESS, IDC_MESSAGE_LABEL, IDC_MESSAGE_HINT, IDC_PREFIX_LABEL,
};

}  // namespace

void CMainDlg::EnableAddressControls(bool on) {
  for (const int id : kAddressControls) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(on);
  }
}

void CMainDlg::OnSelendokAccount() {
  const int index = m_accountList.GetCurSel();
  if (index == -1) return;
  const AccountRecord& record = m_accounts.At(index);
  // Only the stored password decides: an account kept without one waits for it to be typed.
  EnableAddressControls(!record.password.empty());
  m_email = record.email;
  m_password = record.password;
  // The refresh shows the two new values; the message and custom prefix edits must keep what
  // the user typed since the last reading, so their members take it first.
  m_message = m_messageEdit.GetWindowText();
  m_customSub = m_customSubEdit.GetWindowText();
  UpdateData(false);
}

void CMainDlg::OnSelchangeAccount() {}

void CMainDlg::OnCredentialsChanged() {
  // A stop at the limit check still leaves the members read before it; the state follows them.
  UpdateData(true);
  EnableAddressControls(!m_email.empty() && !m_password.empty());
}

void CMainDlg::OnCustomPrefix() {
  if (CWnd* edit = GetDlgItem(IDC_CUSTOM_PREFIX)) edit->EnableWindow(true);
}

void CMainDlg::OnFixedPrefix() {
  if (CWnd* edit = GetDlgItem(IDC_CUSTOM_PREFIX)) edit->EnableWindow(false);
}

void CMainDlg::OnClearMessage() {
  UpdateData(true);
  m_message.clear();
  UpdateData(false);
}

void CMainDlg::OnSetfocusAccount() {
  // Accounts made in the setup dialog join the list only now, in the order they were made.
  ComboAccountList list(m_accountList);
  m_accounts.MergeFrom(m_setupDlg.m_accounts, list);
}

void CMainDlg::OnSetup() {
  m_setupDlg.DoModal();
}

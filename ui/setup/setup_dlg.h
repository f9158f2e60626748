#pragma once

#include <string>

#include "platform/dialog.h"
#include "store/account_table.h"

// Creates accounts on the service and keeps them in the account file, and clears all kept
// accounts (template 129). The main window owns one for its whole life, so the typed values
// and the accounts created since the last merge survive from one showing to the next.
class CSetupDlg : public CDialog {
 public:
  explicit CSetupDlg(CDialog* owner = nullptr);

  // Accounts created in this run and not yet merged into the main window's table.
  AccountTable m_accounts;
  std::string m_email;
  std::string m_email2;
  std::string m_password;
  std::string m_password2;
  int m_savePassword = 0;  // 1: keep the password in the file
  std::string m_accountName;

 protected:
  void DoDataExchange(DataExchange& dx) override;
  // Create New Account: the OK command.
  void OnOK() override { OnCreateAccount(); }

 private:
  void OnCreateAccount();
  void OnClearAll();

  static const EventEntry<CSetupDlg> kEvents[];
};

#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "store/account_table.h"
#include "ui/setup/setup_dlg.h"

// The main window (template 102): the accounts loaded from the account file, the texts the user
// types, and the setup dialog, which lives as long as the window. Item i of the account list
// always shows the name of slot i of m_accounts; items are only ever appended.
class CMainDlg : public CDialog {
 public:
  CMainDlg();
  ~CMainDlg() override;

  AccountTable m_accounts;
  // Bound by the first exchange; nothing uses the edits and buttons beyond the binding.
  CEdit m_customSubEdit;
  CEdit m_messageEdit;
  CEdit m_passwordEdit;
  CEdit m_emailEdit;
  CButton m_setupButton;
  CButton m_createButton;
  CComboBox m_accountList;
  std::string m_email;
  std::string m_password;
  std::string m_message;
  std::string m_customSub;
  std::string m_comboText;  // the selected item's text at the last reading; nothing reads it
  CSetupDlg m_setupDlg;
  ProgramIcon m_hIcon;

  // Enables or disables the ten controls that make a new address, together.
  void EnableAddressControls(bool on);

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;

  void OnSysCommand(unsigned commandId, long param);

  void OnSetup();
  void OnSelchangeAccount();
  void OnSelendokAccount();
  void OnSetfocusAccount();
  void OnCustomPrefix();
  void OnFixedPrefix();
  void OnCredentialsChanged();
  void OnClearMessage();

  void OnCreateNewAddress();
  void OnViewLog();

 private:
  static const EventEntry<CMainDlg> kEvents[];
};

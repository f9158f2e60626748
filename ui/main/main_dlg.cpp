#include "ui/main/main_dlg.h"

#include <exception>

#include "platform/error_report.h"
#include "platform/file_exception.h"
#include "platform/resource_table.h"
#include "resources/resource_ids.h"
#include "store/account_store.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/main/combo_account_list.h"

namespace {

// The e-mail and password edits take no more than this; the service allows no longer ones.
constexpr int kCredentialLimit = 100;

}  // namespace

const EventEntry<CMainDlg> CMainDlg::kEvents[] = {
    {kSysCommand, &CMainDlg::OnSysCommand},
    {Notify::kClicked, IDC_SETUP, &CMainDlg::OnSetup},
    {Notify::kSelChange, IDC_ACCOUNT, &CMainDlg::OnSelchangeAccount},
    {Notify::kSelEndOk, IDC_ACCOUNT, &CMainDlg::OnSelendokAccount},
    {Notify::kSetFocus, IDC_ACCOUNT, &CMainDlg::OnSetfocusAccount},
    {Notify::kClicked, IDC_PREFIX_CUSTOM, &CMainDlg::OnCustomPrefix},
    {Notify::kClicked, IDC_PREFIX_FWD, &CMainDlg::OnFixedPrefix},
    {Notify::kClicked, IDC_PREFIX_SPAM, &CMainDlg::OnFixedPrefix},
    {Notify::kClicked, IDC_PREFIX_URGENT, &CMainDlg::OnFixedPrefix},
    {Notify::kChange, IDC_EMAIL, &CMainDlg::OnCredentialsChanged},
    {Notify::kUpdate, IDC_EMAIL, &CMainDlg::OnCredentialsChanged},
    {Notify::kSetFocus, IDC_EMAIL, &CMainDlg::OnCredentialsChanged},
    {Notify::kChange, IDC_PASSWORD, &CMainDlg::OnCredentialsChanged},
    {Notify::kUpdate, IDC_PASSWORD, &CMainDlg::OnCredentialsChanged},
    {Notify::kSetFocus, IDC_PASSWORD, &CMainDlg::OnCredentialsChanged},
    {Notify::kClicked, IDC_CLEAR_MESSAGE, &CMainDlg::OnClearMessage},
    {Notify::kClicked, IDC_CREATE_ADDRESS, &CMainDlg::OnCreateNewAddress},
    {Notify::kClicked, IDC_VIEW_LOG, &CMainDlg::OnViewLog},
};

CMainDlg::CMainDlg() : CDialog(IDD_MAIN) {
  SetEventTable(kEvents);
  m_hIcon = LoadIcon(IDI_APP);
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::DoDataExchange(DataExchange& dx) {
  CDialog::DoDataExchange(dx);
  BindControl(dx, IDC_CUSTOM_PREFIX, m_customSubEdit);
  BindControl(dx, IDC_MESSAGE, m_messageEdit);
  BindControl(dx, IDC_PASSWORD, m_passwordEdit);
  BindControl(dx, IDC_EMAIL, m_emailEdit);
  BindControl(dx, IDC_SETUP, m_setupButton);
  BindControl(dx, IDC_CREATE_ADDRESS, m_createButton);
  BindControl(dx, IDC_ACCOUNT, m_accountList);
  ExchangeText(dx, IDC_EMAIL, m_email, kCredentialLimit);
  ExchangeText(dx, IDC_PASSWORD, m_password, kCredentialLimit);
  ExchangeText(dx, IDC_MESSAGE, m_message);
  ExchangeText(dx, IDC_CUSTOM_PREFIX, m_customSub);
  ExchangeSelectedText(dx, IDC_ACCOUNT, m_comboText);
}

bool CMainDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (SystemMenu* menu = GetSystemMenu()) {
    const std::string about = LoadString(IDS_ABOUT_ITEM);
    if (!about.empty()) {
      menu->AppendSeparator();
      menu->AppendItem(kAboutCommand, about);
    }
  }

  SetIcon(m_hIcon, true);
  SetIcon(m_hIcon, false);

  // A file that cannot be read (another copy holds it, say) is reported, and the window still
  // opens ready for use with whatever was loaded before the failure.
  try {
    ComboAccountList list(m_accountList);
    AccountStore().Load(m_accounts, list);
  } catch (const CFileException&) {
    ReportFailure(this, std::current_exception(), FailurePlace::kHandler);
  }

  CheckRadioButton(IDC_PREFIX_FWD, IDC_PREFIX_CUSTOM, IDC_PREFIX_FWD);
  return true;
}

void CMainDlg::OnSysCommand(unsigned commandId, long param) {
  if ((commandId & 0xFFF0) == kAboutCommand) {
    CAboutDlg about(this);
    about.DoModal();
  } else {
    CDialog::OnSysCommand(commandId, param);
  }
}

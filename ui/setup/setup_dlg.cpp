#include "ui/setup/setup_dlg.h"

#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/run_without_freezing.h"
#include "resources/resource_ids.h"
#include "service/page_fetcher.h"
#include "service/service_requests.h"
#include "store/account_store.h"
#include "ui/dialogs/data_error_dlg.h"
#include "ui/dialogs/terms_dlg.h"

#include <string>
#include <string_view>

namespace {

constexpr int kAddressLimit = 100;
constexpr int kNameLimit = 90;

// Caption of the boxes this dialog words itself.
constexpr const char* kBoxCaption = "Vexmora";

constexpr const char* kNotCreatedText =
    "The account was not created. The registration request failed:\n";

constexpr const char* kClearAllQuestion =
    "NOTICE!\n\nThis will erase all login information that appears in\nthe drop-down box. You "
    "will need to re-enter this\ninformation using the \"Create New Account\" button.\nYour "
    "actual account information on our servers is not\naffected in any way.\n\nAre you sure "
    "you want to do this?";
constexpr const char* kErasedText =
    "All Vexmora login information stored on this computer has been erased.\nThis application "
    "must be restarted (to clear accounts loaded in memory), and will now exit";
constexpr const char* kEraseFailedText =
    "Erasing information failed. This should never happen. Please contact ";

bool Holds(const std::string& text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string::npos;
}

// Whether the typed values make an account line that reads back as itself: a name to list it
// under, no "," inside the name or e-mail address to move the fields, and no line end or NUL
// byte in any field to cut the line.
bool FitsTheFile(const CSetupDlg& typed) {
  using namespace std::string_view_literals;
  if (typed.m_accountName.empty()) return false;
  if (Holds(typed.m_accountName, ","sv) || Holds(typed.m_email, ","sv)) return false;
  for (const std::string* field : {&typed.m_accountName, &typed.m_email, &typed.m_email2,
                                   &typed.m_password, &typed.m_password2}) {
    if (Holds(*field, "\r\n\0"sv)) return false;
  }
  return true;
}

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

void CSetupDlg::OnCreateAccount() {
  if (!UpdateData(true)) return;

  // Both copies must match before either may be empty; comparisons are byte for byte.
  if (m_email != m_email2 || m_password != m_password2 || m_email.empty() || m_password.empty() ||
      !FitsTheFile(*this)) {
    CDataErrorDlg dataError;
    dataError.DoModal();
    return;
  }

  CTermsDlg terms;
  if (terms.DoModal() != IDOK) return;

  // The reply page itself carries nothing we use; only whether the service took the request.
  const std::string url = MakeRegisterUrl(m_email, m_email2, m_password, m_password2);
  char piece[kPieceBufferSize];
  const Page page = RunWithoutFreezing(this, [&] { return FetchPage(url, piece); });
  if (page.failed) {
    ShowMessageBox(this, kNotCreatedText + page.reason, kBoxCaption, BoxButtons::kOk,
                   BoxIcon::kExclamation);
    return;
  }

  // A file error leaves this handler here: the framework reports it and the dialog stays open.
  AccountStore().Append({m_accountName, m_email, m_password}, m_savePassword != 0);
  CDialog::OnOK();
  // The pending record keeps the typed password even when the file does not.
  m_accounts.Add(m_accountName, m_email, m_password);
}

void CSetupDlg::OnClearAll() {
  if (ShowMessageBox(this, kClearAllQuestion, "Are you sure?", BoxButtons::kYesNo,
                     BoxIcon::kQuestion, IDNO) != IDYES) {
    return;
  }
  if (AccountStore().Erase()) {
    ShowMessageBox(this, kErasedText, "Ok", BoxButtons::kOk, BoxIcon::kNone);
    // The accounts still in memory go with the process; nothing is closed first.
    ExitProcess(0);
    return;
  }
  ShowMessageBox(this, std::string(kEraseFailedText) + WebDomain, "Error", BoxButtons::kOk,
                 BoxIcon::kNone);
}

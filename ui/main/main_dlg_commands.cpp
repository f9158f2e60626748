// The main window's two service commands: Create New Address and View Log.
#include <cstring>
#include <string>

#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/run_without_freezing.h"
#include "resources/resource_ids.h"
#include "service/page_fetcher.h"
#include "service/service_requests.h"
#include "ui/dialogs/data_error_dlg.h"
#include "ui/dialogs/new_address_dlg.h"
#include "ui/main/main_dlg.h"

namespace {

struct PrefixButton {
  int id;
  const char* word;  // the button's text without its colon
};

// Asked in this order; the buttons exclude each other, so one of them gives the word.
constexpr PrefixButton kPrefixButtons[] = {
    {IDC_PREFIX_FWD, "Fwd"},
    {IDC_PREFIX_SPAM, "Spam"},
    {IDC_PREFIX_URGENT, "Urgent"},
    {IDC_PREFIX_CUSTOM, "Custom"},
};

constexpr const char* kBoxCaption = "Vexmora";

bool IsMarked(CDialog& dialog, int id) {
  auto* button = dynamic_cast<CButton*>(dialog.GetDlgItem(id));
  return button != nullptr && button->GetCheck() == 1;
}

// An address the service did not hand out must not look like one: no clipboard, no sound and
// no new address box, but a box that says what went wrong.
void ReportNoAddress(CDialog& owner, const std::string& why) {
  ShowMessageBox(&owner, "No new address was created.\n\n" + why, kBoxCaption, BoxButtons::kOk,
                 BoxIcon::kStop);
}

}  // namespace

void CMainDlg::OnCreateNewAddress() {
  UpdateData(true);

  std::string prefixWord;
  for (const PrefixButton& button : kPrefixButtons) {
    if (IsMarked(*this, button.id)) prefixWord = button.word;
  }

  if (m_email.empty() || m_password.empty() || m_message.empty() || prefixWord.empty()) {
    CDataErrorDlg error;
    error.DoModal();
    return;
  }

  // The custom prefix goes with every request, whichever button is marked.
  const std::string url =
      MakeNewAddressUrl(m_email, m_password, m_message, prefixWord, m_customSub);
  char piece[kPieceBufferSize];
  const Page page = RunWithoutFreezing(this, [&] { return FetchPage(url, piece); });
  if (page.failed) {
    ReportNoAddress(*this, page.reason.empty() ? "The request failed." : page.reason);
    return;
  }
  // The address is the trimmed reply followed by "@" and the mail domain; that suffix alone
  // means the service sent nothing to use as the local part.
  const std::string address = AddressFromReply(page.text);
  if (address.size() == std::strlen(MailDomain) + 1) {
    ReportNoAddress(*this, "The service sent no address.");
    return;
  }

  CNewAddressDlg box;
  box.m_address = address;
  SetClipboardText(address);  // a clipboard that will not take it is no reason to stop
  PlayInformationSound();
  box.DoModal();
}

void CMainDlg::OnViewLog() {
  // Every change of the two edits reads them, and a choice sets both members, so the members
  // hold what the edits show.
  OpenUrl(MakeViewLogUrl(m_email, m_password));
}

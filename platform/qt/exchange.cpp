#include <QLineEdit>
#include <QWidget>

#include "platform/desktop.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/dialog_impl.h"
#include "platform/qt/text.h"

namespace {

QWidget& ControlOf(DataExchange& dx, int id) {
  QWidget* widget = ControlAccess::Of(dx.Dialog()).Control(id);
  if (widget == nullptr) throw NoSuchControl(id);
  return *widget;
}

CWnd& HandleOf(DataExchange& dx, int id) {
  CWnd* handle = dx.Dialog().GetDlgItem(id);
  if (handle == nullptr) throw NoSuchControl(id);
  return *handle;
}

}  // namespace

void DataExchange::Fail() {
  throw ExchangeStopped{};
}

void BindControl(DataExchange& dx, int id, CWnd& control) {
  if (control.IsBound()) return;
  if (ControlAccess::Of(dx.Dialog()).Control(id) == nullptr) throw NoSuchControl(id);
  ControlAccess::Attach(control, dx.Dialog(), id);
}

void ExchangeText(DataExchange& dx, int id, std::string& value) {
  CWnd& control = HandleOf(dx, id);
  if (dx.IsSaving()) {
    value = control.GetWindowText();
  } else {
    control.SetWindowText(value);
  }
}

void ExchangeText(DataExchange& dx, int id, std::string& value, int maxChars) {
  ExchangeText(dx, id, value);
  QWidget& widget = ControlOf(dx, id);
  if (!dx.IsSaving()) {
    SetTypingLimit(widget, maxChars);
    return;
  }
  if (VisibleLength(ToQt(value)) <= maxChars) return;
  std::string message = "Please enter no more than %1 characters.";
  message.replace(message.find("%1"), 2, std::to_string(maxChars));
  ShowMessageBox(&dx.Dialog(), message, ProgramName(), BoxButtons::kOk, BoxIcon::kExclamation);
  widget.setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) edit->selectAll();
  dx.Fail();
}

void ExchangeCheck(DataExchange& dx, int id, int& value) {
  auto* button = dynamic_cast<CButton*>(&HandleOf(dx, id));
  if (button == nullptr) throw NoSuchControl(id);
  if (dx.IsSaving()) {
    value = button->GetCheck();
  } else {
    button->SetCheck(value);
  }
}

void ExchangeSelectedText(DataExchange& dx, int id, std::string& value) {
  auto* list = dynamic_cast<CComboBox*>(&HandleOf(dx, id));
  if (list == nullptr) throw NoSuchControl(id);
  if (!dx.IsSaving()) return;  // the selection stays where the user left it
  value = list->GetLBText(list->GetCurSel());
}

#include <QAbstractButton>
#include <QComboBox>
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
  auto* button = qobject_cast<QAbstractButton*>(&ControlOf(dx, id));
  if (button == nullptr) throw NoSuchControl(id);
  if (dx.IsSaving()) {
    value = button->isChecked() ? 1 : 0;
  } else if (value != 0) {
    button->setChecked(true);
  } else {
    ClearMark(*button);
  }
}

void ExchangeSelectedText(DataExchange& dx, int id, std::string& value) {
  auto* list = qobject_cast<QComboBox*>(&ControlOf(dx, id));
  if (list == nullptr) throw NoSuchControl(id);
  if (!dx.IsSaving()) return;  // the selection stays where the user left it
  value = list->currentIndex() >= 0 ? FromQt(list->itemText(list->currentIndex())) : std::string();
}

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "platform/dialog.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/dialog_impl.h"
#include "platform/qt/text.h"

namespace {

template <class Widget>
Widget* As(const CWnd& control) {
  return qobject_cast<Widget*>(ControlAccess::Widget(control));
}

}  // namespace

void CWnd::Attach(CDialog& dialog, int id) {
  m_dialog = &dialog;
  m_id = id;
}

void CWnd::EnableWindow(bool enable) {
  if (QWidget* widget = ControlAccess::Widget(*this)) widget->setEnabled(enable);
}

bool CWnd::IsWindowEnabled() const {
  const QWidget* widget = ControlAccess::Widget(*this);
  return widget != nullptr && widget->isEnabled();
}

void CWnd::SetWindowText(const std::string& text) {
  QWidget* widget = ControlAccess::Widget(*this);
  const QString wanted = ToQt(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (edit->text() == wanted) return;
    AllowLength(*edit, VisibleLength(wanted));
    edit->setText(wanted);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    if (button->text() != wanted) button->setText(wanted);
  } else if (widget != nullptr && widget->property("text").isValid()) {
    if (widget->property("text").toString() != wanted) widget->setProperty("text", wanted);
  }
}

std::string CWnd::GetWindowText() const {
  const QWidget* widget = ControlAccess::Widget(*this);
  if (const auto* list = qobject_cast<const QComboBox*>(widget)) return FromQt(list->currentText());
  if (widget == nullptr) return {};
  const QVariant text = widget->property("text");
  return text.isValid() ? FromQt(text.toString()) : std::string();
}

void CWnd::SetFocus() {
  if (QWidget* widget = ControlAccess::Widget(*this)) widget->setFocus(Qt::OtherFocusReason);
}

bool CWnd::HasFocus() const {
  const QWidget* widget = ControlAccess::Widget(*this);
  return widget != nullptr && widget->hasFocus();
}

void CEdit::LimitText(int maxChars) {
  if (QLineEdit* edit = As<QLineEdit>(*this)) SetTypingLimit(*edit, maxChars);
}

int CEdit::GetLimitText() const {
  const QLineEdit* edit = As<QLineEdit>(*this);
  return edit != nullptr ? TypingLimit(*edit) : 0;
}

void CEdit::SetSel(int start, int end) {
  QLineEdit* edit = As<QLineEdit>(*this);
  if (edit == nullptr) return;
  const int length = static_cast<int>(edit->text().size());
  if (end < 0 || end > length) end = length;
  start = std::clamp(start, 0, end);
  edit->setSelection(start, end - start);
}

void CEdit::GetSel(int& start, int& end) const {
  start = end = 0;
  const QLineEdit* edit = As<QLineEdit>(*this);
  if (edit == nullptr) return;
  if (edit->hasSelectedText()) {
    start = edit->selectionStart();
    end = edit->selectionEnd();
  } else {
    start = end = edit->cursorPosition();
  }
}

bool CEdit::IsReadOnly() const {
  const QLineEdit* edit = As<QLineEdit>(*this);
  return edit != nullptr && edit->isReadOnly();
}

int CButton::GetCheck() const {
  const QAbstractButton* button = As<QAbstractButton>(*this);
  return button != nullptr && button->isChecked() ? 1 : 0;
}

void CButton::SetCheck(int check) {
  if (QAbstractButton* button = As<QAbstractButton>(*this)) {
    QuietChange quiet(ControlAccess::DialogOf(*this));
    if (check != 0) {
      button->setChecked(true);
    } else {
      ClearMark(*button);
    }
  }
}

int CComboBox::AddString(const std::string& text) {
  QComboBox* list = As<QComboBox>(*this);
  if (list == nullptr) return -1;
  QuietChange quiet(ControlAccess::DialogOf(*this));
  const int selected = list->currentIndex();
  list->addItem(ToQt(text));
  // The toolkit selects the first item it is given; a list here starts with no selection.
  if (list->currentIndex() != selected) list->setCurrentIndex(selected);
  return list->count() - 1;
}

int CComboBox::GetCount() const {
  const QComboBox* list = As<QComboBox>(*this);
  return list != nullptr ? list->count() : 0;
}

int CComboBox::GetCurSel() const {
  const QComboBox* list = As<QComboBox>(*this);
  return list != nullptr ? list->currentIndex() : -1;
}

void CComboBox::SetCurSel(int index) {
  if (QComboBox* list = As<QComboBox>(*this)) {
    QuietChange quiet(ControlAccess::DialogOf(*this));
    list->setCurrentIndex(index);
  }
}

std::string CComboBox::GetLBText(int index) const {
  const QComboBox* list = As<QComboBox>(*this);
  if (list == nullptr || index < 0 || index >= list->count()) return {};
  return FromQt(list->itemText(index));
}

#pragma once

#include <string>

#include "platform/dialog_template.h"

class CDialog;

// A control of an open dialog, found by its identifier. The object is a handle: it stays
// valid across showings of the dialog and acts on whatever control carries the id while the
// dialog is open; outside that time its operations do nothing and read as empty.
class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;

  int GetDlgCtrlID() const { return m_id; }
  bool IsBound() const { return m_dialog != nullptr; }

  void EnableWindow(bool enable);
  bool IsWindowEnabled() const;
  // The text is replaced only when it differs, so an unchanged edit keeps its caret and
  // selection and sends no notification.
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  void SetFocus();
  bool HasFocus() const;

 protected:
  friend class CDialog;
  friend struct ControlAccess;
  void Attach(CDialog& dialog, int id);

  CDialog* m_dialog = nullptr;
  int m_id = IDC_STATIC;
};

class CEdit : public CWnd {
 public:
  // At most `maxChars` characters can be typed or pasted; text the program puts in is not cut.
  // 0 lifts the limit. Characters are counted as the user sees them.
  void LimitText(int maxChars);
  int GetLimitText() const;
  // Selects characters [start, end); end -1 means to the end of the text.
  void SetSel(int start, int end);
  // The selection as [start, end) in characters; both equal the caret without a selection.
  void GetSel(int& start, int& end) const;
  bool IsReadOnly() const;
};

class CButton : public CWnd {
 public:
  // 1 checked, 0 unchecked. Setting the check sends no click.
  int GetCheck() const;
  void SetCheck(int check);
};

class CComboBox : public CWnd {
 public:
  // Appends an item; returns its index. Nothing gets selected by it.
  int AddString(const std::string& text);
  int GetCount() const;
  // The selected index, or -1 when nothing is selected.
  int GetCurSel() const;
  // Selects item `index` (-1 for none) without sending notifications.
  void SetCurSel(int index);
  // The text of item `index`; empty when there is no such item.
  std::string GetLBText(int index) const;
};

#pragma once

#include <string>

class CDialog;
class CWnd;

// One run of a dialog's data exchange: the controls read into the members (saving) or the
// members shown in the controls. Notifications are ignored while it runs.
class DataExchange {
 public:
  // true: the controls are being read into the members.
  bool IsSaving() const { return m_saving; }
  CDialog& Dialog() const { return m_dialog; }

  // Stops the exchange after a failed check; UpdateData then returns false.
  [[noreturn]] void Fail();

 private:
  friend class CDialog;
  DataExchange(CDialog& dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}
  CDialog& m_dialog;
  bool m_saving;
};

// Binds `control` to the dialog's control `id`; a later exchange finds it already bound.
void BindControl(DataExchange& dx, int id, CWnd& control);
// An edit's text and a string member.
void ExchangeText(DataExchange& dx, int id, std::string& value);
// As above with a limit: reading checks the text against `maxChars` (the limit message, focus
// and selection back in the edit, the exchange stops); refreshing sets the typing limit.
void ExchangeText(DataExchange& dx, int id, std::string& value, int maxChars);
// A check box or radio button: 1 checked, 0 not.
void ExchangeCheck(DataExchange& dx, int id, int& value);
// A drop-down list's selected item text: read only; empty when nothing is selected.
void ExchangeSelectedText(DataExchange& dx, int id, std::string& value);

#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_template.h"

// System commands. The window manager's own (move, minimise, close) arrive here only where the
// platform hands them to the program; the close box always does, as kSysCommandClose.
inline constexpr unsigned kSysCommandClose = 0xF060;

class CDialog;
class DataExchange;

// What a control tells its dialog.
enum class Notify {
  kClicked,     // a push button, check box or radio button was clicked (also by keyboard)
  kSelChange,   // the selection of a drop-down list changed
  kSelEndOk,    // the user confirmed a choice in a drop-down list
  kSetFocus,    // the control received the keyboard focus
  kChange,      // an edit's text changed and is shown
  kUpdate,      // an edit's text changed and is about to be shown
  kSysCommand,  // a command of the window's system menu (control id unused)
};

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

// The window's system menu. Where the window manager owns that menu (Linux), the items appear
// in a context menu of the dialog instead: right click, Shift+F10 or the Menu key. Either way a
// chosen item arrives as a system command with its id.
class SystemMenu {
 public:
  void AppendSeparator();
  void AppendItem(unsigned commandId, const std::string& text);
  int ItemCount() const;  // separators included

 private:
  friend class CDialog;
  struct Item {
    bool separator;
    unsigned commandId;
    std::string text;
  };
  std::vector<Item> m_items;
};

// An icon of the program's resources, loaded by id.
struct ProgramIcon {
  int id = 0;
  explicit operator bool() const { return id != 0; }
};
ProgramIcon LoadIcon(int id);

// A row of an event table: which notification of which control runs which handler. The system
// command row names no control.
template <class Dialog>
struct EventEntry {
  using Handler = void (Dialog::*)();
  using SysCommandHandler = void (Dialog::*)(unsigned commandId, long param);

  constexpr EventEntry(Notify code, int controlId, Handler handler)
      : code(code), controlId(controlId), handler(handler) {}
  constexpr EventEntry(Notify code, SysCommandHandler handler)
      : code(code), sysCommandHandler(handler) {}

  Notify code;
  int controlId = IDC_STATIC;
  Handler handler = nullptr;
  SysCommandHandler sysCommandHandler = nullptr;
};

// One event as the dialog receives it.
struct DialogEvent {
  Notify code;
  int controlId;
  unsigned commandId;
  long param;
};

class CDialog {
 public:
  // On the program's template `templateId`. Without an owner, the dialog is owned by the
  // window that is active when it opens.
  explicit CDialog(int templateId, CDialog* owner = nullptr);
  // On a template that is not among the program's resources.
  explicit CDialog(const DialogTemplate& dialogTemplate, CDialog* owner = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Builds the window, runs it modally until EndDialog, destroys the window and returns the
  // result; -1 when the template is missing.
  int DoModal();
  // Marks the dialog to end with `result`; the window closes once the running handler returns.
  void EndDialog(int result);
  bool IsOpen() const;

  // Reads the controls into the members (true) or refreshes the controls from them (false).
  // Notifications are ignored while it runs. False when the exchange stopped.
  bool UpdateData(bool saveAndValidate = true);

  // The control with `id`, or nullptr when the dialog is closed or has no such control. The
  // handle belongs to the dialog.
  CWnd* GetDlgItem(int id);
  // Marks one radio button of [firstId, lastId] and clears the others, without clicks.
  void CheckRadioButton(int firstId, int lastId, int checkId);

  // The system menu; nullptr while the window is closed.
  SystemMenu* GetSystemMenu();
  void SetIcon(ProgramIcon icon, bool big);

  // Delivers a command as if the user had chosen it: a control's click (IDOK, IDCANCEL or a
  // button id) or a system command.
  void SendCommand(int id);
  void SendSysCommand(unsigned commandId, long param = 0);

  const DialogTemplate* Template() const;

  struct Impl;

 protected:
  // Runs once the controls exist, before the window shows. Returning true puts the focus on
  // the first control that takes it; false means the handler placed the focus itself.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(DataExchange& dx);
  // The OK command: read the controls and end with IDOK when the reading completed.
  virtual void OnOK();
  // The Cancel command: end with IDCANCEL without reading.
  virtual void OnCancel();
  // Default handling of a system command; the close command ends with Cancel.
  void OnSysCommand(unsigned commandId, long param);

  template <class Dialog, std::size_t N>
  void SetEventTable(const EventEntry<Dialog> (&table)[N]) {
    Dialog* self = static_cast<Dialog*>(this);
    SetEventHandler([self, &table](const DialogEvent& event) {
      for (const EventEntry<Dialog>& entry : table) {
        if (entry.code != event.code) continue;
        if (event.code == Notify::kSysCommand) {
          (self->*entry.sysCommandHandler)(event.commandId, event.param);
          return true;
        }
        if (entry.controlId == event.controlId) {
          (self->*entry.handler)();
          return true;
        }
      }
      return false;
    });
  }

 private:
  friend class CWnd;
  friend class DataExchange;
  friend struct ControlAccess;
  void SetEventHandler(std::function<bool(const DialogEvent&)> handler);
  void Deliver(const DialogEvent& event);

  std::unique_ptr<Impl> m_impl;
};

// One run of a dialog's data exchange.
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

#pragma once

// How a dialog is written. Derive from CDialog on a template id; declare the members and the
// handlers, and a `static const EventEntry<D> kEvents[]`. Define the table after the class and
// the constructor after the table, so the table is complete when the constructor hands it to
// SetEventTable. DoDataExchange binds controls to members in one order for both directions.
// Handlers run one at a time, never inside an exchange. kClicked fires on a click, Space or
// Enter on a button; kSelChange whenever a list's selection moves, kSelEndOk when the user
// confirms a choice (click in the popup, arrow keys on the closed list); kChange and kUpdate on
// every change of an edit's text the exchange did not make; kSetFocus on Tab, a click and the
// window's re-activation, but not when a list's popup closes nor when a box the exchange showed
// closes. kSysCommand rows take the system commands, the close box among them.

#include <cstddef>
#include <functional>
#include <memory>

#include "platform/controls.h"
#include "platform/data_exchange.h"
#include "platform/dialog_template.h"
#include "platform/event_table.h"
#include "platform/system_menu.h"

class CDialog {
 public:
  // On the program's template `templateId`, looked up when the window is built. Without an
  // owner, the dialog is owned by the window that is active when it opens.
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

  // The template the window is built from; nullptr when the program has none of that id.
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
  // Default handling of a system command: the close command means Cancel. A dialog's own
  // system-command handler passes on what it does not handle by calling this.
  void OnSysCommand(unsigned commandId, long param);

  template <class Dialog, std::size_t N>
  void SetEventTable(const EventEntry<Dialog> (&table)[N]) {
    Dialog* self = static_cast<Dialog*>(this);
    SetEventHandler([self, &table](const DialogEvent& event) {
      for (const EventEntry<Dialog>& entry : table) {
        if (entry.isSysCommand != event.isSysCommand) continue;
        if (event.isSysCommand) {
          (self->*entry.sysCommandHandler)(event.commandId, event.param);
          return true;
        }
        if (entry.code == event.code && entry.controlId == event.controlId) {
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

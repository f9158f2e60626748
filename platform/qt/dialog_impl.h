#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/dialog.h"
#include "platform/qt/dialog_window.h"

class QWidget;

// Thrown by DataExchange::Fail; UpdateData turns it into false.
struct ExchangeStopped {};

struct CDialog::Impl {
  int templateId = 0;
  const DialogTemplate* fixedTemplate = nullptr;   // a template outside the resources
  const DialogTemplate* dialogTemplate = nullptr;  // the one the open window was built from
  CDialog* owner = nullptr;
  DialogWindow* window = nullptr;  // while open
  std::map<int, QWidget*> controls;
  std::map<int, std::unique_ptr<CWnd>> handles;
  std::function<bool(const DialogEvent&)> events;
  SystemMenu systemMenu;
  // Notifications are ignored while above 0: an exchange runs, or the program changes a
  // control the way that sends no notification.
  int quietDepth = 0;
  int result = -1;
  bool ended = false;
  // A box shown inside an exchange closed; the focus the window gets back on its re-activation
  // is part of that exchange and notifies nobody.
  bool reactivationOwed = false;

  QWidget* Control(int id) const {
    const auto found = controls.find(id);
    return found != controls.end() ? found->second : nullptr;
  }
};

// Raised when code asks for a control its dialog does not have: a fault of the program.
inline std::logic_error NoSuchControl(int id) {
  return std::logic_error("no control with id " + std::to_string(id));
}

// The way from a control handle to its widget and dialog state.
struct ControlAccess {
  static CDialog::Impl* DialogOf(const CWnd& control) {
    return control.m_dialog != nullptr ? control.m_dialog->m_impl.get() : nullptr;
  }
  static QWidget* Widget(const CWnd& control) {
    const CDialog::Impl* impl = DialogOf(control);
    return impl != nullptr ? impl->Control(control.m_id) : nullptr;
  }
  static CDialog::Impl& Of(CDialog& dialog) { return *dialog.m_impl; }
  static void Attach(CWnd& control, CDialog& dialog, int id) { control.Attach(dialog, id); }
};

// The window a box or dialog opens over: `owner`'s while it is open, else the active one.
QWidget* OwnerWindowFor(CDialog* owner);

// While a handler waits for work on another thread (RunWithoutFreezing), events that would run
// another handler are kept and delivered, in order, once the wait is over.
class WaitScope {
 public:
  WaitScope();
  ~WaitScope();
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;
  // Ends the wait and delivers what was kept.
  void End();
  static bool Waiting();
  static void Keep(std::function<void()> delivery);

 private:
  bool m_ended = false;
};

// Keeps notifications quiet for as long as it lives.
class QuietChange {
 public:
  explicit QuietChange(CDialog::Impl* impl) : m_impl(impl) {
    if (m_impl != nullptr) ++m_impl->quietDepth;
  }
  ~QuietChange() {
    if (m_impl != nullptr) --m_impl->quietDepth;
  }
  QuietChange(const QuietChange&) = delete;
  QuietChange& operator=(const QuietChange&) = delete;

 private:
  CDialog::Impl* m_impl;
};

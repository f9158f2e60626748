#pragma once

#include "platform/dialog_template.h"

// What a control tells its dialog. Under a window manager the focus notification fires when
// the user moves the focus to the control (Tab, a click, a mnemonic) and when the dialog's
// window becomes active again with the focus on it; not when a drop-down list's popup closes
// (the list never lost the focus) and not when a box shown by a data exchange closes (that
// focus belongs to the exchange).
enum class Notify {
  kClicked,    // a push button, check box or radio button was clicked (also by keyboard)
  kSelChange,  // the selection of a drop-down list changed
  kSelEndOk,   // the user confirmed a choice in a drop-down list
  kSetFocus,   // the control received the keyboard focus
  kChange,     // an edit's text changed and is shown
  kUpdate,     // an edit's text changed and is about to be shown
};

// Marks the row of a system command: the command of the window's system menu or its close box.
struct SysCommandEvent {};
inline constexpr SysCommandEvent kSysCommand{};

// A row of an event table: which notification of which control runs which handler, or which
// handler takes the system commands. The two kinds of rows take two kinds of handlers, so a
// handler of the wrong shape does not compile.
template <class Dialog>
struct EventEntry {
  using Handler = void (Dialog::*)();
  using SysCommandHandler = void (Dialog::*)(unsigned commandId, long param);

  constexpr EventEntry(Notify code, int controlId, Handler handler)
      : code(code), controlId(controlId), handler(handler) {}
  constexpr EventEntry(SysCommandEvent, SysCommandHandler handler)
      : isSysCommand(true), sysCommandHandler(handler) {}

  bool isSysCommand = false;
  Notify code = Notify::kClicked;
  int controlId = IDC_STATIC;
  Handler handler = nullptr;
  SysCommandHandler sysCommandHandler = nullptr;
};

// One event as the dialog receives it.
struct DialogEvent {
  bool isSysCommand = false;
  Notify code = Notify::kClicked;
  int controlId = IDC_STATIC;
  unsigned commandId = 0;
  long param = 0;
};

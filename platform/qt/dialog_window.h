#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>

// The window of an open CDialog. It turns the keyboard rules, the close box and the context
// menu into commands of the dialog; the controls' own notifications go straight to it.
class DialogWindow : public QDialog {
 public:
  // Why a control got the focus.
  enum class FocusCause {
    kUser,         // Tab, Shift+Tab, a click or a mnemonic
    kReactivated,  // the window became active again, with the focus where it was
    kPopupClosed,  // a popup of the control (a list's drop-down, a menu) closed
    kProgram,      // the program moved it
  };

  struct Callbacks {
    std::function<void(int)> command;          // IDOK, IDCANCEL or a button's id
    std::function<void(unsigned)> sysCommand;  // the close box, the system menu's items
    std::function<void(QPoint)> systemMenu;    // show the system menu at a global position
    std::function<void(int, FocusCause)> focusReceived;  // a control with this id got the focus
    std::function<void()> userInput;                     // a key or mouse button was pressed
  };

  DialogWindow(QWidget* owner, Callbacks callbacks);

  // Lets the window close; until then closing it is a request the dialog answers.
  void Finish(int result);
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool IsSystemMenuKey(const QKeyEvent& event) const;
  Callbacks m_callbacks;
  bool m_finishing = false;
};

#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>

// The window of an open CDialog. It turns the keyboard rules, the close box and the context
// menu into commands of the dialog; the controls' own notifications go straight to it.
class DialogWindow : public QDialog {
 public:
  struct Callbacks {
    std::function<void(int)> command;          // IDOK, IDCANCEL or a button's id
    std::function<void(unsigned)> sysCommand;  // the close box, the system menu's items
    std::function<void(QPoint)> systemMenu;    // show the system menu at a global position
    std::function<void(int)> focusReceived;    // a control with this id got the focus
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

#include "platform/qt/dialog_window.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "platform/dialog.h"
#include "platform/qt/dialog_builder.h"

namespace {

DialogWindow::FocusCause CauseOf(Qt::FocusReason reason) {
  switch (reason) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
      return DialogWindow::FocusCause::kUser;
    case Qt::ActiveWindowFocusReason:
      return DialogWindow::FocusCause::kReactivated;
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
      return DialogWindow::FocusCause::kPopupClosed;
    default:
      return DialogWindow::FocusCause::kProgram;
  }
}

// The buttons of `radio`'s group that can take the mark, in template order.
QList<QAbstractButton*> MarkableButtons(const QRadioButton& radio) {
  QList<QAbstractButton*> buttons;
  if (radio.group() == nullptr) return buttons;
  for (QAbstractButton* button : radio.group()->buttons()) {
    if (button->isEnabled() && button->isVisible()) buttons.push_back(button);
  }
  return buttons;
}

// Tab into a group of radio buttons lands on the marked one, as the Tab key skips the rest.
bool TabIntoGroupAtMark(QWidget& from, bool forward) {
  QWidget* next = &from;
  for (;;) {
    next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
    if (next == nullptr || next == &from) return false;
    if ((next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && next->isEnabled() &&
        next->isVisible() && next->window() == from.window()) {
      break;
    }
  }
  auto* radio = qobject_cast<QRadioButton*>(next);
  QAbstractButton* marked =
      radio != nullptr && radio->group() != nullptr ? radio->group()->checkedButton() : nullptr;
  if (marked == nullptr || marked == radio || !marked->isEnabled()) return false;
  marked->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

// The arrow keys move the mark to the previous or next button of the group, round the ends,
// and click it.
bool MoveMark(QRadioButton& radio, int key) {
  int step = 0;
  if (key == Qt::Key_Right || key == Qt::Key_Down) step = 1;
  if (key == Qt::Key_Left || key == Qt::Key_Up) step = -1;
  const QList<QAbstractButton*> buttons = MarkableButtons(radio);
  const auto at = buttons.indexOf(&radio);
  if (step == 0 || at < 0 || buttons.size() < 2) return false;
  const auto count = buttons.size();
  QAbstractButton* next = buttons[(at + step + count) % count];
  next->click();
  next->setFocus(Qt::TabFocusReason);
  return true;
}

}  // namespace

DialogWindow::DialogWindow(QWidget* owner, Callbacks callbacks)
    : QDialog(owner), m_callbacks(std::move(callbacks)) {
  setSizeGripEnabled(false);
}

void DialogWindow::Finish(int result) {
  m_finishing = true;
  done(result);
}

void DialogWindow::reject() {
  // Anything in the toolkit that wants to dismiss the window asks as Cancel would.
  if (m_finishing) {
    QDialog::reject();
  } else {
    m_callbacks.command(IDCANCEL);
  }
}

bool DialogWindow::IsSystemMenuKey(const QKeyEvent& event) const {
  return event.key() == Qt::Key_Menu ||
         (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // Enter presses the push button that has the focus, else the default button; a dialog
    // with no default button gets the OK command.
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
      if (focused->isEnabled()) focused->click();
      return;
    }
    for (QPushButton* button : findChildren<QPushButton*>()) {
      if (button->property(kTemplateDefaultProperty).toBool()) {
        if (button->isEnabled()) button->click();
        return;
      }
    }
    m_callbacks.command(IDOK);
    return;
  }
  if (plain && event->key() == Qt::Key_Escape) {
    m_callbacks.command(IDCANCEL);
    return;
  }
  if (IsSystemMenuKey(*event)) {
    m_callbacks.systemMenu(mapToGlobal(QPoint(0, 0)));
    return;
  }
  event->ignore();
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  if (m_finishing) {
    event->accept();
    return;
  }
  // The close box is the system menu's Close; the dialog decides whether the window goes.
  event->ignore();
  m_callbacks.sysCommand(kSysCommandClose);
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  m_callbacks.systemMenu(event->globalPos());
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* widget = qobject_cast<QWidget*>(watched)) {
      m_callbacks.focusReceived(widget->objectName().toInt(),
                                CauseOf(static_cast<QFocusEvent*>(event)->reason()));
    }
  } else if (event->type() == QEvent::MouseButtonPress) {
    m_callbacks.userInput();
  } else if (event->type() == QEvent::KeyPress) {
    m_callbacks.userInput();
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (auto* radio = qobject_cast<QRadioButton*>(watched)) {
      if (MoveMark(*radio, key.key())) return true;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
        TabIntoGroupAtMark(*widget, key.key() == Qt::Key_Tab)) {
      return true;
    }
    // The system menu keys reach the menu even from an edit, whose own context menu would
    // otherwise take them.
    if (IsSystemMenuKey(*static_cast<QKeyEvent*>(event))) {
      auto* widget = qobject_cast<QWidget*>(watched);
      m_callbacks.systemMenu(widget != nullptr ? widget->mapToGlobal(QPoint(0, widget->height()))
                                               : mapToGlobal(QPoint(0, 0)));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

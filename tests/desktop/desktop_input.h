#pragma once

#include <sys/types.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dialog_template.h"
#include "tests/support/desktop_session.h"

// Input through the X server, as a user gives it.
inline void Xdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  int status = -1;
  RunCommand(args, 5000, &status);
  ASSERT_EQ(status, 0) << args[1];
}

// Answers every message box that opens the way a user does, with Enter through the X server
// once the box is active, and counts them.
class BoxCounter {
 public:
  explicit BoxCounter(std::function<void()> onRunaway) {
    QObject::connect(&m_timer, &QTimer::timeout, [this, onRunaway = std::move(onRunaway)] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible() || !box->isActiveWindow() || box == m_last) return;
      m_last = box;
      if (++m_count == kRunaway) onRunaway();
      m_keys.push_back(StartChild({"xdotool", "key", "Return"}));
    });
    m_timer.start(20);
  }
  ~BoxCounter() {
    for (pid_t pid : m_keys) StopChild(pid);
  }
  int Count() const { return m_count; }
  static constexpr int kRunaway = 5;

 private:
  QTimer m_timer;
  QPointer<QMessageBox> m_last;
  std::vector<pid_t> m_keys;
  int m_count = 0;
};

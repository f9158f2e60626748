#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QTimer>

class QWidget;

// Answers the next modal dialog or message box that opens after it is armed, the way a user
// would: a button by id, Enter, Esc or the close box. Before answering it runs `inspect` on the
// open box, so a test can look at (and drive) the live widgets. When no box appeared by the
// time it is destroyed, the test fails; a box it cannot close by its answer is closed by force
// and fails the test, so a test never hangs.
class ModalAnswerer {
 public:
  enum class Action { kButton, kEnter, kEscape, kCloseBox };
  using Inspect = std::function<void(QWidget& box)>;

  static ModalAnswerer Button(int id, Inspect inspect = {}) {
    return ModalAnswerer(Action::kButton, id, std::move(inspect));
  }
  static ModalAnswerer Enter(Inspect inspect = {}) {
    return ModalAnswerer(Action::kEnter, 0, std::move(inspect));
  }
  static ModalAnswerer Escape(Inspect inspect = {}) {
    return ModalAnswerer(Action::kEscape, 0, std::move(inspect));
  }
  static ModalAnswerer CloseBox(Inspect inspect = {}) {
    return ModalAnswerer(Action::kCloseBox, 0, std::move(inspect));
  }

  ModalAnswerer(Action action, int buttonId, Inspect inspect);
  ModalAnswerer(ModalAnswerer&& other) noexcept;
  ModalAnswerer& operator=(ModalAnswerer&&) = delete;
  ~ModalAnswerer();

  bool Answered() const { return m_state->answered; }
  // What the box showed: its caption, and for a message box its text.
  const std::string& Caption() const { return m_state->caption; }
  const std::string& Text() const { return m_state->text; }

 private:
  struct State {
    Action action;
    int buttonId;
    Inspect inspect;
    QPointer<QWidget> baseline;  // the modal box already open when armed, if any
    QPointer<QWidget> box;
    QTimer timer;
    bool busy = false;
    bool answered = false;
    bool disarmed = false;
    int pollsSinceAnswer = 0;
    std::string caption;
    std::string text;
  };
  void Poll();

  std::unique_ptr<State> m_state;
};

// Every top-level window still there is a failure; it is then closed and deleted so the next
// test starts clean.
void ExpectNoTopLevelWindows();

// A last line of defence for the whole run: a modal box that stays open with no answerer armed
// fails the running test and is closed.
void InstallModalSafetyNet();

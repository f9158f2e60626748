#include "platform/run_without_freezing.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <exception>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/qt/dialog_impl.h"

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;
    default:
      return false;
  }
}

// Input that reaches the widgets directly while the work runs (not through the window
// system's queue, which the wait leaves untouched) is kept and handed on afterwards, in order.
class InputHold : public QObject {
 public:
  InputHold() { QApplication::instance()->installEventFilter(this); }
  ~InputHold() override { QApplication::instance()->removeEventFilter(this); }

  void Release() {
    QApplication::instance()->removeEventFilter(this);
    for (auto& [receiver, event] : m_held) {
      if (receiver) QCoreApplication::postEvent(receiver, event.release());
    }
    m_held.clear();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
    m_held.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
    return true;
  }

 private:
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};

}  // namespace

void RunWorkWithoutFreezing(CDialog*, const std::function<void()>& work) {
  std::exception_ptr failure;
  QEventLoop loop;
  InputHold hold;
  WaitScope waiting;
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(
        &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  // Window-system input stays queued until the wait is over; everything else (painting,
  // timers, the window manager's messages) goes on.
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  QApplication::restoreOverrideCursor();
  waiting.End();
  hold.Release();
  if (failure) std::rethrow_exception(failure);
}

#include "tests/support/modal_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace {

// How many polls a box may stay open after it was answered before it is closed by force.
constexpr int kPollsToClose = 50;
constexpr int kPollInterval = 10;  // milliseconds

int g_armed = 0;
// The boxes answerers hold open right now, while their `inspect` runs.
std::vector<QWidget*> g_inHand;

void CloseByForce(QWidget& box) {
  if (auto* dialog = qobject_cast<QDialog*>(&box)) {
    dialog->done(0);
  } else {
    box.hide();
  }
}

}  // namespace

ModalAnswerer::ModalAnswerer(Action action, int buttonId, Inspect inspect)
    : m_state(std::make_unique<State>()) {
  m_state->action = action;
  m_state->buttonId = buttonId;
  m_state->inspect = std::move(inspect);
  m_state->baseline = QApplication::activeModalWidget();
  m_state->timer.setInterval(kPollInterval);
  QObject::connect(&m_state->timer, &QTimer::timeout, [this] { Poll(); });
  m_state->timer.start();
  ++g_armed;
}

ModalAnswerer::ModalAnswerer(ModalAnswerer&& other) noexcept : m_state(std::move(other.m_state)) {
  QObject::disconnect(&m_state->timer, nullptr, nullptr, nullptr);
  QObject::connect(&m_state->timer, &QTimer::timeout, [this] { Poll(); });
}

ModalAnswerer::~ModalAnswerer() {
  if (!m_state) return;
  m_state->timer.stop();
  if (!m_state->disarmed) --g_armed;
  if (!m_state->answered) ADD_FAILURE() << "no modal box appeared to answer";
}

void ModalAnswerer::Poll() {
  State& state = *m_state;
  if (state.busy) return;
  QWidget* modal = QApplication::activeModalWidget();
  if (state.answered) {
    // A box that ignores its answer (a disabled default button, say) must not hang the test.
    if (state.box && state.box->isVisible() && ++state.pollsSinceAnswer > kPollsToClose) {
      ADD_FAILURE() << "the box '" << state.caption << "' stayed open after its answer";
      CloseByForce(*state.box);
    }
    return;
  }
  if (modal == nullptr || modal == state.baseline || !modal->isVisible()) return;

  state.busy = true;
  state.box = modal;
  // From here on this answerer waits for nothing: a box nobody expects, opened from inside
  // `inspect`, is for the safety net to catch.
  state.disarmed = true;
  --g_armed;
  state.caption = modal->windowTitle().toStdString();
  if (auto* message = qobject_cast<QMessageBox*>(modal)) state.text = message->text().toStdString();
  g_inHand.push_back(modal);
  if (state.inspect) state.inspect(*modal);
  std::erase(g_inHand, modal);
  state.answered = true;
  if (state.box && state.box->isVisible()) {
    QWidget& box = *state.box;
    QWidget* focus = box.focusWidget() != nullptr ? box.focusWidget() : &box;
    switch (state.action) {
      case Action::kButton: {
        auto* button = box.findChild<QAbstractButton*>(QString::number(state.buttonId));
        if (button == nullptr || !button->isEnabled()) {
          ADD_FAILURE() << "the box '" << state.caption << "' has no usable button "
                        << state.buttonId;
          CloseByForce(box);
        } else {
          button->click();
        }
        break;
      }
      case Action::kEnter:
        QTest::keyClick(focus, Qt::Key_Return);
        break;
      case Action::kEscape:
        QTest::keyClick(focus, Qt::Key_Escape);
        break;
      case Action::kCloseBox:
        box.close();
        break;
    }
  }
  state.busy = false;
}

void ExpectNoTopLevelWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    ADD_FAILURE() << "a window was left open: " << window->metaObject()->className() << " '"
                  << window->windowTitle().toStdString() << "'";
    delete window;
  }
}

void InstallModalSafetyNet() {
  static QTimer net;
  static int openFor = 0;
  net.setInterval(100);
  QObject::connect(&net, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool inHand = std::find(g_inHand.begin(), g_inHand.end(), modal) != g_inHand.end();
    openFor = modal != nullptr && g_armed == 0 && !inHand ? openFor + 1 : 0;
    if (openFor > 20) {
      ADD_FAILURE() << "a modal box opened with no answer armed: "
                    << modal->windowTitle().toStdString();
      CloseByForce(*modal);
      openFor = 0;
    }
  });
  net.start();
}

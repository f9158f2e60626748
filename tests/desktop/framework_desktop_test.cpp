// The dialog framework on a real desktop: what a window manager does to focus and activation
// must not make a handler run on its own.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "resources/resource_ids.h"
#include "tests/desktop/desktop_input.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/ui_test.h"

namespace {

constexpr int kLimited = 201;
constexpr int kFree = 202;

constexpr ControlTemplate kProbeControls[] = {
    {ControlKind::kEdit, kFree, "", {5, 5, 100, 14}, kTabStop | kBorder | kAutoHScroll},
    {ControlKind::kEdit, kLimited, "", {5, 25, 100, 14}, kTabStop | kBorder | kAutoHScroll},
};
constexpr DialogTemplate kProbeTemplate{
    900, "Probe", 170, 50, {"MS Sans Serif", 8}, kModalFrame | kSystemMenu, kProbeControls};

// Like the main window: the limited edit reads the controls when it gets the focus, and it
// holds a text longer than its limit, so every reading shows the limit message.
class FocusReadingDlg : public CDialog {
 public:
  FocusReadingDlg();

  std::string m_limited;
  std::string m_free;
  int m_readings = 0;

  void OnFocus() {
    if (m_stopReading) return;
    ++m_readings;
    UpdateData(true);
  }
  // Set once boxes keep coming by themselves, so that a failing test ends.
  bool m_stopReading = false;

 protected:
  void DoDataExchange(DataExchange& dx) override {
    ExchangeText(dx, kLimited, m_limited, 5);
    ExchangeText(dx, kFree, m_free);
  }

 private:
  static const EventEntry<FocusReadingDlg> kEvents[];
};

const EventEntry<FocusReadingDlg> FocusReadingDlg::kEvents[] = {
    {Notify::kSetFocus, kLimited, &FocusReadingDlg::OnFocus},
};

FocusReadingDlg::FocusReadingDlg() : CDialog(kProbeTemplate) {
  SetEventTable(kEvents);
}

class FrameworkDesktopTest : public UiTest {};

TEST_F(FrameworkDesktopTest, TheLimitMessageComesOncePerReading) {
  FocusReadingDlg probe;
  probe.m_limited = "abcdefgh";
  auto closer = ModalAnswerer::Escape([&](QWidget& window) {
    QTRY_VERIFY_WITH_TIMEOUT(window.isActiveWindow(), 5000);
    probe.UpdateData(false);
    probe.GetDlgItem(kFree)->SetFocus();
    QTRY_VERIFY_WITH_TIMEOUT(probe.GetDlgItem(kFree)->HasFocus(), 5000);
    BoxCounter boxes([&] { probe.m_stopReading = true; });
    probe.m_readings = 0;
    probe.GetDlgItem(kLimited)->SetFocus();
    // Long enough for the window manager to hand the focus back, several times over.
    QTest::qWait(2500);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(probe.m_readings, 1);
    EXPECT_TRUE(window.findChild<QLineEdit*>(QString::number(kLimited))->hasFocus());
  });
  probe.DoModal();
}

constexpr int kList = 203;
constexpr int kOther = 204;

constexpr ControlTemplate kFocusControls[] = {
    {ControlKind::kEdit, kFree, "", {5, 5, 100, 14}, kTabStop | kBorder | kAutoHScroll},
    {ControlKind::kDropDownList, kList, "", {5, 25, 100, 60}, kTabStop | kVScroll},
    {ControlKind::kEdit, kOther, "", {5, 45, 100, 14}, kTabStop | kBorder | kAutoHScroll},
};
constexpr DialogTemplate kFocusTemplate{
    902, "Focus", 170, 70, {"MS Sans Serif", 8}, kModalFrame | kSystemMenu, kFocusControls};

// Records which control says it received the focus.
class FocusLogDlg : public CDialog {
 public:
  FocusLogDlg();
  std::vector<int> m_focus;
  void OnFreeFocus() { m_focus.push_back(kFree); }
  void OnListFocus() { m_focus.push_back(kList); }
  void OnOtherFocus() { m_focus.push_back(kOther); }

 private:
  static const EventEntry<FocusLogDlg> kEvents[];
};

const EventEntry<FocusLogDlg> FocusLogDlg::kEvents[] = {
    {Notify::kSetFocus, kFree, &FocusLogDlg::OnFreeFocus},
    {Notify::kSetFocus, kList, &FocusLogDlg::OnListFocus},
    {Notify::kSetFocus, kOther, &FocusLogDlg::OnOtherFocus},
};

FocusLogDlg::FocusLogDlg() : CDialog(kFocusTemplate) {
  SetEventTable(kEvents);
}

TEST_F(FrameworkDesktopTest, FocusNotificationsFollowTheUserNotThePopups) {
  FocusLogDlg dialog;
  auto closer = ModalAnswerer::Escape([&](QWidget& window) {
    QTRY_VERIFY_WITH_TIMEOUT(window.isActiveWindow(), 5000);
    auto* list = static_cast<CComboBox*>(dialog.GetDlgItem(kList));
    list->AddString("first");
    list->AddString("second");
    // The first control got the focus when the window opened.
    QTRY_COMPARE_WITH_TIMEOUT(dialog.m_focus, std::vector<int>{kFree}, 5000);

    Xdotool({"key", "Tab"});
    QTRY_COMPARE_WITH_TIMEOUT(dialog.m_focus, (std::vector<int>{kFree, kList}), 5000);

    // Opening and closing the list's popup leaves the focus where it was: no notification.
    Xdotool({"key", "alt+Down"});
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() != nullptr, 5000);
    Xdotool({"key", "Escape"});
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() == nullptr, 5000);
    QTest::qWait(300);
    EXPECT_EQ(dialog.m_focus, (std::vector<int>{kFree, kList}));

    // A click.
    QWidget* other = window.findChild<QWidget*>(QString::number(kOther));
    const QPoint where = other->mapToGlobal(other->rect().center());
    Xdotool({"mousemove", std::to_string(where.x()), std::to_string(where.y()), "click", "1"});
    QTRY_COMPARE_WITH_TIMEOUT(dialog.m_focus, (std::vector<int>{kFree, kList, kOther}), 5000);

    // The window becomes active again after another closed: the focus comes back to the edit.
    auto about = ModalAnswerer::Escape(
        [](QWidget& box) { QTRY_VERIFY_WITH_TIMEOUT(box.isActiveWindow(), 5000); });
    CDialog aboutBox(IDD_ABOUT);
    aboutBox.DoModal();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.m_focus, (std::vector<int>{kFree, kList, kOther, kOther}),
                              5000);
  });
  dialog.DoModal();
}

}  // namespace

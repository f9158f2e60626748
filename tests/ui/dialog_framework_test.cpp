// The dialog framework on a small dialog of its own: data exchange and its rules, the
// keyboard rules, notifications, the system menu and failures thrown out of handlers.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cerrno>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/desktop.h"
#include "platform/dialog.h"
#include "platform/error_report.h"
#include "platform/file_exception.h"
#include "platform/message_box.h"
#include "platform/user_facing_error.h"
#include "resources/resource_ids.h"
#include "tests/support/ui_test.h"
#include "ui/dialogs/about_dlg.h"

namespace {

constexpr int kLimited = 201;
constexpr int kFree = 202;
constexpr int kList = 203;
constexpr int kOne = 204;
constexpr int kTwo = 205;
constexpr int kPress = 206;

constexpr ControlTemplate kProbeControls[] = {
    {ControlKind::kEdit, kLimited, "", {5, 5, 100, 14}, kTabStop | kBorder | kAutoHScroll},
    {ControlKind::kEdit, kFree, "", {5, 25, 100, 14}, kTabStop | kBorder | kAutoHScroll},
    {ControlKind::kDropDownList, kList, "", {5, 45, 100, 60}, kTabStop | kVScroll},
    {ControlKind::kRadioButton, kOne, "One", {5, 65, 40, 10}, kTabStop | kGroup},
    {ControlKind::kRadioButton, kTwo, "Two", {50, 65, 40, 10}, kNoStyle},
    {ControlKind::kPushButton, kPress, "Press", {110, 5, 50, 14}, kTabStop | kGroup},
};
// No OK button and no default button, like the main window.
constexpr DialogTemplate kProbeTemplate{
    900, "Probe", 170, 80, {"MS Sans Serif", 8}, kModalFrame | kSystemMenu, kProbeControls};

using Logged = std::pair<Notify, int>;

class ProbeDlg : public CDialog {
 public:
  ProbeDlg();

  std::string m_limited;
  std::string m_free;
  std::string m_listText;
  int m_two = 0;
  std::vector<Logged> m_log;
  std::vector<unsigned> m_sysCommands;
  std::function<void()> m_onPress;

  void OnPress() {
    m_log.emplace_back(Notify::kClicked, kPress);
    if (m_onPress) m_onPress();
  }
  void OnLimitedChange() { m_log.emplace_back(Notify::kChange, kLimited); }
  void OnFreeChange() { m_log.emplace_back(Notify::kChange, kFree); }
  void OnFreeUpdate() { m_log.emplace_back(Notify::kUpdate, kFree); }
  void OnFreeFocus() { m_log.emplace_back(Notify::kSetFocus, kFree); }
  void OnListSelChange() { m_log.emplace_back(Notify::kSelChange, kList); }
  void OnListSelEndOk() { m_log.emplace_back(Notify::kSelEndOk, kList); }
  void OnTwo() { m_log.emplace_back(Notify::kClicked, kTwo); }
  void OnSysCommand(unsigned id, long param) {
    m_sysCommands.push_back(id);
    if ((id & 0xFFF0) == kAboutCommand) {
      CAboutDlg about;
      about.DoModal();
    } else {
      CDialog::OnSysCommand(id, param);
    }
  }

  using CDialog::OnSysCommand;

  bool m_exchangeRunsOutOfMemory = false;

 protected:
  void DoDataExchange(DataExchange& dx) override {
    if (m_exchangeRunsOutOfMemory) throw std::bad_alloc();
    ExchangeText(dx, kLimited, m_limited, 5);
    ExchangeText(dx, kFree, m_free);
    ExchangeSelectedText(dx, kList, m_listText);
    ExchangeCheck(dx, kTwo, m_two);
  }

 private:
  static const EventEntry<ProbeDlg> kEvents[];
};

const EventEntry<ProbeDlg> ProbeDlg::kEvents[] = {
    {Notify::kClicked, kPress, &ProbeDlg::OnPress},
    {Notify::kChange, kLimited, &ProbeDlg::OnLimitedChange},
    {Notify::kChange, kFree, &ProbeDlg::OnFreeChange},
    {Notify::kUpdate, kFree, &ProbeDlg::OnFreeUpdate},
    {Notify::kSetFocus, kFree, &ProbeDlg::OnFreeFocus},
    {Notify::kSelChange, kList, &ProbeDlg::OnListSelChange},
    {Notify::kSelEndOk, kList, &ProbeDlg::OnListSelEndOk},
    {Notify::kClicked, kTwo, &ProbeDlg::OnTwo},
    {kSysCommand, &ProbeDlg::OnSysCommand},
};

// The table must be complete before it is handed over.
ProbeDlg::ProbeDlg() : CDialog(kProbeTemplate) {
  SetEventTable(kEvents);
}

// A row takes only the handler its kind calls: a system-command handler in a control row, or
// a plain handler in the system-command row, does not compile.
using SysHandler = void (ProbeDlg::*)(unsigned, long);
using PlainHandler = void (ProbeDlg::*)();
static_assert(!std::is_constructible_v<EventEntry<ProbeDlg>, Notify, int, SysHandler>);
static_assert(!std::is_constructible_v<EventEntry<ProbeDlg>, SysCommandEvent, PlainHandler>);
static_assert(std::is_constructible_v<EventEntry<ProbeDlg>, SysCommandEvent, SysHandler>);
static_assert(std::is_constructible_v<EventEntry<ProbeDlg>, Notify, int, PlainHandler>);

// Constructed before the program's resources are installed, as a static object or a member
// of another dialog would be.
CAboutDlg g_earlyAbout;

template <class Widget>
Widget* Find(QWidget& box, int id) {
  return box.findChild<Widget*>(QString::number(id));
}

class DialogFrameworkTest : public UiTest {
 protected:
  // Runs `body` while the probe is open, then closes it with Esc.
  int RunProbe(const std::function<void(QWidget&)>& body) {
    auto answer = ModalAnswerer::Escape(body);
    return m_probe.DoModal();
  }
  ProbeDlg m_probe;
};

TEST_F(DialogFrameworkTest, NotificationsAreIgnoredWhileTheExchangeRuns) {
  RunProbe([&](QWidget& box) {
    m_probe.m_log.clear();
    m_probe.m_free = "set by the program";
    m_probe.m_limited = "abc";
    ASSERT_TRUE(m_probe.UpdateData(false));
    EXPECT_EQ(Find<QLineEdit>(box, kFree)->text(), "set by the program");
    EXPECT_TRUE(m_probe.m_log.empty());

    // Outside an exchange the same change is heard: about to be shown, then shown.
    m_probe.GetDlgItem(kFree)->SetWindowText("typed elsewhere");
    EXPECT_EQ(m_probe.m_log,
              (std::vector<Logged>{{Notify::kUpdate, kFree}, {Notify::kChange, kFree}}));
  });
}

TEST_F(DialogFrameworkTest, TextIsReplacedOnlyWhenItDiffers) {
  RunProbe([&](QWidget& box) {
    auto* edit = Find<QLineEdit>(box, kFree);
    m_probe.m_free = "hello world";
    m_probe.UpdateData(false);
    edit->setSelection(2, 3);
    m_probe.UpdateData(false);
    EXPECT_EQ(edit->selectionStart(), 2);
    EXPECT_EQ(edit->selectedText(), "llo");

    m_probe.m_free = "hello there";
    m_probe.UpdateData(false);
    EXPECT_EQ(edit->text(), "hello there");
    EXPECT_FALSE(edit->hasSelectedText());
  });
}

TEST_F(DialogFrameworkTest, TheLimitCheckStopsTheExchangeAndSelectsTheEdit) {
  RunProbe([&](QWidget& box) {
    m_probe.m_limited = "abcdefgh";  // longer than the limit of 5, put in by the program
    m_probe.m_free = "before";
    m_probe.UpdateData(false);
    auto* limited = Find<QLineEdit>(box, kLimited);
    EXPECT_EQ(limited->text(), "abcdefgh");
    Find<QLineEdit>(box, kFree)->setText("after");
    Find<QWidget>(box, kPress)->setFocus();

    auto message = ModalAnswerer::Button(IDOK, [](QWidget& messageBox) {
      EXPECT_EQ(static_cast<QMessageBox&>(messageBox).icon(), QMessageBox::Warning);
    });
    EXPECT_FALSE(m_probe.UpdateData(true));
    EXPECT_EQ(message.Text(), "Please enter no more than 5 characters.");
    EXPECT_EQ(message.Caption(), ProgramName());
    EXPECT_EQ(box.focusWidget(), limited);
    EXPECT_EQ(limited->selectedText(), "abcdefgh");
    EXPECT_EQ(m_probe.m_limited, "abcdefgh");
    EXPECT_EQ(m_probe.m_free, "before");  // a later step did not run
  });
}

TEST_F(DialogFrameworkTest, TheTypingLimitRefusesMoreButNeverCutsTheProgramsText) {
  RunProbe([&](QWidget& box) {
    auto* limited = Find<QLineEdit>(box, kLimited);
    m_probe.UpdateData(false);  // sets the limit of 5
    QTest::keyClicks(limited, "abcdefg");
    EXPECT_EQ(limited->text(), "abcde");
    limited->clear();
    limited->insert("123456");  // a paste of six
    EXPECT_EQ(limited->text(), "");
    // Five letters with combining accents are five characters to the user.
    const QString accented = QString::fromUtf8(
        "e\xCC\x81"
        "e\xCC\x81"
        "e\xCC\x81"
        "e\xCC\x81"
        "e\xCC\x81");
    limited->insert(accented);
    EXPECT_EQ(limited->text(), accented);

    m_probe.m_limited = "a text of twenty-two c";
    m_probe.UpdateData(false);
    EXPECT_EQ(limited->text(), "a text of twenty-two c");
    limited->end(false);
    QTest::keyClick(limited, Qt::Key_X);
    EXPECT_EQ(limited->text(), "a text of twenty-two c");
    QTest::keyClick(limited, Qt::Key_Backspace);
    EXPECT_EQ(limited->text(), "a text of twenty-two ");
  });
}

TEST_F(DialogFrameworkTest, EnterWithoutDefaultButtonReadsAndEndsWithOk) {
  auto answer = ModalAnswerer::Enter([](QWidget& box) {
    Find<QLineEdit>(box, kFree)->setFocus();
    Find<QLineEdit>(box, kFree)->setText("read on OK");
  });
  EXPECT_EQ(m_probe.DoModal(), IDOK);
  EXPECT_EQ(m_probe.m_free, "read on OK");
}

TEST_F(DialogFrameworkTest, EscAndTheCloseBoxEndWithCancelWithoutReading) {
  for (auto answer : {ModalAnswerer::Action::kEscape, ModalAnswerer::Action::kCloseBox}) {
    ProbeDlg probe;
    ModalAnswerer closer(answer, 0,
                         [](QWidget& box) { Find<QLineEdit>(box, kFree)->setText("not read"); });
    EXPECT_EQ(probe.DoModal(), IDCANCEL);
    EXPECT_EQ(probe.m_free, "");
  }
}

TEST_F(DialogFrameworkTest, EnterPressesTheFocusedPushButtonAndTheDialogStays) {
  RunProbe([&](QWidget& box) {
    Find<QWidget>(box, kPress)->setFocus();
    m_probe.m_log.clear();
    QTest::keyClick(Find<QWidget>(box, kPress), Qt::Key_Return);
    EXPECT_EQ(m_probe.m_log, (std::vector<Logged>{{Notify::kClicked, kPress}}));
    EXPECT_TRUE(box.isVisible());
  });
}

TEST_F(DialogFrameworkTest, DropDownListStartsEmptyHandedAndReportsAChoice) {
  RunProbe([&](QWidget& box) {
    auto* list = static_cast<CComboBox*>(m_probe.GetDlgItem(kList));
    m_probe.m_log.clear();
    EXPECT_EQ(list->AddString("first"), 0);
    EXPECT_EQ(list->AddString("second"), 1);
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_TRUE(m_probe.m_log.empty());

    QTest::keyClick(Find<QComboBox>(box, kList), Qt::Key_Down);
    EXPECT_EQ(m_probe.m_log,
              (std::vector<Logged>{{Notify::kSelChange, kList}, {Notify::kSelEndOk, kList}}));
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(list->GetLBText(1), "second");
    m_probe.UpdateData(true);
    EXPECT_EQ(m_probe.m_listText, "first");
  });
}

TEST_F(DialogFrameworkTest, RadioButtonsOfAGroupExcludeEachOtherAndMarksSendNoClick) {
  RunProbe([&](QWidget& box) {
    m_probe.CheckRadioButton(kOne, kTwo, kOne);
    EXPECT_TRUE(Find<QRadioButton>(box, kOne)->isChecked());
    m_probe.m_log.clear();
    Find<QRadioButton>(box, kTwo)->click();
    EXPECT_FALSE(Find<QRadioButton>(box, kOne)->isChecked());
    EXPECT_EQ(m_probe.m_log, (std::vector<Logged>{{Notify::kClicked, kTwo}}));
    static_cast<CButton*>(m_probe.GetDlgItem(kTwo))->SetCheck(0);
    EXPECT_EQ(static_cast<CButton*>(m_probe.GetDlgItem(kTwo))->GetCheck(), 0);
  });
}

TEST_F(DialogFrameworkTest, ArrowKeysMoveTheMarkAndTabEntersAtTheMarkedButton) {
  RunProbe([&](QWidget& box) {
    auto* one = Find<QRadioButton>(box, kOne);
    auto* two = Find<QRadioButton>(box, kTwo);
    box.activateWindow();
    m_probe.CheckRadioButton(kOne, kTwo, kOne);
    one->setFocus(Qt::OtherFocusReason);
    m_probe.m_log.clear();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down}) {
      QTest::keyClick(box.focusWidget(), key);
      EXPECT_TRUE(two->isChecked()) << key;
      EXPECT_FALSE(one->isChecked()) << key;
      EXPECT_EQ(box.focusWidget(), two) << key;
      QTest::keyClick(box.focusWidget(), key == Qt::Key_Right ? Qt::Key_Left : Qt::Key_Up);
      EXPECT_TRUE(one->isChecked()) << key;
      EXPECT_EQ(box.focusWidget(), one) << key;
    }
    EXPECT_EQ(m_probe.m_log,
              (std::vector<Logged>{{Notify::kClicked, kTwo}, {Notify::kClicked, kTwo}}));

    // Tab into the group lands on the marked button, and Tab out of it leaves the group.
    m_probe.CheckRadioButton(kOne, kTwo, kTwo);
    Find<QWidget>(box, kList)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(box.focusWidget(), two);
    QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(box.focusWidget(), Find<QWidget>(box, kPress));
    QTest::keyClick(box.focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(box.focusWidget(), two);
  });
}

TEST_F(DialogFrameworkTest, AMarkIsExchangedWithoutAClick) {
  RunProbe([&](QWidget& box) {
    m_probe.m_log.clear();
    m_probe.m_two = 1;
    ASSERT_TRUE(m_probe.UpdateData(false));
    EXPECT_TRUE(Find<QRadioButton>(box, kTwo)->isChecked());
    EXPECT_TRUE(m_probe.m_log.empty());

    Find<QRadioButton>(box, kOne)->click();
    ASSERT_TRUE(m_probe.UpdateData(true));
    EXPECT_EQ(m_probe.m_two, 0);
    m_probe.m_two = 0;
    ASSERT_TRUE(m_probe.UpdateData(false));
    EXPECT_TRUE(Find<QRadioButton>(box, kOne)->isChecked());  // clearing Two leaves One alone
  });
}

TEST_F(DialogFrameworkTest, SystemCommandsTenToOneFOpenTheAboutBox) {
  RunProbe([&](QWidget&) {
    for (unsigned id : {0x0010u, 0x0013u, 0x001Fu}) {
      auto about = ModalAnswerer::Button(IDOK);
      m_probe.SendSysCommand(id);
      EXPECT_EQ(about.Caption(), "About Vexmora") << id;
    }
    m_probe.SendSysCommand(0x0020);  // not ours, and nothing the platform does by default
    EXPECT_EQ(m_probe.m_sysCommands, (std::vector<unsigned>{0x10, 0x13, 0x1F, 0x20}));
    EXPECT_TRUE(m_probe.IsOpen());
  });
}

TEST_F(DialogFrameworkTest, TheContextMenuCarriesTheSystemMenuItems) {
  RunProbe([&](QWidget& box) {
    SystemMenu* menu = m_probe.GetSystemMenu();
    ASSERT_NE(menu, nullptr);
    menu->AppendSeparator();
    menu->AppendItem(kAboutCommand, "&About Vexmora...");

    QTest::keyClick(Find<QLineEdit>(box, kFree), Qt::Key_F10, Qt::ShiftModifier);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QAction* item = popup->actions().back();
    EXPECT_EQ(item->text(), "&About Vexmora...");
    popup->close();
    auto about = ModalAnswerer::Button(IDOK);
    item->trigger();
    EXPECT_EQ(about.Caption(), "About Vexmora");
    EXPECT_EQ(m_probe.m_sysCommands, (std::vector<unsigned>{kAboutCommand}));
  });
}

TEST_F(DialogFrameworkTest, ADialogMadeBeforeTheResourcesStillOpens) {
  auto answer = ModalAnswerer::Button(IDOK);
  EXPECT_EQ(g_earlyAbout.DoModal(), IDOK);
  EXPECT_EQ(answer.Caption(), "About Vexmora");
}

TEST_F(DialogFrameworkTest, TheCloseBoxArrivesAsTheSystemCloseCommand) {
  ModalAnswerer closer = ModalAnswerer::CloseBox();
  EXPECT_EQ(m_probe.DoModal(), IDCANCEL);
  EXPECT_EQ(m_probe.m_sysCommands, (std::vector<unsigned>{kSysCommandClose}));
}

TEST_F(DialogFrameworkTest, AFailureLeavingAHandlerIsReportedAndTheDialogGoesOn) {
  RunProbe([&](QWidget& box) {
    m_probe.m_onPress = [] {
      throw CFileException(FileErrorCause::kAccessDenied, EACCES, "/home/u/.config/x");
    };
    auto report = ModalAnswerer::Button(IDOK, [](QWidget& messageBox) {
      EXPECT_EQ(static_cast<QMessageBox&>(messageBox).icon(), QMessageBox::Critical);
    });
    Find<QPushButton>(box, kPress)->click();
    EXPECT_EQ(report.Text(), "Access to /home/u/.config/x was denied.");
    EXPECT_EQ(report.Caption(), ProgramName());
    EXPECT_TRUE(box.isVisible());
  });
}

TEST_F(DialogFrameworkTest, AFailureInsideTheExchangeIsReportedAndTheExchangeFails) {
  RunProbe([&](QWidget&) {
    m_probe.m_exchangeRunsOutOfMemory = true;
    auto report = ModalAnswerer::Button(IDOK, [](QWidget& messageBox) {
      EXPECT_EQ(static_cast<QMessageBox&>(messageBox).icon(), QMessageBox::Warning);
    });
    EXPECT_FALSE(m_probe.UpdateData(true));
    EXPECT_EQ(report.Text(), "Out of memory.");
    m_probe.m_exchangeRunsOutOfMemory = false;
  });
}

TEST_F(DialogFrameworkTest, AnEditReportsTheFocusItReceives) {
  RunProbe([&](QWidget& box) {
    box.activateWindow();
    m_probe.m_log.clear();
    m_probe.GetDlgItem(kFree)->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(m_probe.m_log, (std::vector<Logged>{{Notify::kSetFocus, kFree}}));
    EXPECT_TRUE(m_probe.GetDlgItem(kFree)->HasFocus());
  });
}

TEST(FailureReportTest, WordsEachKindOfFailure) {
  struct Case {
    const char* what;
    std::exception_ptr failure;
    FailurePlace place;
    std::string text;
    BoxIcon icon;
  };
  const Case cases[] = {
      {"file error",
       std::make_exception_ptr(
           CFileException(FileErrorCause::kSharingViolation, EWOULDBLOCK, "/c/vxconfig.qdz")),
       FailurePlace::kHandler, "A sharing violation occurred while accessing /c/vxconfig.qdz.",
       BoxIcon::kStop},
      {"unnamed file", std::make_exception_ptr(CFileException(FileErrorCause::kDiskFull, ENOSPC)),
       FailurePlace::kHandler, "Disk full while accessing an unnamed file.", BoxIcon::kStop},
      {"memory", std::make_exception_ptr(std::bad_alloc()), FailurePlace::kHandler,
       "Out of memory.", BoxIcon::kExclamation},
      {"memory in exchange", std::make_exception_ptr(std::bad_alloc()), FailurePlace::kExchange,
       "Out of memory.", BoxIcon::kExclamation},
      {"other", std::make_exception_ptr(std::runtime_error("detail")), FailurePlace::kHandler,
       "Internal application error.", BoxIcon::kStop},
      {"other in exchange", std::make_exception_ptr(42), FailurePlace::kExchange,
       "Internal application error.", BoxIcon::kExclamation},
      {"text of its own", std::make_exception_ptr(UserFacingError("No HTTP client.")),
       FailurePlace::kHandler, "No HTTP client.", BoxIcon::kStop},
      {"long text of its own", std::make_exception_ptr(UserFacingError(std::string(600, 'x'))),
       FailurePlace::kHandler, std::string(511, 'x'), BoxIcon::kStop},
      {"empty text of its own", std::make_exception_ptr(UserFacingError("")),
       FailurePlace::kHandler, "Internal application error.", BoxIcon::kStop},
  };
  for (const Case& c : cases) {
    const FailureReport report = DescribeFailure(c.failure, c.place);
    EXPECT_EQ(report.text, c.text) << c.what;
    EXPECT_EQ(report.icon, c.icon) << c.what;
  }
}

class MessageBoxTest : public UiTest {};

TEST_F(MessageBoxTest, ReturnsThePressedButtonAndHonoursTheDefault) {
  {
    auto answer = ModalAnswerer::Enter([](QWidget& box) {
      EXPECT_EQ(static_cast<QMessageBox&>(box).icon(), QMessageBox::Question);
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "Sure?", "Are you sure?", BoxButtons::kYesNo,
                             BoxIcon::kQuestion, IDNO),
              IDNO);
    EXPECT_EQ(answer.Caption(), "Are you sure?");
  }
  {
    auto answer = ModalAnswerer::Button(IDYES);
    EXPECT_EQ(ShowMessageBox(nullptr, "Sure?", "Are you sure?", BoxButtons::kYesNo,
                             BoxIcon::kQuestion, IDNO),
              IDYES);
  }
  {
    auto answer = ModalAnswerer::Enter();
    EXPECT_EQ(ShowMessageBox(nullptr, "Line one\nline two", "Ok"), IDOK);
    EXPECT_EQ(answer.Text(), "Line one\nline two");
  }
}

TEST_F(MessageBoxTest, ADialogOpenedOverAnotherIsCentredOnIt) {
  ProbeDlg probe;
  auto outer = ModalAnswerer::Escape([&](QWidget& dialog) {
    auto inner = ModalAnswerer::Enter([&](QWidget& box) {
      EXPECT_EQ(box.parentWidget(), &dialog);
      EXPECT_LE((box.geometry().center() - dialog.geometry().center()).manhattanLength(), 2);
    });
    CAboutDlg about;
    about.DoModal();
  });
  probe.DoModal();
}

TEST(DesktopTest, ClipboardTakesTheTextAsItIs) {
  const std::string address = "x9@vexmora.com";
  ASSERT_TRUE(SetClipboardText(address));
  EXPECT_EQ(GetClipboardText(), address);
}

}  // namespace

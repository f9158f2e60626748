// The four small dialogs: how each one ends, and what the new address box does with its text.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/support/ui_test.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/data_error_dlg.h"
#include "ui/dialogs/new_address_dlg.h"
#include "ui/dialogs/terms_dlg.h"

namespace {

class SmallDialogsTest : public UiTest {};

struct TermsCase {
  const char* how;
  std::function<ModalAnswerer()> answer;
  int result;
};

TEST_F(SmallDialogsTest, TermsEndWithOkOnlyThroughAcceptOrEnter) {
  const TermsCase cases[] = {
      {"Enter", [] { return ModalAnswerer::Enter(); }, IDOK},
      {"Accept", [] { return ModalAnswerer::Button(IDOK); }, IDOK},
      {"Decline", [] { return ModalAnswerer::Button(IDCANCEL); }, IDCANCEL},
      {"Esc", [] { return ModalAnswerer::Escape(); }, IDCANCEL},
      {"close box", [] { return ModalAnswerer::CloseBox(); }, IDCANCEL},
  };
  for (const TermsCase& c : cases) {
    SCOPED_TRACE(c.how);
    CTermsDlg terms;
    ModalAnswerer answer = c.answer();
    EXPECT_EQ(terms.DoModal(), c.result);
    EXPECT_TRUE(answer.Answered());
  }
}

TEST_F(SmallDialogsTest, EnterOnDeclinePressesDecline) {
  CTermsDlg terms;
  auto answer = ModalAnswerer::Enter(
      [](QWidget& box) { box.findChild<QPushButton*>(QString::number(IDCANCEL))->setFocus(); });
  EXPECT_EQ(terms.DoModal(), IDCANCEL);
}

TEST_F(SmallDialogsTest, NewAddressIsShownReadOnlyAndComesBackUnchanged) {
  const std::string address = "k7q2mz@vexmora.com";
  CNewAddressDlg box;
  box.m_address = address;
  auto answer = ModalAnswerer::Button(IDOK, [&](QWidget& window) {
    auto* edit = window.findChild<QLineEdit*>(QString::number(IDC_NEW_ADDRESS));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), address);
    EXPECT_TRUE(edit->isReadOnly());
    QTest::keyClicks(edit, "typed");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text().toStdString(), address);
    edit->selectAll();
    EXPECT_EQ(edit->selectedText().toStdString(), address);
    EXPECT_EQ(window.focusWidget(), window.findChild<QWidget*>(QString::number(IDOK)));
  });
  EXPECT_EQ(box.DoModal(), IDOK);
  EXPECT_EQ(box.m_address, address);
}

TEST_F(SmallDialogsTest, NewAddressBoxClosesOnEnterAndKeepsEightBitText) {
  const std::string address = "J\xC3\xBCrgen.\xE2\x82\xAC@vexmora.com";  // UTF-8 bytes
  CNewAddressDlg box;
  box.m_address = address;
  auto answer = ModalAnswerer::Enter();
  EXPECT_EQ(box.DoModal(), IDOK);
  EXPECT_EQ(box.m_address, address);
}

TEST_F(SmallDialogsTest, AboutAndDataErrorBoxesEndWithOk) {
  {
    CAboutDlg about;
    auto answer = ModalAnswerer::Enter();
    EXPECT_EQ(about.DoModal(), IDOK);
    EXPECT_EQ(answer.Caption(), "About Vexmora");
  }
  {
    CDataErrorDlg error;
    auto answer = ModalAnswerer::Escape();
    EXPECT_EQ(error.DoModal(), IDCANCEL);
  }
}

}  // namespace

// The program's templates become the widgets they describe: geometry in dialog units, texts,
// initial states, tab order and the first focus.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "platform/dialog_units.h"
#include "platform/template_preview.h"
#include "resources/build_settings.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "tests/support/ui_test.h"

namespace {

// The ids of the controls the Tab key visits, in order, starting after the window itself.
std::vector<int> TabOrder(QWidget& box) {
  std::vector<int> ids;
  for (QWidget* w = box.nextInFocusChain(); w != &box; w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->parentWidget() == &box) {
      ids.push_back(w->objectName().toInt());
    }
  }
  return ids;
}

QWidget* Control(QWidget& box, int id) {
  return box.findChild<QWidget*>(QString::number(id));
}

QLabel* LabelWithText(QWidget& box, const QString& text) {
  for (QLabel* label : box.findChildren<QLabel*>()) {
    if (label->text() == text) return label;
  }
  return nullptr;
}

QRect Expected(const DialogTemplate& dialogTemplate, const DialogRect& rect) {
  const PixelRect r = ToPixels(rect, LayoutUnitsOf(dialogTemplate));
  return {r.x, r.y, r.width, r.height};
}

// Opens the dialog on `dialogTemplate`, runs `inspect` on its window and closes it with Esc.
void Inspect(const DialogTemplate& dialogTemplate, const ModalAnswerer::Inspect& inspect) {
  CDialog dialog(dialogTemplate.id);
  auto answer = ModalAnswerer::Escape(inspect);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

class TemplateWidgetsTest : public UiTest {};

TEST_F(TemplateWidgetsTest, MainWindowControlsStandWhereTheTemplatePutsThem) {
  const DialogTemplate& t = kMainTemplate;
  Inspect(t, [&](QWidget& box) {
    const DialogBaseUnits units = LayoutUnitsOf(t);
    EXPECT_EQ(box.windowTitle(), "Vexmora");
    EXPECT_EQ(box.size(), QSize(ToPixelsX(320, units), ToPixelsY(186, units)));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_TRUE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);

    EXPECT_EQ(Control(box, IDC_EMAIL)->geometry(), Expected(t, {116, 14, 100, 14}));
    EXPECT_EQ(Control(box, IDC_PREFIX_LABEL)->geometry(), Expected(t, {23, 124, 271, 8}));
    EXPECT_EQ(Control(box, IDC_CLEAR_MESSAGE)->geometry(), Expected(t, {297, 95, 7, 14}));
    const QRect list = Control(box, IDC_ACCOUNT)->geometry();
    EXPECT_EQ(list.topLeft(), Expected(t, {12, 14, 91, 137}).topLeft());
    EXPECT_EQ(list.width(), Expected(t, {12, 14, 91, 137}).width());

    auto* account = box.findChild<QComboBox*>(QString::number(IDC_ACCOUNT));
    ASSERT_NE(account, nullptr);
    EXPECT_FALSE(account->isEditable());
    EXPECT_EQ(account->currentIndex(), -1);
    EXPECT_EQ(box.findChild<QLineEdit*>(QString::number(IDC_PASSWORD))->echoMode(),
              QLineEdit::Password);
    EXPECT_FALSE(Control(box, IDC_MESSAGE)->isEnabled());
    EXPECT_FALSE(Control(box, IDC_MESSAGE_HINT)->isEnabled());
    EXPECT_FALSE(Control(box, IDC_CREATE_ADDRESS)->isEnabled());
    EXPECT_TRUE(Control(box, IDC_VIEW_LOG)->isEnabled());
    EXPECT_EQ(static_cast<QPushButton*>(Control(box, IDC_CLEAR_MESSAGE))->text(), "");
    for (QPushButton* button : box.findChildren<QPushButton*>()) EXPECT_FALSE(button->isDefault());

    ASSERT_NE(LabelWithText(box, VEXMORA_BUILD_SERVICE_HOST), nullptr);
    EXPECT_EQ(LabelWithText(box, VEXMORA_BUILD_SERVICE_HOST)->geometry(),
              Expected(t, {23, 50, 68, 8}));
    EXPECT_EQ(static_cast<QRadioButton*>(Control(box, IDC_PREFIX_URGENT))->text(), "Urgent:");

    const std::vector<int> tabStops = {IDC_ACCOUNT,  IDC_EMAIL,      IDC_PASSWORD,
                                       IDC_MESSAGE,  IDC_PREFIX_FWD, IDC_CREATE_ADDRESS,
                                       IDC_VIEW_LOG, IDC_SETUP};
    EXPECT_EQ(TabOrder(box), tabStops);
    EXPECT_EQ(box.focusWidget(), Control(box, IDC_ACCOUNT));
  });
}

TEST_F(TemplateWidgetsTest, PrefixButtonsExcludeEachOther) {
  Inspect(kMainTemplate, [](QWidget& box) {
    std::vector<QRadioButton*> prefixes;
    for (int id : {IDC_PREFIX_FWD, IDC_PREFIX_SPAM, IDC_PREFIX_URGENT, IDC_PREFIX_CUSTOM}) {
      prefixes.push_back(static_cast<QRadioButton*>(Control(box, id)));
      prefixes.back()->setEnabled(true);
    }
    prefixes[0]->click();
    prefixes[2]->click();
    EXPECT_FALSE(prefixes[0]->isChecked());
    EXPECT_TRUE(prefixes[2]->isChecked());
    prefixes[3]->click();
    EXPECT_FALSE(prefixes[2]->isChecked());
  });
}

TEST_F(TemplateWidgetsTest, SetupDialogHasItsEditsButtonsAndLimitsOfItsOwn) {
  const DialogTemplate& t = kSetupTemplate;
  Inspect(t, [&](QWidget& box) {
    EXPECT_EQ(box.windowTitle(), "Dialog");
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(Control(box, IDC_ACCOUNT_NAME)->geometry(), Expected(t, {87, 13, 71, 14}));
    EXPECT_EQ(Control(box, IDC_CLEAR_ALL)->geometry(), Expected(t, {238, 86, 67, 14}));
    EXPECT_EQ(box.findChild<QLineEdit*>(QString::number(IDC_SETUP_PASSWORD2))->echoMode(),
              QLineEdit::Password);
    EXPECT_EQ(box.findChild<QLineEdit*>(QString::number(IDC_SETUP_EMAIL))->echoMode(),
              QLineEdit::Normal);
    auto* create = box.findChild<QPushButton*>(QString::number(IDOK));
    ASSERT_NE(create, nullptr);
    EXPECT_TRUE(create->isDefault());
    EXPECT_EQ(create->text(), "Create New Account");
    const std::vector<int> tabStops = {IDC_ACCOUNT_NAME,
                                       IDC_SETUP_EMAIL,
                                       IDC_SETUP_EMAIL2,
                                       IDC_SETUP_PASSWORD,
                                       IDC_SETUP_PASSWORD2,
                                       IDC_SAVE_PASSWORD,
                                       IDOK,
                                       IDCANCEL,
                                       IDC_CLEAR_ALL};
    EXPECT_EQ(TabOrder(box), tabStops);
    EXPECT_EQ(box.focusWidget(), Control(box, IDC_ACCOUNT_NAME));
  });
}

TEST_F(TemplateWidgetsTest, SmallDialogsShowTheirTextsAndStartOnTheirButton) {
  struct Case {
    const DialogTemplate* dialog;
    const char* caption;
    const char* label;
    DialogRect labelRect;
    DialogRect okRect;
    const char* okText;
  };
  const Case cases[] = {
      {&kAboutTemplate,
       "About Vexmora",
       "Vexmora Version 1.2.1",
       {99, 13, 82, 8},
       {217, 7, 50, 14},
       "OK"},
      {&kDataErrorTemplate,
       "Dialog",
       "values and correct the problem.",
       {37, 36, 100, 8},
       {71, 66, 50, 14},
       "OK"},
      {&kNewAddressTemplate,
       "Dialog",
       "the clipboard. Your new Vexmora Address is:",
       {16, 23, 151, 8},
       {68, 48, 50, 14},
       "OK"},
      {&kTermsTemplate,
       "Dialog",
       "regulations, and provisions contained therein regarding the use of this program and any "
       "related applications.",
       {7, 30, 251, 21},
       {7, 61, 50, 14},
       "Accept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialog->id);
    Inspect(*c.dialog, [&](QWidget& box) {
      EXPECT_EQ(box.windowTitle(), c.caption);
      EXPECT_TRUE(box.windowFlags() & Qt::WindowCloseButtonHint);
      QLabel* label = LabelWithText(box, c.label);
      ASSERT_NE(label, nullptr);
      EXPECT_TRUE(label->wordWrap());
      EXPECT_EQ(label->geometry(), Expected(*c.dialog, c.labelRect));
      auto* ok = box.findChild<QPushButton*>(QString::number(IDOK));
      ASSERT_NE(ok, nullptr);
      EXPECT_EQ(ok->text(), c.okText);
      EXPECT_TRUE(ok->isDefault());
      EXPECT_EQ(ok->geometry(), Expected(*c.dialog, c.okRect));
      EXPECT_EQ(box.focusWidget(), ok);
    });
  }
}

TEST_F(TemplateWidgetsTest, AboutBoxShowsTheIconAndTheHomePage) {
  Inspect(kAboutTemplate, [](QWidget& box) {
    QLabel* picture = nullptr;
    for (QLabel* label : box.findChildren<QLabel*>()) {
      if (!label->pixmap().isNull()) picture = label;
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(32, 32));
    EXPECT_NE(LabelWithText(box, "http://" VEXMORA_BUILD_SERVICE_HOST), nullptr);
  });
}

TEST_F(TemplateWidgetsTest, TermsTextNamesTheHomePage) {
  Inspect(kTermsTemplate, [](QWidget& box) {
    bool found = false;
    for (QLabel* label : box.findChildren<QLabel*>()) {
      found = found || label->text().contains("website [http://" VEXMORA_BUILD_SERVICE_HOST
                                              "] and hereby agrees");
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(TabOrder(box), (std::vector<int>{IDOK, IDCANCEL}));
  });
}

TEST(TemplateTextsTest, EveryTextFitsItsRectangle) {
  for (const DialogTemplate* t : {&kAboutTemplate, &kMainTemplate, &kSetupTemplate,
                                  &kDataErrorTemplate, &kNewAddressTemplate, &kTermsTemplate}) {
    EXPECT_EQ(FindClippedTexts(*t), std::vector<std::string>()) << "template " << t->id;
  }
}

TEST(TemplateTextsTest, ATextTooLongForItsRectangleIsFound) {
  const ControlTemplate controls[] = {
      {ControlKind::kLabel,
       300,
       "A label far too long for the little room it was given",
       {4, 4, 30, 8},
       kNoStyle},
      {ControlKind::kLabel, 301, "Fits", {4, 20, 60, 8}, kNoStyle},
  };
  const DialogTemplate cramped{900, "Cramped", 80, 40, {"MS Sans Serif", 8}, kSystemMenu, controls};
  EXPECT_EQ(FindClippedTexts(cramped),
            std::vector<std::string>{"300: A label far too long for the little room it was given"});
}

}  // namespace

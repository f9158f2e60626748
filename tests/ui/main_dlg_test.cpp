// The main window against a temp account file and the scripted loopback server: start-up, which
// controls can be used when, the merge of new accounts, Create New Address and View Log.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/desktop.h"
#include "resources/resource_ids.h"
#include "service/service_requests.h"
#include "store/account_store.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/held_file.h"
#include "tests/support/seams.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_test.h"
#include "ui/main/main_dlg.h"

namespace {

constexpr int kAddressControls[] = {
    IDC_CLEAR_MESSAGE, IDC_MESSAGE,        IDC_PREFIX_FWD,    IDC_PREFIX_SPAM,  IDC_PREFIX_URGENT,
    IDC_PREFIX_CUSTOM, IDC_CREATE_ADDRESS, IDC_MESSAGE_LABEL, IDC_MESSAGE_HINT, IDC_PREFIX_LABEL,
};
constexpr int kAlwaysEnabled[] = {IDC_ACCOUNT, IDC_EMAIL, IDC_PASSWORD, IDC_VIEW_LOG, IDC_SETUP};

template <class Widget = QWidget>
Widget* Find(QWidget& window, int id) {
  auto* widget = window.findChild<Widget*>(QString::number(id));
  EXPECT_NE(widget, nullptr) << "no control " << id;
  return widget;
}

std::string Text(QWidget& window, int id) {
  return Find<QLineEdit>(window, id)->text().toStdString();
}

std::vector<std::string> ListItems(QWidget& window) {
  auto* list = Find<QComboBox>(window, IDC_ACCOUNT);
  std::vector<std::string> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
  return items;
}

void Type(QWidget& window, int id, const QString& text) {
  auto* edit = Find<QLineEdit>(window, id);
  edit->setFocus();
  edit->end(false);
  QTest::keyClicks(edit, text);
}

void Empty(QWidget& window, int id) {
  auto* edit = Find<QLineEdit>(window, id);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
}

// Chooses item `index` the way a user does: the list gets the focus, the popup opens and the
// item is clicked; choosing the chosen item again confirms it again.
void Choose(QWidget& window, int index) {
  auto* list = Find<QComboBox>(window, IDC_ACCOUNT);
  list->setFocus();
  list->showPopup();
  QAbstractItemView* view = list->view();
  const QRect item = view->visualRect(view->model()->index(index, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

// Makes `window` the active window again, as the desktop does when a box over it closes.
void Activate(QWidget& window) {
  window.activateWindow();
  for (int i = 0; i < 200 && QApplication::activeWindow() != &window; ++i) QTest::qWait(10);
  EXPECT_EQ(QApplication::activeWindow(), &window);
}

void Click(QWidget& window, int id) {
  Find<QAbstractButton>(window, id)->click();
}

// The first line of a request, without "GET " and " HTTP/1.0".
std::string Target(const std::string& request) {
  const std::string line = request.substr(0, request.find("\r\n"));
  const auto start = line.find(' ') + 1;
  return line.substr(start, line.rfind(' ') - start);
}

class MainDlgTest : public UiTest {
 protected:
  // Three accounts; "Work" was kept without its password.
  void WriteThreeAccounts() {
    const AccountStore store(m_path);
    store.Append({"Home", "home@example.org", "pw1"}, true);
    store.Append({"Work", "work@example.org", "unsaved"}, false);
    store.Append({"Club", "club@example.org", "s3cret"}, true);
  }

  // Runs `drive` while the main window is open, then closes it with Esc.
  int Run(const std::function<void(QWidget&)>& drive) {
    auto answer = ModalAnswerer::Escape(drive);
    return m_dlg.DoModal();
  }

  // Clicks Create New Address with the box that is expected to open answered by `answer`.
  void CreateNewAddress(QWidget& window, ModalAnswerer answer) {
    Click(window, IDC_CREATE_ADDRESS);
    EXPECT_TRUE(answer.Answered());
  }

  std::string ServiceUrl(const std::string& pathAndQuery) const {
    return m_server.Url(pathAndQuery);
  }

  TempDir m_dir;
  std::string m_path = m_dir.File("vxconfig.qdz");
  ScopedStorePath m_store{m_path};
  FakeHttpServer m_server;
  std::optional<ScopedServiceHost> m_host{std::in_place,
                                          "127.0.0.1:" + std::to_string(m_server.Port())};
  std::vector<std::string> m_clipboard;
  int m_sounds = 0;
  std::vector<std::string> m_urls;
  std::vector<int> m_exits;
  ScopedDesktopSeams m_seams{DesktopSeams{
      [this](const std::string& text) {
        m_clipboard.push_back(text);
        return true;
      },
      [this] { ++m_sounds; },
      [this](const std::string& url) {
        m_urls.push_back(url);
        return true;
      },
      [this](int status) { m_exits.push_back(status); },
  }};
  CMainDlg m_dlg;
};

void ExpectStates(QWidget& window, bool address, bool custom) {
  for (const int id : kAddressControls) {
    EXPECT_EQ(Find(window, id)->isEnabled(), address) << "control " << id;
  }
  EXPECT_EQ(Find(window, IDC_CUSTOM_PREFIX)->isEnabled(), custom) << "custom prefix edit";
  for (const int id : kAlwaysEnabled) EXPECT_TRUE(Find(window, id)->isEnabled()) << id;
}

TEST_F(MainDlgTest, AFreshStartCreatesTheFileAndOpensWithFwdMarked) {
  ASSERT_FALSE(std::filesystem::exists(m_path));
  Run([&](QWidget& window) {
    ASSERT_TRUE(std::filesystem::exists(m_path));
    EXPECT_EQ(std::filesystem::status(m_path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(window.windowTitle(), "Vexmora");
    EXPECT_TRUE(ListItems(window).empty());
    EXPECT_TRUE(Find<QRadioButton>(window, IDC_PREFIX_FWD)->isChecked());
    ExpectStates(window, false, false);
    EXPECT_EQ(window.focusWidget(), Find(window, IDC_ACCOUNT));
    // The window icon carries every image of icon 128, for the desktop to pick from.
    const QList<QSize> iconSizes = window.windowIcon().availableSizes();
    EXPECT_EQ(iconSizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}}));
    ASSERT_NE(m_dlg.GetSystemMenu(), nullptr);
    EXPECT_EQ(m_dlg.GetSystemMenu()->ItemCount(), 2);  // a separator and the About item

    // The e-mail and password edits take 100 characters; the message edit takes more.
    const QString longText(150, QChar('x'));
    Type(window, IDC_EMAIL, longText);
    Type(window, IDC_PASSWORD, longText);
    EXPECT_EQ(Text(window, IDC_EMAIL).size(), 100u);
    EXPECT_EQ(Text(window, IDC_PASSWORD).size(), 100u);
    Type(window, IDC_MESSAGE, longText);
    EXPECT_EQ(Text(window, IDC_MESSAGE).size(), 150u);
  });
}

TEST_F(MainDlgTest, StoredAccountsAreListedInFileOrderWithNoneChosen) {
  WriteThreeAccounts();
  Run([&](QWidget& window) {
    EXPECT_EQ(ListItems(window), (std::vector<std::string>{"Home", "Work", "Club"}));
    EXPECT_EQ(Find<QComboBox>(window, IDC_ACCOUNT)->currentIndex(), -1);
    for (const int id : {IDC_EMAIL, IDC_PASSWORD, IDC_MESSAGE, IDC_CUSTOM_PREFIX}) {
      EXPECT_EQ(Text(window, id), "") << id;
    }
    ExpectStates(window, false, false);
  });
}

TEST_F(MainDlgTest, AFileHeldByAnotherCopyIsReportedAndTheWindowStillOpensReady) {
  WriteThreeAccounts();
  HeldFile held(m_path);
  std::optional<ModalAnswerer> window;
  auto failure = ModalAnswerer::Button(IDOK, [&](QWidget& box) {
    EXPECT_EQ(static_cast<QMessageBox&>(box).icon(), QMessageBox::Critical);
    window.emplace(ModalAnswerer::Escape([&](QWidget& main) {
      EXPECT_TRUE(ListItems(main).empty());
      EXPECT_TRUE(Find<QRadioButton>(main, IDC_PREFIX_FWD)->isChecked());
      ExpectStates(main, false, false);
    }));
  });
  EXPECT_EQ(m_dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(failure.Caption(), ProgramName());
  EXPECT_FALSE(failure.Text().empty());
  ASSERT_TRUE(window.has_value());
  EXPECT_TRUE(window->Answered());
}

// One run through the window: after each event the ten address controls and the custom prefix
// edit stand as the row says, and the list, the two edits, View Log and Setup stay usable.
TEST_F(MainDlgTest, ControlStatesFollowEachEvent) {
  WriteThreeAccounts();
  struct Step {
    const char* event;
    std::function<void(QWidget&)> act;
    bool address;
    bool custom;
  };
  const Step steps[] = {
      {"window opened", [](QWidget&) {}, false, false},
      {"e-mail typed with no account chosen",
       [](QWidget& w) { Type(w, IDC_EMAIL, "me@example.org"); }, false, false},
      {"password typed", [](QWidget& w) { Type(w, IDC_PASSWORD, "pw"); }, true, false},
      {"password emptied", [](QWidget& w) { Empty(w, IDC_PASSWORD); }, false, false},
      {"one password character", [](QWidget& w) { Type(w, IDC_PASSWORD, "p"); }, true, false},
      {"Custom: clicked", [](QWidget& w) { Click(w, IDC_PREFIX_CUSTOM); }, true, true},
      {"e-mail emptied", [](QWidget& w) { Empty(w, IDC_EMAIL); }, false, true},
      {"focus on the e-mail edit", [](QWidget& w) { Find(w, IDC_EMAIL)->setFocus(); }, false, true},
      {"account with a stored password chosen", [](QWidget& w) { Choose(w, 0); }, true, true},
      {"Fwd: clicked", [](QWidget& w) { Click(w, IDC_PREFIX_FWD); }, true, false},
      {"Custom: clicked again", [](QWidget& w) { Click(w, IDC_PREFIX_CUSTOM); }, true, true},
      {"Spam: clicked", [](QWidget& w) { Click(w, IDC_PREFIX_SPAM); }, true, false},
      {"Urgent: clicked", [](QWidget& w) { Click(w, IDC_PREFIX_URGENT); }, true, false},
      {"selection moved to it without a choice",
       [](QWidget& w) { Find<QComboBox>(w, IDC_ACCOUNT)->setCurrentIndex(1); }, true, false},
      {"account without a stored password chosen", [](QWidget& w) { Choose(w, 1); }, false, false},
      {"focus on the password edit", [](QWidget& w) { Find(w, IDC_PASSWORD)->setFocus(); }, false,
       false},
      {"a password typed for it", [](QWidget& w) { Type(w, IDC_PASSWORD, "x"); }, true, false},
      {"clear-message button", [](QWidget& w) { Click(w, IDC_CLEAR_MESSAGE); }, true, false},
      {"list focus", [](QWidget& w) { Find(w, IDC_ACCOUNT)->setFocus(); }, true, false},
      {"Setup shown and closed",
       [](QWidget& w) {
         auto setup = ModalAnswerer::Escape();
         Click(w, IDC_SETUP);
       },
       true, false},
      {"password emptied again", [](QWidget& w) { Empty(w, IDC_PASSWORD); }, false, false},
      {"clear-message button while disabled", [](QWidget& w) { Click(w, IDC_CLEAR_MESSAGE); },
       false, false},
      {"account with a stored password chosen again", [](QWidget& w) { Choose(w, 2); }, true,
       false},
  };
  Run([&](QWidget& window) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.event);
      step.act(window);
      ExpectStates(window, step.address, step.custom);
    }
  });
}

TEST_F(MainDlgTest, ChoosingAnAccountReplacesOnlyTheTwoCredentialEdits) {
  WriteThreeAccounts();
  Run([&](QWidget& window) {
    Choose(window, 0);
    EXPECT_EQ(Text(window, IDC_EMAIL), "home@example.org");
    EXPECT_EQ(Text(window, IDC_PASSWORD), "pw1");
    EXPECT_EQ(Find<QLineEdit>(window, IDC_PASSWORD)->echoMode(), QLineEdit::Password);

    Type(window, IDC_MESSAGE, "for the bakery");
    Click(window, IDC_PREFIX_CUSTOM);
    Type(window, IDC_CUSTOM_PREFIX, "Bread");
    Choose(window, 1);
    EXPECT_EQ(Text(window, IDC_EMAIL), "work@example.org");
    EXPECT_EQ(Text(window, IDC_PASSWORD), "");
    EXPECT_EQ(Text(window, IDC_MESSAGE), "for the bakery");
    EXPECT_EQ(Text(window, IDC_CUSTOM_PREFIX), "Bread");
    EXPECT_TRUE(Find<QRadioButton>(window, IDC_PREFIX_CUSTOM)->isChecked());
    EXPECT_EQ(Find<QComboBox>(window, IDC_ACCOUNT)->currentIndex(), 1);

    // Confirming the chosen account again undoes what was typed into the two edits.
    Choose(window, 2);
    Type(window, IDC_EMAIL, "-typed");
    Type(window, IDC_PASSWORD, "-typed");
    Choose(window, 2);
    EXPECT_EQ(Text(window, IDC_EMAIL), "club@example.org");
    EXPECT_EQ(Text(window, IDC_PASSWORD), "s3cret");
    EXPECT_EQ(Text(window, IDC_MESSAGE), "for the bakery");
  });
}

TEST_F(MainDlgTest, TheClearMessageButtonEmptiesOnlyTheMessage) {
  WriteThreeAccounts();
  Run([&](QWidget& window) {
    Choose(window, 2);
    Type(window, IDC_PASSWORD, "+");
    Type(window, IDC_MESSAGE, "to be cleared");
    Click(window, IDC_PREFIX_CUSTOM);
    Type(window, IDC_CUSTOM_PREFIX, "Mine");
    Click(window, IDC_CLEAR_MESSAGE);
    EXPECT_EQ(Text(window, IDC_MESSAGE), "");
    EXPECT_EQ(Text(window, IDC_EMAIL), "club@example.org");
    EXPECT_EQ(Text(window, IDC_PASSWORD), "s3cret+");
    EXPECT_EQ(Text(window, IDC_CUSTOM_PREFIX), "Mine");
    EXPECT_EQ(Find<QComboBox>(window, IDC_ACCOUNT)->currentIndex(), 2);
  });
}

TEST_F(MainDlgTest, AccountsFromTheSetupDialogJoinTheListWhenItGetsTheFocus) {
  WriteThreeAccounts();
  Run([&](QWidget& window) {
    // Two visits to the setup dialog, each leaving an account in its pending table.
    // The button has the focus, as after a click, and gets it back when the dialog closes.
    for (const char* name : {"First new", "Second new"}) {
      auto setup = ModalAnswerer::Escape();
      Find(window, IDC_SETUP)->setFocus();
      Click(window, IDC_SETUP);
      m_dlg.m_setupDlg.m_accounts.Add(name, std::string(name) + "@example.org", "pw");
      Activate(window);
    }
    EXPECT_EQ(ListItems(window).size(), 3u);

    Find(window, IDC_ACCOUNT)->setFocus();
    EXPECT_EQ(ListItems(window),
              (std::vector<std::string>{"Home", "Work", "Club", "First new", "Second new"}));
    EXPECT_EQ(Find<QComboBox>(window, IDC_ACCOUNT)->currentIndex(), -1);
    ExpectStates(window, false, false);
    EXPECT_EQ(m_dlg.m_setupDlg.m_accounts.FirstFree(), 0);

    Choose(window, 4);
    EXPECT_EQ(Text(window, IDC_EMAIL), "Second new@example.org");
    // A second focus merges nothing more.
    Find(window, IDC_SETUP)->setFocus();
    Find(window, IDC_ACCOUNT)->setFocus();
    EXPECT_EQ(ListItems(window).size(), 5u);
  });
}

TEST_F(MainDlgTest, ATypedAccountSendsWhatWasTypedEncoded) {
  m_server.AnswerWith(200, "<html><body>\r\nk7q2mz8a\r\n</body></html>\r\n");
  Run([&](QWidget& window) {
    Type(window, IDC_EMAIL, "me+you@example.org");
    Type(window, IDC_PASSWORD, "p&ss=w%rd");
    Find<QLineEdit>(window, IDC_MESSAGE)->insert(QString::fromUtf8("A&B=C%D#E \xC3\xA9"));
    CreateNewAddress(window, ModalAnswerer::Enter());
  });
  ASSERT_EQ(m_server.Requests().size(), 1u);
  EXPECT_EQ(Target(m_server.Requests()[0]),
            "/vexmora/generateaccountclient.jsp?username=me%2byou%40example.org"
            "&password=p%26ss%3dw%25rd&MESSAGE=A%26B%3dC%25D%23E%20%c3%a9&sub=Fwd&customsub=");
}

TEST_F(MainDlgTest, AChosenAccountSendsItsStoredCredentials) {
  WriteThreeAccounts();
  m_server.AnswerWith(200, "abc\r\n");
  Run([&](QWidget& window) {
    Choose(window, 2);
    Type(window, IDC_MESSAGE, "shop");
    CreateNewAddress(window, ModalAnswerer::Enter());
  });
  ASSERT_EQ(m_server.Requests().size(), 1u);
  EXPECT_EQ(Target(m_server.Requests()[0]),
            "/vexmora/generateaccountclient.jsp?username=club%40example.org&password=s3cret"
            "&MESSAGE=shop&sub=Fwd&customsub=");
}

TEST_F(MainDlgTest, TheCustomPrefixGoesWithEveryPrefixWord) {
  WriteThreeAccounts();
  struct Case {
    int button;
    const char* word;
  };
  const Case cases[] = {{IDC_PREFIX_CUSTOM, "Custom"},
                        {IDC_PREFIX_FWD, "Fwd"},
                        {IDC_PREFIX_SPAM, "Spam"},
                        {IDC_PREFIX_URGENT, "Urgent"}};
  for (std::size_t i = 0; i < std::size(cases); ++i) m_server.AnswerWith(200, "abc");
  Run([&](QWidget& window) {
    Choose(window, 0);
    Type(window, IDC_MESSAGE, "m");
    Click(window, IDC_PREFIX_CUSTOM);
    Type(window, IDC_CUSTOM_PREFIX, "My Sub");
    for (const Case& c : cases) {
      Click(window, c.button);
      CreateNewAddress(window, ModalAnswerer::Enter());
    }
  });
  const std::vector<std::string> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Target(requests[i]),
              std::string("/vexmora/generateaccountclient.jsp?username=home%40example.org"
                          "&password=pw1&MESSAGE=m&sub=") +
                  cases[i].word + "&customsub=My%20Sub");
  }
}

TEST_F(MainDlgTest, ANewAddressGoesToTheClipboardWithTheSoundThenIntoTheBox) {
  WriteThreeAccounts();
  m_server.AnswerWith(200, "<html><body>\r\nk7q2mz8a\r\n</body></html>\r\n");
  const std::string address = std::string("k7q2mz8a@") + MailDomain;
  Run([&](QWidget& window) {
    Choose(window, 0);
    Type(window, IDC_MESSAGE, "for the shop");
    CreateNewAddress(window, ModalAnswerer::Enter([&](QWidget& box) {
                       EXPECT_EQ(Text(box, IDC_NEW_ADDRESS), address);
                       EXPECT_EQ(m_clipboard, std::vector<std::string>{address});
                       EXPECT_EQ(m_sounds, 1);
                     }));
    // Nothing of it stays behind in the window.
    EXPECT_EQ(Text(window, IDC_MESSAGE), "for the shop");
    ExpectStates(window, true, false);
  });
}

TEST_F(MainDlgTest, AMissingValueShowsTheDataErrorBoxAndSendsNothing) {
  WriteThreeAccounts();
  Run([&](QWidget& window) {
    Choose(window, 0);  // no message typed
    CreateNewAddress(window, ModalAnswerer::Enter([](QWidget& box) {
                       bool tellsOfADataError = false;
                       for (const QLabel* label : box.findChildren<QLabel*>()) {
                         tellsOfADataError |= label->text().startsWith("There is a data error");
                       }
                       EXPECT_TRUE(tellsOfADataError);
                     }));
  });
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_TRUE(m_clipboard.empty());
  EXPECT_EQ(m_sounds, 0);
}

TEST_F(MainDlgTest, NoAddressMeansAnErrorBoxAndTheClipboardLeftAlone) {
  WriteThreeAccounts();
  struct Case {
    const char* what;
    std::function<void()> script;
    const char* why;
  };
  const Case cases[] = {
      {"a 500 page", [&] { m_server.AnswerWith(500, "<html>Server trouble</html>"); },
       "HTTP status 500"},
      {"a refused connection",
       [&] {
         m_host.reset();
         m_host.emplace("127.0.0.1:" + std::to_string(FakeHttpServer::UnusedPort()));
       },
       ""},
      {"an empty reply",
       [&] {
         m_host.reset();
         m_host.emplace("127.0.0.1:" + std::to_string(m_server.Port()));
         m_server.AnswerWith(200, "<html>\r\n<body></body>\r\n</html>\r\n");
       },
       "no address"},
  };
  Run([&](QWidget& window) {
    Choose(window, 0);
    Type(window, IDC_MESSAGE, "m");
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      c.script();
      auto error = ModalAnswerer::Button(IDOK, [](QWidget& box) {
        EXPECT_EQ(static_cast<QMessageBox&>(box).icon(), QMessageBox::Critical);
      });
      CreateNewAddress(window, std::move(error));
    }
  });
  // The answerers saw only the error boxes: no new address box followed any of them.
  EXPECT_TRUE(m_clipboard.empty());
  EXPECT_EQ(m_sounds, 0);
}

TEST_F(MainDlgTest, TheErrorBoxSaysWhyAndNeverShowsAnErrorAddress) {
  WriteThreeAccounts();
  m_server.AnswerWith(500, "<html>Server trouble</html>");
  m_server.AnswerWith(200, "\r\n\r\n");
  std::vector<std::string> texts;
  Run([&](QWidget& window) {
    Choose(window, 0);
    Type(window, IDC_MESSAGE, "m");
    for (int i = 0; i < 2; ++i) {
      auto error = ModalAnswerer::Button(IDOK);
      Click(window, IDC_CREATE_ADDRESS);
      EXPECT_EQ(error.Caption(), "Vexmora");
      texts.push_back(error.Text());
    }
  });
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "No new address was created.\n\nThe server answered with HTTP status 500.");
  EXPECT_EQ(texts[1], "No new address was created.\n\nThe service sent no address.");
  for (const std::string& text : texts) EXPECT_EQ(text.find("Error@"), std::string::npos);
}

TEST_F(MainDlgTest, ViewLogOpensTheLogOfTheMembersAsTheyStand) {
  WriteThreeAccounts();
  Run([&](QWidget& window) {
    Click(window, IDC_VIEW_LOG);
    Choose(window, 2);
    Click(window, IDC_VIEW_LOG);
    Type(window, IDC_PASSWORD, "&#");
    Click(window, IDC_VIEW_LOG);
  });
  EXPECT_EQ(m_urls, (std::vector<std::string>{
                        ServiceUrl("/vexmora/validate.jsp?username=&password="),
                        ServiceUrl("/vexmora/validate.jsp?username=club%40example.org&password="
                                   "s3cret"),
                        ServiceUrl("/vexmora/validate.jsp?username=club%40example.org&password="
                                   "s3cret%26%23"),
                    }));
  EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(MainDlgTest, EnterInAnEditAndEscCloseTheWindowAndNothingIsSaved) {
  WriteThreeAccounts();
  const std::string before = ReadBytes(m_path);
  {
    CMainDlg dlg;
    auto answer = ModalAnswerer::Enter([](QWidget& window) {
      Type(window, IDC_EMAIL, "new@example.org");
      Type(window, IDC_PASSWORD, "pw");
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_email, "new@example.org");
  }
  {
    CMainDlg dlg;
    auto answer = ModalAnswerer::Escape([](QWidget& window) { Choose(window, 1); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  }
  EXPECT_EQ(ReadBytes(m_path), before);
  EXPECT_TRUE(m_exits.empty());
}

TEST_F(MainDlgTest, EnterKeepsTheWindowOpenWhenTheReadingStopsAtTheLimit) {
  const std::string longEmail = std::string(150, 'a') + "@example.org";
  AccountStore(m_path).Append({"Long", longEmail, "pw"}, true);
  auto answer = ModalAnswerer::Escape([&](QWidget& window) {
    Choose(window, 0);
    EXPECT_EQ(Text(window, IDC_EMAIL), longEmail);  // put there by the program, not cut
    Find(window, IDC_MESSAGE)->setFocus();
    auto limit = ModalAnswerer::Button(IDOK);
    QTest::keyClick(Find(window, IDC_MESSAGE), Qt::Key_Return);
    EXPECT_EQ(limit.Text(), "Please enter no more than 100 characters.");
    EXPECT_TRUE(m_dlg.IsOpen());
    EXPECT_EQ(window.focusWidget(), Find(window, IDC_EMAIL));
  });
  EXPECT_EQ(m_dlg.DoModal(), IDCANCEL);
}

TEST_F(MainDlgTest, SystemCommandsTenToOneFOpenTheAboutBox) {
  Run([&](QWidget& window) {
    // The system menu's last items, shown where the desktop lets the program show them.
    QTest::keyClick(Find(window, IDC_EMAIL), Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->isSeparator());
    EXPECT_EQ(items[1]->text(), "&About Vexmora...");
    menu->close();
    {
      auto about = ModalAnswerer::Button(IDOK);
      items[1]->trigger();
      EXPECT_EQ(about.Caption(), "About Vexmora");
    }

    for (const unsigned id : {0x0010u, 0x001Fu}) {
      auto about = ModalAnswerer::Button(IDOK);
      m_dlg.SendSysCommand(id);
      EXPECT_EQ(about.Caption(), "About Vexmora") << id;
    }
    m_dlg.SendSysCommand(0x0020);  // not the About item: the default handling, which is nothing
    EXPECT_TRUE(m_dlg.IsOpen());
  });
}

}  // namespace

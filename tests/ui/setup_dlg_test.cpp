// The setup dialog against a scripted loopback server and an account file in a temp folder:
// which typed values are refused, the terms, the request and the line written, the accounts
// kept for the main window, failures of the request and of the file, and Clear ALL accounts.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_exception.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "service/service_requests.h"
#include "store/account_store.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/held_file.h"
#include "tests/support/seams.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_test.h"
#include "ui/setup/setup_dlg.h"

namespace {

// What the user types into the dialog.
struct Typed {
  std::string name = "home";
  std::string email = "me@example.org";
  std::string email2 = "me@example.org";
  std::string password = "abc";
  std::string password2 = "abc";
  bool save = true;
};

QString ToQ(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQ(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

QLineEdit& Edit(QWidget& box, int id) {
  auto* edit = box.findChild<QLineEdit*>(QString::number(id));
  if (edit == nullptr) throw std::runtime_error("no edit " + std::to_string(id));
  return *edit;
}

QAbstractButton& Button(QWidget& box, int id) {
  auto* button = box.findChild<QAbstractButton*>(QString::number(id));
  if (button == nullptr) throw std::runtime_error("no button " + std::to_string(id));
  return *button;
}

void Type(QWidget& box, const Typed& typed) {
  Edit(box, IDC_ACCOUNT_NAME).setText(ToQ(typed.name));
  Edit(box, IDC_SETUP_EMAIL).setText(ToQ(typed.email));
  Edit(box, IDC_SETUP_EMAIL2).setText(ToQ(typed.email2));
  Edit(box, IDC_SETUP_PASSWORD).setText(ToQ(typed.password));
  Edit(box, IDC_SETUP_PASSWORD2).setText(ToQ(typed.password2));
  static_cast<QCheckBox&>(Button(box, IDC_SAVE_PASSWORD)).setChecked(typed.save);
}

// What the controls show.
Typed Shown(QWidget& box) {
  return {FromQ(Edit(box, IDC_ACCOUNT_NAME).text()),
          FromQ(Edit(box, IDC_SETUP_EMAIL).text()),
          FromQ(Edit(box, IDC_SETUP_EMAIL2).text()),
          FromQ(Edit(box, IDC_SETUP_PASSWORD).text()),
          FromQ(Edit(box, IDC_SETUP_PASSWORD2).text()),
          static_cast<QCheckBox&>(Button(box, IDC_SAVE_PASSWORD)).isChecked()};
}

bool operator==(const Typed& a, const Typed& b) {
  return a.name == b.name && a.email == b.email && a.email2 == b.email2 &&
         a.password == b.password && a.password2 == b.password2 && a.save == b.save;
}

// A record's three fields, comparable and printable.
std::vector<std::string> Fields(const AccountRecord& record) {
  return {record.name, record.email, record.password};
}

// The two small dialogs the command shows have the same caption; their texts tell them apart.
enum class BoxKind { kOther, kDataError, kTerms };

BoxKind KindOf(QWidget& box) {
  for (QLabel* label : box.findChildren<QLabel*>()) {
    if (label->text().startsWith("There is a data error")) return BoxKind::kDataError;
    if (label->text().contains("Terms Of Service")) return BoxKind::kTerms;
  }
  return BoxKind::kOther;
}

// Presses `id` on the box itself and, once the box is gone, arms `next` for the box that
// follows it in the same command (an answerer armed earlier would take this box too).
ModalAnswerer PressThen(int id, std::optional<ModalAnswerer>& next,
                        std::function<ModalAnswerer()> arm, ModalAnswerer::Inspect inspect = {}) {
  return ModalAnswerer::Button(id, [id, &next, arm, inspect](QWidget& box) {
    if (inspect) inspect(box);
    Button(box, id).click();
    next.emplace(arm());
  });
}

QMessageBox::Icon IconOf(QWidget& box) {
  return static_cast<QMessageBox&>(box).icon();
}

std::string RequestLine(const std::string& request) {
  return request.substr(0, request.find("\r\n"));
}

// Fails the test and closes a box that nobody answers. The run's own safety net stays off while
// any answerer is armed, and the one that drives the setup dialog is armed for the whole
// showing, so a box the command was not expected to show would otherwise wait for ever.
class StrayBoxGuard {
 public:
  StrayBoxGuard() {
    m_timer.setInterval(100);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
  }

 private:
  static constexpr int kPollsToFail = 30;

  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    const bool setupDialog =
        modal != nullptr && modal->findChild<QLineEdit*>(QString::number(IDC_ACCOUNT_NAME));
    if (modal == nullptr || setupDialog || modal != m_seen.data()) {
      m_seen = modal;
      m_polls = 0;
      return;
    }
    if (++m_polls < kPollsToFail) return;
    auto* message = qobject_cast<QMessageBox*>(modal);
    ADD_FAILURE() << "a box nobody answered: '" << modal->windowTitle().toStdString() << "' "
                  << (message != nullptr ? message->text().toStdString() : std::string());
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(0);
    m_polls = 0;
  }

  QTimer m_timer;
  QPointer<QWidget> m_seen;
  int m_polls = 0;
};

constexpr const char* kNotCreated =
    "The account was not created. The registration request failed:\n";

class SetupDlgTest : public UiTest {
 protected:
  // Opens the dialog, runs `body` while it is open and closes it with Esc when it is still
  // open; returns how the showing ended.
  int Show(const std::function<void(QWidget&)>& body) {
    auto answer = ModalAnswerer::Escape(body);
    return m_dlg.DoModal();
  }

  // Presses Create New Account with the terms accepted.
  void CreateAccepted(QWidget& box) {
    auto terms = ModalAnswerer::Button(IDOK);
    Button(box, IDOK).click();
    EXPECT_TRUE(terms.Answered());
  }

  bool StoreExists() const { return std::filesystem::exists(m_storePath); }

  StrayBoxGuard m_strayBoxGuard;
  TempDir m_dir;
  const std::string m_storePath = m_dir.File("vxconfig.qdz");
  ScopedStorePath m_store{m_storePath};
  FakeHttpServer m_server;
  ScopedServiceHost m_host{"127.0.0.1:" + std::to_string(m_server.Port())};
  std::vector<int> m_exits;
  bool m_openAtExit = false;
  ScopedDesktopSeams m_seams{DesktopSeams{{}, {}, {}, [this](int status) {
                                            m_openAtExit = m_dlg.IsOpen();
                                            m_exits.push_back(status);
                                          }}};
  CSetupDlg m_dlg;
};

TEST_F(SetupDlgTest, RefusedValuesShowTheDataErrorBoxAndSendNothing) {
  struct Case {
    const char* what;
    Typed typed;
    bool sent;
  };
  const auto with = [](const std::function<void(Typed&)>& change) {
    Typed typed;
    change(typed);
    return typed;
  };
  const Case cases[] = {
      {"all fine", Typed{}, true},
      {"e-mails differ in case", with([](Typed& t) { t.email2 = "Me@example.org"; }), false},
      {"retyped e-mail has a trailing blank", with([](Typed& t) { t.email2 = "me@example.org "; }),
       false},
      {"passwords differ", with([](Typed& t) { t.password2 = "abC"; }), false},
      {"both e-mails empty", with([](Typed& t) { t.email = t.email2 = ""; }), false},
      {"both passwords empty", with([](Typed& t) { t.password = t.password2 = ""; }), false},
      {"no account name", with([](Typed& t) { t.name = ""; }), false},
      {"comma in the name", with([](Typed& t) { t.name = "home,work"; }), false},
      {"comma in the e-mail", with([](Typed& t) { t.email = t.email2 = "me,x@example.org"; }),
       false},
      {"CR in the name", with([](Typed& t) { t.name = "ho\rme"; }), false},
      {"LF in the e-mail", with([](Typed& t) { t.email = t.email2 = "me@exa\nmple.org"; }), false},
      {"CR in the password", with([](Typed& t) { t.password = t.password2 = "ab\rc"; }), false},
      {"LF in the password", with([](Typed& t) { t.password = t.password2 = "ab\nc"; }), false},
      {"NUL in the password",
       with([](Typed& t) { t.password = t.password2 = std::string("ab\0c", 4); }), false},
      {"blanks around both e-mail copies",
       with([](Typed& t) { t.email = t.email2 = " me@example.org "; }), true},
      {"comma and quote in the password",
       with([](Typed& t) { t.password = t.password2 = "a,b\"c"; }), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSetupDlg dialog;
    const std::size_t requestsBefore = m_server.Requests().size();
    const std::string fileBefore = ReadBytes(m_storePath);
    if (c.sent) m_server.AnswerWith(200, "<p>Welcome</p>");
    BoxKind shown = BoxKind::kOther;
    bool openAfter = false;
    auto setup = ModalAnswerer::Escape([&](QWidget& box) {
      Type(box, c.typed);
      ASSERT_EQ(Shown(box), c.typed);  // the edits hold exactly what the row types
      auto next = ModalAnswerer::Button(IDOK, [&](QWidget& inner) {
        shown = KindOf(inner);
        EXPECT_EQ(inner.parentWidget(), &box);
      });
      Button(box, IDOK).click();
      openAfter = box.isVisible();
    });
    const int result = dialog.DoModal();
    if (c.sent) {
      EXPECT_EQ(shown, BoxKind::kTerms);
      EXPECT_EQ(m_server.Requests().size(), requestsBefore + 1);
      EXPECT_EQ(result, IDOK);
    } else {
      EXPECT_EQ(shown, BoxKind::kDataError);
      EXPECT_EQ(m_server.Requests().size(), requestsBefore);
      EXPECT_EQ(ReadBytes(m_storePath), fileBefore);
      EXPECT_EQ(dialog.m_accounts.FirstFree(), 0);
      EXPECT_TRUE(openAfter);
      EXPECT_EQ(result, IDCANCEL);
    }
  }
}

TEST_F(SetupDlgTest, AnythingButAcceptingTheTermsEndsTheCommandSilently) {
  struct Case {
    const char* how;
    std::function<ModalAnswerer()> answer;
  };
  const Case cases[] = {
      {"Decline", [] { return ModalAnswerer::Button(IDCANCEL); }},
      {"Esc", [] { return ModalAnswerer::Escape(); }},
      {"close box", [] { return ModalAnswerer::CloseBox(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    const int result = Show([&](QWidget& box) {
      Type(box, Typed{});
      {
        ModalAnswerer terms = c.answer();
        Button(box, IDOK).click();
        EXPECT_TRUE(terms.Answered());
      }
      EXPECT_TRUE(box.isVisible());
      EXPECT_EQ(Shown(box), Typed{});
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_FALSE(StoreExists());
    EXPECT_EQ(m_dlg.m_accounts.FirstFree(), 0);
    EXPECT_EQ(m_dlg.m_accountName, "home");  // the press itself read the controls
  }
}

TEST_F(SetupDlgTest, ACreatedAccountIsRegisteredStoredKeptAndTheDialogCloses) {
  // A 2xx page is not read for meaning, not even one whose text is "Error".
  m_server.AnswerWith(200, "<html><body>Error</body></html>");
  const int result = Show([&](QWidget& box) {
    Type(box, Typed{"home", "me.x@example.org", "me.x@example.org", "abc", "abc", true});
    CreateAccepted(box);
    EXPECT_FALSE(box.isVisible());
  });
  EXPECT_EQ(result, IDOK);
  const std::vector<std::string> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(RequestLine(requests[0]),
            "GET /vexmora/registerclient.jsp?EMAIL=me.x%40example.org"
            "&EMAIL2=me.x%40example.org&PASSWORD=abc&PASSWORD2=abc&REGBUT=AGREE HTTP/1.0");
  EXPECT_EQ(ReadBytes(m_storePath), "home,me.x@example.org,klm\r\n");
  EXPECT_EQ(Fields(m_dlg.m_accounts.At(0)),
            (std::vector<std::string>{"home", "me.x@example.org", "abc"}));
  EXPECT_EQ(m_dlg.m_accounts.FirstFree(), 1);
}

TEST_F(SetupDlgTest, AnUnsavedPasswordStaysOutOfTheFileButInThePendingRecord) {
  m_server.AnswerWith(200, "ok");
  Typed typed;
  typed.save = false;
  EXPECT_EQ(Show([&](QWidget& box) {
              Type(box, typed);
              CreateAccepted(box);
            }),
            IDOK);
  EXPECT_EQ(m_dlg.m_savePassword, 0);
  EXPECT_EQ(ReadBytes(m_storePath), "home,me@example.org,\r\n");
  EXPECT_EQ(Fields(m_dlg.m_accounts.At(0)),
            (std::vector<std::string>{"home", "me@example.org", "abc"}));
}

TEST_F(SetupDlgTest, ASecondCreationShowsTheSameValuesAndAddsASecondLineAndRecord) {
  m_server.AnswerWith(200, "ok");
  m_server.AnswerWith(200, "ok");
  EXPECT_EQ(Show([&](QWidget& box) {
              Type(box, Typed{});
              CreateAccepted(box);
            }),
            IDOK);
  EXPECT_EQ(Show([&](QWidget& box) {
              EXPECT_EQ(Shown(box), Typed{});
              CreateAccepted(box);
            }),
            IDOK);
  const std::vector<std::string> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RequestLine(requests[1]), RequestLine(requests[0]));
  EXPECT_EQ(ReadBytes(m_storePath), "home,me@example.org,klm\r\nhome,me@example.org,klm\r\n");
  EXPECT_EQ(Fields(m_dlg.m_accounts.At(0)),
            (std::vector<std::string>{"home", "me@example.org", "abc"}));
  EXPECT_EQ(Fields(m_dlg.m_accounts.At(1)), Fields(m_dlg.m_accounts.At(0)));
  EXPECT_EQ(m_dlg.m_accounts.FirstFree(), 2);
}

TEST_F(SetupDlgTest, CancelKeepsTheValuesOfTheLastPress) {
  Typed pressed;
  pressed.email2 = "other@example.org";  // stopped by a check, yet read
  Typed cancelled{"work", "w@example.org", "w@example.org", "xyz", "xyz", false};
  EXPECT_EQ(Show([&](QWidget& box) {
              Type(box, pressed);
              auto dataError = ModalAnswerer::Button(IDOK);
              Button(box, IDOK).click();
            }),
            IDCANCEL);
  EXPECT_EQ(m_dlg.m_email2, "other@example.org");

  EXPECT_EQ(Show([&](QWidget& box) {
              EXPECT_EQ(Shown(box), pressed);
              Type(box, cancelled);
              Button(box, IDCANCEL).click();
            }),
            IDCANCEL);
  EXPECT_EQ(m_dlg.m_accountName, "home");
  EXPECT_EQ(m_dlg.m_savePassword, 1);

  Show([&](QWidget& box) { EXPECT_EQ(Shown(box), pressed); });
  EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(SetupDlgTest, AFailedRegistrationStoresNothingSaysWhyAndKeepsTheDialogOpen) {
  struct Case {
    const char* what;
    std::string host;
    std::string reasonHolds;
  };
  m_server.AnswerWith(500, "<h1>Internal error</h1>");
  const Case cases[] = {
      {"server error page", "127.0.0.1:" + std::to_string(m_server.Port()), "500"},
      {"connection refused", "127.0.0.1:" + std::to_string(FakeHttpServer::UnusedPort()), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedServiceHost host(c.host);
    std::optional<ModalAnswerer> failure;
    const int result = Show([&](QWidget& box) {
      Type(box, Typed{});
      {
        auto terms = PressThen(IDOK, failure, [] {
          return ModalAnswerer::Button(
              IDOK, [](QWidget& message) { EXPECT_EQ(IconOf(message), QMessageBox::Warning); });
        });
        Button(box, IDOK).click();
      }
      ASSERT_TRUE(failure.has_value());
      EXPECT_TRUE(failure->Answered());
      EXPECT_EQ(failure->Caption(), "Vexmora");
      const std::string text = failure->Text();
      EXPECT_EQ(text.rfind(kNotCreated, 0), 0u) << text;
      EXPECT_GT(text.size(), std::string(kNotCreated).size()) << "no reason given";
      EXPECT_NE(text.find(c.reasonHolds), std::string::npos) << text;
      EXPECT_TRUE(box.isVisible());
      EXPECT_EQ(Shown(box), Typed{});
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(StoreExists());
    EXPECT_EQ(m_dlg.m_accounts.FirstFree(), 0);
  }
  EXPECT_EQ(m_server.Requests().size(), 1u);
}

TEST_F(SetupDlgTest, AStoreFileHeldElsewhereIsReportedAndNothingIsKept) {
  HeldFile holder(m_storePath);
  std::string fileError;
  try {
    AccountStore(m_storePath).Append({"probe", "p@example.org", "p"}, true);
    FAIL() << "the held file took the line";
  } catch (const CFileException& error) {
    fileError = error.Message();
  }
  m_server.AnswerWith(200, "ok");
  std::optional<ModalAnswerer> report;
  const int result = Show([&](QWidget& box) {
    Type(box, Typed{});
    {
      auto terms = PressThen(IDOK, report, [] {
        return ModalAnswerer::Button(
            IDOK, [](QWidget& message) { EXPECT_EQ(IconOf(message), QMessageBox::Critical); });
      });
      Button(box, IDOK).click();
    }
    ASSERT_TRUE(report.has_value());
    EXPECT_TRUE(report->Answered());
    EXPECT_EQ(report->Text(), fileError);
    EXPECT_TRUE(box.isVisible());
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(m_server.Requests().size(), 1u);  // the request went out before the file failed
  EXPECT_EQ(m_dlg.m_accounts.FirstFree(), 0);
  EXPECT_TRUE(holder.Release());
  EXPECT_EQ(ReadBytes(m_storePath), "");
}

constexpr const char* kClearAllQuestion =
    "NOTICE!\n\nThis will erase all login information that appears in\nthe drop-down box. You "
    "will need to re-enter this\ninformation using the \"Create New Account\" button.\nYour "
    "actual account information on our servers is not\naffected in any way.\n\nAre you sure "
    "you want to do this?";

void ExpectTheClearAllQuestion(QWidget& box) {
  auto& message = static_cast<QMessageBox&>(box);
  EXPECT_EQ(message.icon(), QMessageBox::Question);
  EXPECT_EQ(message.buttons().size(), 2);
  ASSERT_NE(message.defaultButton(), nullptr);
  EXPECT_EQ(message.defaultButton()->objectName().toInt(), IDNO);
}

void ExpectOnlyAnOkButtonAndNoIcon(QWidget& box) {
  auto& message = static_cast<QMessageBox&>(box);
  EXPECT_EQ(message.icon(), QMessageBox::NoIcon);
  ASSERT_EQ(message.buttons().size(), 1);
  EXPECT_EQ(message.buttons().front()->objectName().toInt(), IDOK);
}

TEST_F(SetupDlgTest, ClearAllAnsweredNoChangesNothing) {
  WriteBytes(m_storePath, "home,me@example.org,klm\r\n");
  Show([&](QWidget& box) {
    auto question = ModalAnswerer::Enter(ExpectTheClearAllQuestion);  // Enter gives No
    Button(box, IDC_CLEAR_ALL).click();
    EXPECT_EQ(question.Caption(), "Are you sure?");
    EXPECT_EQ(question.Text(), kClearAllQuestion);
    EXPECT_TRUE(box.isVisible());
  });
  EXPECT_EQ(ReadBytes(m_storePath), "home,me@example.org,klm\r\n");
  EXPECT_TRUE(m_exits.empty());
}

TEST_F(SetupDlgTest, ClearAllWithoutAFileSaysSoAndTheProgramGoesOn) {
  Show([&](QWidget& box) {
    std::optional<ModalAnswerer> failure;
    {
      auto question = PressThen(
          IDYES, failure, [] { return ModalAnswerer::Button(IDOK, ExpectOnlyAnOkButtonAndNoIcon); },
          ExpectTheClearAllQuestion);
      Button(box, IDC_CLEAR_ALL).click();
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->Answered());
    EXPECT_EQ(failure->Caption(), "Error");
    EXPECT_EQ(failure->Text(),
              std::string("Erasing information failed. This should never happen. Please contact ") +
                  WebDomain);
    EXPECT_TRUE(box.isVisible());
  });
  EXPECT_TRUE(m_exits.empty());
}

TEST_F(SetupDlgTest, ClearAllWithAFileErasesItAndEndsTheProgramFromInsideTheDialog) {
  WriteBytes(m_storePath, "home,me@example.org,klm\r\n");
  Show([&](QWidget& box) {
    std::optional<ModalAnswerer> done;
    {
      auto question = PressThen(IDYES, done, [&] {
        return ModalAnswerer::Button(IDOK, [&](QWidget& message) {
          ExpectOnlyAnOkButtonAndNoIcon(message);
          EXPECT_FALSE(StoreExists());
          EXPECT_TRUE(m_exits.empty());  // the program ends only once the box is closed
        });
      });
      Button(box, IDC_CLEAR_ALL).click();
    }
    ASSERT_TRUE(done.has_value());
    EXPECT_TRUE(done->Answered());
    EXPECT_EQ(done->Caption(), "Ok");
    EXPECT_EQ(done->Text(),
              "All Vexmora login information stored on this computer has been erased.\nThis "
              "application must be restarted (to clear accounts loaded in memory), and will now "
              "exit");
  });
  EXPECT_EQ(m_exits, std::vector<int>{0});
  EXPECT_TRUE(m_openAtExit);
  EXPECT_FALSE(StoreExists());
}

}  // namespace

// A handler that waits for a slow request: the window goes on painting, input given meanwhile
// runs only once the handler is done, and what the work throws reaches the handler.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "platform/run_without_freezing.h"
#include "service/page_fetcher.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/ui_test.h"

namespace {

constexpr int kFetch = 201;
constexpr int kOther = 202;
constexpr int kFail = 203;

constexpr ControlTemplate kControls[] = {
    {ControlKind::kPushButton, kFetch, "Fetch", {5, 5, 50, 14}, kTabStop},
    {ControlKind::kPushButton, kOther, "Other", {60, 5, 50, 14}, kTabStop},
    {ControlKind::kPushButton, kFail, "Fail", {115, 5, 50, 14}, kTabStop},
};
constexpr DialogTemplate kTemplate{
    901, "Waiting", 170, 30, {"MS Sans Serif", 8}, kModalFrame | kSystemMenu, kControls};

class WaitingDlg : public CDialog {
 public:
  WaitingDlg();

  std::string m_url;
  std::vector<std::string> m_log;
  Page m_page;

  void OnFetch() {
    char piece[kPieceBufferSize];
    FetchLimits limits;
    limits.idleTimeout = std::chrono::milliseconds(600);
    m_page = RunWithoutFreezing(this, [&] { return FetchPage(m_url, piece, limits); });
    m_log.push_back("fetch returned");
  }
  void OnOther() { m_log.push_back("other clicked"); }
  void OnFail() {
    try {
      RunWithoutFreezing(this, [] { throw std::runtime_error("from the worker"); });
      m_log.push_back("no exception");
    } catch (const std::runtime_error& error) {
      m_log.push_back(error.what());
    }
  }

 private:
  static const EventEntry<WaitingDlg> kEvents[];
};

const EventEntry<WaitingDlg> WaitingDlg::kEvents[] = {
    {Notify::kClicked, kFetch, &WaitingDlg::OnFetch},
    {Notify::kClicked, kOther, &WaitingDlg::OnOther},
    {Notify::kClicked, kFail, &WaitingDlg::OnFail},
};

WaitingDlg::WaitingDlg() : CDialog(kTemplate) {
  SetEventTable(kEvents);
}

QPushButton* Button(QWidget& window, int id) {
  return window.findChild<QPushButton*>(QString::number(id));
}

class RunWithoutFreezingTest : public UiTest {};

TEST_F(RunWithoutFreezingTest, TheWindowGoesOnWhileInputWaitsForTheHandler) {
  FakeHttpServer server;
  // The status line comes at once, then nothing until the fetch gives up.
  server.Answer({"HTTP/1.0 200 OK\r\n\r\npart", true});
  WaitingDlg dialog;
  dialog.m_url = server.Url("/slow");
  auto closer = ModalAnswerer::Escape([&](QWidget& window) {
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    bool cursorBusy = false;
    QTimer::singleShot(200, [&] {
      cursorBusy = QApplication::overrideCursor() != nullptr &&
                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      QTest::mouseClick(Button(window, kOther), Qt::LeftButton);
    });
    Button(window, kFetch)->click();
    EXPECT_EQ(dialog.m_log, std::vector<std::string>{"fetch returned"});
    EXPECT_GE(ticks, 10);  // the timer went on firing while the fetch waited
    EXPECT_TRUE(cursorBusy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dialog.m_page.failed);  // it went quiet

    // The click given during the wait is handled now, after the handler returned.
    QTRY_COMPARE(dialog.m_log.size(), std::size_t{2});
    EXPECT_EQ(dialog.m_log.back(), "other clicked");
  });
  dialog.DoModal();
}

TEST_F(RunWithoutFreezingTest, WhatTheWorkThrowsReachesTheHandler) {
  WaitingDlg dialog;
  auto closer = ModalAnswerer::Escape([&](QWidget& window) {
    Button(window, kFail)->click();
    EXPECT_EQ(dialog.m_log, std::vector<std::string>{"from the worker"});
  });
  dialog.DoModal();
}

TEST(RunWithoutFreezingResultTest, GivesBackWhatTheWorkReturns) {
  EXPECT_EQ(RunWithoutFreezing(nullptr, [] { return std::string("result"); }), "result");
  int runs = 0;
  RunWithoutFreezing(nullptr, [&] { ++runs; });
  EXPECT_EQ(runs, 1);
}

}  // namespace

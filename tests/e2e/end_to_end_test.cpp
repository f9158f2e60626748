// The real program on a desktop of its own against the real service stand-in, used the way a
// person uses it: keys and clicks through the X server, the result read from the clipboard,
// the account file, the stand-in's state and the URL handed to the browser.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "service/page_fetcher.h"
#include "tests/support/desktop_session.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kWaitMs = 15000;
constexpr char kMailDomain[] = VEXMORA_E2E_MAIL_DOMAIN;

// The loopback port the test build of the program sends its requests to; 0 when it was built
// against another host, which these tests cannot stand in for.
int ServicePort() {
  const std::string host = VEXMORA_E2E_HOST;
  const std::string prefix = "127.0.0.1:";
  if (host.rfind(prefix, 0) != 0) return 0;
  return std::atoi(host.c_str() + prefix.size());
}

bool Answers(int port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected =
      ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(socket);
  return connected;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

class EndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    m_port = ServicePort();
    if (m_port == 0) GTEST_SKIP() << "the program was built against " << VEXMORA_E2E_HOST;
    ASSERT_FALSE(Answers(m_port)) << "something already listens on port " << m_port;

    // Nothing of the user's is touched: the program and the stand-in keep their files here.
    for (const char* folder : {"home", "config", "state", "bin"}) {
      std::filesystem::create_directories(m_dir.Path() / folder);
    }
    ::setenv("HOME", m_dir.File("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", m_dir.File("config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", m_dir.File("state").c_str(), 1);
    // ./test.sh runs the headless tests on the offscreen platform; the real program must open
    // its window on this test's X server.
    ::unsetenv("QT_QPA_PLATFORM");
    // The browser: a recording xdg-open first on PATH.
    const std::string opener = m_dir.File("bin/xdg-open");
    WriteBytes(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + m_dir.File("opened.txt") + "'\n");
    ::chmod(opener.c_str(), 0755);
    const std::string path = m_dir.File("bin") + ":" + std::getenv("PATH");
    ::setenv("PATH", path.c_str(), 1);

    m_desktop = std::make_unique<DesktopSession>();
    m_sim = StartChild({VEXMORA_SERVICE_SIM, "--port", std::to_string(m_port), "--state",
                        m_dir.File("sim-state.json")},
                       m_dir.File("sim.log"));
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!Answers(m_port) && Clock::now() < deadline) std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(Answers(m_port)) << ReadBytes(m_dir.File("sim.log"));
  }

  void TearDown() override {
    if (HasFailure() && m_desktop) {
      const std::string picture = std::string(VEXMORA_E2E_OUTPUT) + "/" +
                                  testing::UnitTest::GetInstance()->current_test_info()->name() +
                                  "-failure.png";
      RunCommand({VEXMORA_SCREEN_GRAB, picture});
      std::cout << "Screen at the failure: " << picture << "\n"
                << "Program's output:\n" << ReadBytes(m_dir.File("client.log"))
                << "Stand-in's log:\n" << ReadBytes(m_dir.File("sim.log"));
    }
    if (m_client > 0) StopChild(m_client);
    if (m_sim > 0) {
      const int status = StopChild(m_sim);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "stand-in: " << status;
    }
    m_desktop.reset();
  }

  std::string StorePath() const { return m_dir.File("config/vexmora/vxconfig.qdz"); }
  std::string SimState() const { return ReadBytes(m_dir.File("sim-state.json")); }

  void StartClient() {
    m_client = StartChild({VEXMORA_CLIENT}, m_dir.File("client.log"));
    WaitForActiveWindow("Vexmora");
  }

  // The exit status of the program once it has ended by itself.
  int WaitForClientExit() {
    const int status = WaitChild(m_client, kWaitMs);
    if (status != -1) m_client = -1;
    return status;
  }

  static std::string Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    int status = -1;
    const std::string out = Trimmed(RunCommand(args, kWaitMs, &status));
    EXPECT_EQ(status, 0) << "xdotool " << args[1];
    return out;
  }
  static void Keys(const std::vector<std::string>& keys) {
    std::vector<std::string> args = {"key", "--clearmodifiers", "--delay", "60"};
    args.insert(args.end(), keys.begin(), keys.end());
    Xdotool(args);
    std::this_thread::sleep_for(150ms);
  }
  static void Type(const std::string& text) {
    Xdotool({"type", "--delay", "30", "--", text});
    std::this_thread::sleep_for(150ms);
  }

  // Waits until the active window has `name` and is not `other`; returns its id.
  std::string WaitForActiveWindow(const std::string& name, const std::string& other = {}) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    std::string id;
    std::string seen;
    while (Clock::now() < deadline) {
      int status = -1;
      id = Trimmed(RunCommand({"xdotool", "getactivewindow"}, 2000, &status));
      if (status == 0 && id != other) {
        seen = Trimmed(RunCommand({"xdotool", "getwindowname", id}, 2000));
        if (seen == name) {
          std::this_thread::sleep_for(300ms);  // let it take the keyboard
          return id;
        }
      }
      std::this_thread::sleep_for(100ms);
    }
    ADD_FAILURE() << "no active window '" << name << "'; the active one is '" << seen << "'";
    return {};
  }

  std::string WaitForOpenedUrl(std::size_t count) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    std::vector<std::string> urls;
    while (Clock::now() < deadline) {
      urls.clear();
      std::string all = ReadBytes(m_dir.File("opened.txt"));
      for (std::size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos;
           start = end + 1) {
        urls.push_back(all.substr(start, end - start));
      }
      if (urls.size() >= count) return urls[count - 1];
      std::this_thread::sleep_for(100ms);
    }
    ADD_FAILURE() << "the browser was not asked to open URL number " << count;
    return {};
  }

  TempDir m_dir;
  int m_port = 0;
  std::unique_ptr<DesktopSession> m_desktop;
  pid_t m_sim = -1;
  pid_t m_client = -1;
};

TEST_F(EndToEndTest, CreateAnAccountAnAddressViewTheLogRestartAndClearAll) {
  const std::string email = "jo@example.com";
  const std::string message = "bakery & co = 100% #1";
  StartClient();
  struct stat info{};
  ASSERT_EQ(::stat(StorePath().c_str(), &info), 0) << "the account file was not created";
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // Setup: the focus starts on the account list; four Tabs reach Setup past the disabled
  // address controls.
  Keys({"Tab", "Tab", "Tab", "Tab", "space"});
  const std::string setup = WaitForActiveWindow("Dialog");
  Type("Work");  // the focus starts on the account name
  Keys({"Tab"});
  Type(email);
  Keys({"Tab"});
  Type(email);
  Keys({"Tab"});
  Type("s3cret");
  Keys({"Tab"});
  Type("s3cret");
  Keys({"Tab", "space", "Return"});  // save the password; Create New Account
  WaitForActiveWindow("Dialog", setup);  // the terms
  Keys({"Return"});                      // Accept
  const std::string main = WaitForActiveWindow("Vexmora");
  ASSERT_FALSE(main.empty());
  EXPECT_EQ(ReadBytes(StorePath()), "Work," + email + ",}=m|o~\r\n");
  EXPECT_NE(SimState().find(email), std::string::npos) << SimState();

  // Back to the list (which brings the new account in), choose it, type the message and ask
  // for an address.
  Keys({"shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "Down"});
  Keys({"Tab", "Tab", "Tab"});
  Type(message);
  Keys({"Tab", "Tab", "space"});  // past the marked "Fwd:" to Create New Address
  const std::string box = WaitForActiveWindow("Dialog", main);
  ASSERT_FALSE(box.empty());
  int status = -1;
  const std::string address =
      RunCommand({"xclip", "-o", "-selection", "clipboard"}, kWaitMs, &status);
  ASSERT_EQ(status, 0);
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(address, parts, std::regex("([a-z0-9]{8})@(.*)"))) << address;
  EXPECT_EQ(parts[2].str(), kMailDomain);
  const std::string state = SimState();
  EXPECT_NE(state.find(parts[1].str()), std::string::npos) << state;
  EXPECT_NE(state.find(message), std::string::npos) << state;
  Keys({"Return"});  // closes the new address box
  WaitForActiveWindow("Vexmora");

  // View Log follows Create New Address; the browser gets the stand-in's log page.
  Keys({"Tab", "space"});
  const std::string logUrl = WaitForOpenedUrl(1);
  EXPECT_EQ(logUrl.rfind("http://127.0.0.1:" + std::to_string(m_port) +
                             "/vexmora/validate.jsp?username=jo%40example.com&password=s3cret",
                         0),
            0u)
      << logUrl;
  char piece[kPieceBufferSize];
  const Page page = FetchPage(logUrl, piece);
  EXPECT_FALSE(page.failed) << page.reason;
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.text.find(parts[1].str()), std::string::npos) << page.text;

  Keys({"Escape"});
  const int closed = WaitForClientExit();
  EXPECT_TRUE(WIFEXITED(closed) && WEXITSTATUS(closed) == 0) << closed;

  // A new start lists the account: choosing it and viewing the log opens its page.
  StartClient();
  Keys({"Down", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "space"});
  EXPECT_EQ(WaitForOpenedUrl(2), logUrl);

  // Clear ALL accounts: Setup, then Shift+Tab from the first edit wraps to the button; Yes is
  // not the default, so it is chosen with its key.
  Keys({"Tab", "space"});
  WaitForActiveWindow("Dialog");
  Keys({"shift+Tab", "space"});
  WaitForActiveWindow("Are you sure?");
  Keys({"alt+y"});
  WaitForActiveWindow("Ok");
  Keys({"Return"});
  const int cleared = WaitForClientExit();
  EXPECT_TRUE(WIFEXITED(cleared) && WEXITSTATUS(cleared) == 0) << cleared;
  EXPECT_FALSE(std::filesystem::exists(StorePath()));
}

}  // namespace

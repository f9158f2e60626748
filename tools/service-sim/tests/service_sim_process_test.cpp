// The real stand-in executable, started on a free loopback port and spoken to with the
// client's own page fetcher.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "service/page_fetcher.h"
#include "service/service_requests.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kBound = std::chrono::seconds(10);

// One run of the stand-in; its stdout comes through a pipe, its stderr goes to a file. The
// destructor kills it by PID if a test left it running.
class SimProcess {
 public:
  SimProcess(std::vector<std::string> args, const std::string& stderrPath) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    args.insert(args.begin(), VEXMORA_SERVICE_SIM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc =
        ::posix_spawn(&m_pid, VEXMORA_SERVICE_SIM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    m_stdout = out[0];
    if (rc != 0) throw std::runtime_error(std::string("cannot start: ") + std::strerror(rc));
  }
  ~SimProcess() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    ::close(m_stdout);
  }

  // The first line of standard output, or "" when none came within the bound.
  std::string FirstLine() {
    std::string line;
    const auto deadline = Clock::now() + kBound;
    while (Clock::now() < deadline) {
      pollfd p{m_stdout, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char c;
      if (::read(m_stdout, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return "";
  }

  // Exit status after the signal, or -1 when it did not end by itself within the bound.
  int Stop(int signal) {
    ::kill(m_pid, signal);
    return WaitForExit();
  }
  int WaitForExit() {
    const auto deadline = Clock::now() + kBound;
    while (Clock::now() < deadline) {
      int status = 0;
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  pid_t m_pid = -1;
  int m_stdout = -1;
};

std::string OnPort(std::string url, const std::string& port) {
  return url.replace(0, std::strlen("http://") + std::strlen(ServiceHost),
                     "http://127.0.0.1:" + port);
}

TEST(ServiceSimProcess, ServesTheClientOnAFreePortAndStopsCleanly) {
  ::setenv("no_proxy", "*", 1);
  TempDir dir;
  const std::string state = dir.File("sub/state.json");
  SimProcess sim({"--port", "0", "--state", state}, dir.File("stderr.txt"));
  const std::string port = sim.FirstLine();
  ASSERT_TRUE(std::regex_match(port, std::regex("[1-9][0-9]*"))) << port;

  char piece[kPieceBufferSize];
  const Page registered =
      FetchPage(OnPort(MakeRegisterUrl("a@b.c", "a@b.c", "se cret&", "se cret&"), port), piece);
  EXPECT_EQ(registered.status, 200) << registered.reason;
  const Page page =
      FetchPage(OnPort(MakeNewAddressUrl("a@b.c", "se cret&", "for Tom", "Fwd", ""), port), piece);
  ASSERT_EQ(page.status, 200) << page.reason;
  const std::string address = AddressFromReply(page.text);
  ASSERT_TRUE(std::regex_match(address, std::regex("[a-z0-9]{8}@" + std::string(MailDomain))))
      << address;
  const Page refused = FetchPage(OnPort(MakeViewLogUrl("a@b.c", "wrong"), port), piece);
  EXPECT_EQ(refused.status, 403);

  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_NE(ReadBytes(state).find("\"" + address.substr(0, 8) + "\""), std::string::npos);
  const std::string log = ReadBytes(dir.File("stderr.txt"));
  EXPECT_NE(log.find("GET /vexmora/registerclient.jsp 200"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /vexmora/generateaccountclient.jsp 200"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /vexmora/validate.jsp 403"), std::string::npos) << log;
  EXPECT_EQ(log.find("se cret"), std::string::npos) << "the log shows a password: " << log;
  EXPECT_NE(log.find("stopped on SIGTERM"), std::string::npos) << log;
}

TEST(ServiceSimProcess, StopsOnSigintAndKeepsQuietWhenTold) {
  TempDir dir;
  SimProcess sim({"--quiet", "--state", dir.File("state.json")}, dir.File("stderr.txt"));
  ASSERT_NE(sim.FirstLine(), "");
  EXPECT_EQ(sim.Stop(SIGINT), 0);
  EXPECT_EQ(ReadBytes(dir.File("stderr.txt")), "");
}

TEST(ServiceSimProcess, ReportsAPortInUse) {
  const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(holder, 1), 0);
  socklen_t length = sizeof address;
  ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string port = std::to_string(ntohs(address.sin_port));

  TempDir dir;
  SimProcess sim({"--port", port, "--state", dir.File("state.json")}, dir.File("stderr.txt"));
  EXPECT_EQ(sim.WaitForExit(), 1);
  ::close(holder);
  EXPECT_NE(ReadBytes(dir.File("stderr.txt")).find("cannot listen on 127.0.0.1:" + port),
            std::string::npos);
}

TEST(ServiceSimProcess, RefusesAStateFileAnotherStandInUses) {
  TempDir dir;
  SimProcess first({"--state", dir.File("state.json")}, dir.File("first.txt"));
  ASSERT_NE(first.FirstLine(), "");
  SimProcess second({"--state", dir.File("state.json")}, dir.File("second.txt"));
  EXPECT_EQ(second.WaitForExit(), 1);
  EXPECT_NE(ReadBytes(dir.File("second.txt")).find("in use by another stand-in"),
            std::string::npos);
  EXPECT_EQ(first.Stop(SIGTERM), 0);
}

}  // namespace

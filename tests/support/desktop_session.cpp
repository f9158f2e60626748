#include "tests/support/desktop_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStartTimeoutMs = 10000;

[[noreturn]] void ExecChild(const std::vector<std::string>& argv) {
  // Never outlive the test, whatever way it ends.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

int Remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

pid_t StartChild(const std::vector<std::string>& argv, const std::string& outputPath) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int out = ::open(outputPath.empty() ? "/dev/null" : outputPath.c_str(),
                           O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
    }
    const int none = ::open("/dev/null", O_RDONLY);
    if (none >= 0) ::dup2(none, STDIN_FILENO);
    ExecChild(argv);
  }
  return pid;
}

int WaitChild(pid_t pid, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0) return -1;
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int StopChild(pid_t pid, int graceMs) {
  if (pid <= 0) return -1;
  ::kill(pid, SIGTERM);
  int status = WaitChild(pid, graceMs);
  if (status == -1) {
    ::kill(pid, SIGKILL);
    status = WaitChild(pid, 5000);
  }
  return status;
}

std::string RunCommand(const std::vector<std::string>& argv, int timeoutMs, int* status) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    const int none = ::open("/dev/null", O_RDWR);
    if (none >= 0) {
      ::dup2(none, STDIN_FILENO);
      ::dup2(none, STDERR_FILENO);
    }
    ExecChild(argv);
  }
  ::close(out[1]);
  std::string text;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pollfd waiting{out[0], POLLIN, 0};
    const int ready = ::poll(&waiting, 1, Remaining(deadline));
    if (ready <= 0) break;
    char buffer[4096];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  int waited = WaitChild(pid, Remaining(deadline));
  if (waited == -1) waited = StopChild(pid, 500);
  if (status != nullptr) *status = waited;
  return text;
}

DesktopSession::DesktopSession() {
  int ready[2];
  if (::pipe(ready) != 0) throw std::runtime_error("pipe failed");
  m_server = ::fork();
  if (m_server < 0) throw std::runtime_error("fork failed");
  if (m_server == 0) {
    ::close(ready[0]);
    const int none = ::open("/dev/null", O_RDWR);
    ::dup2(none, STDIN_FILENO);
    ::dup2(none, STDOUT_FILENO);
    ::dup2(none, STDERR_FILENO);
    // Xvfb picks a free display itself and writes its number to the descriptor.
    ExecChild({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", "1024x768x24",
               "-nolisten", "tcp", "-noreset"});
  }
  ::close(ready[1]);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  std::string number;
  for (;;) {
    pollfd waiting{ready[0], POLLIN, 0};
    if (::poll(&waiting, 1, Remaining(deadline)) <= 0) break;
    char c;
    if (::read(ready[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(ready[0]);
  if (number.empty()) {
    StopChild(m_server);
    throw std::runtime_error("the X server did not start");
  }
  m_display = ":" + number;
  ::setenv("DISPLAY", m_display.c_str(), 1);
  ::unsetenv("WAYLAND_DISPLAY");

  m_windowManager = StartChild({"openbox", "--sm-disable"});
  // The window manager is ready once it has announced itself on the root window.
  while (Clock::now() < deadline) {
    const std::string answer =
        RunCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, Remaining(deadline));
    if (answer.find("window id") != std::string::npos) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  StopChild(m_windowManager);
  StopChild(m_server);
  throw std::runtime_error("the window manager did not start");
}

DesktopSession::~DesktopSession() {
  StopChild(m_windowManager);
  StopChild(m_server);
}

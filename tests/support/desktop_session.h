#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A desktop of the test's own: an X server (Xvfb) on a free display with a window manager
// (openbox) on it, so focus, activation, placement and the clipboard behave as on a user's
// desktop. Both are started by the constructor, stopped by their PIDs in the destructor, and
// die with the test process if it ends without it.
class DesktopSession {
 public:
  DesktopSession();
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // ":N", also put into the environment as DISPLAY.
  const std::string& Display() const { return m_display; }

 private:
  pid_t m_server = -1;
  pid_t m_windowManager = -1;
  std::string m_display;
};

// Starts `argv` as a child that ends when the test process ends; its output goes to
// `outputPath` (nothing when empty). Throws when it cannot be started.
pid_t StartChild(const std::vector<std::string>& argv, const std::string& outputPath = {});
// Ends `pid`: SIGTERM, then SIGKILL when it has not gone within `graceMs`. Returns its exit
// status as waitpid gives it, or -1.
int StopChild(pid_t pid, int graceMs = 2000);
// Waits up to `timeoutMs` for `pid` to end by itself; its wait status, or -1 on time-out.
int WaitChild(pid_t pid, int timeoutMs);
// Runs a command to its end (at most `timeoutMs`) and returns what it wrote to stdout.
std::string RunCommand(const std::vector<std::string>& argv, int timeoutMs = 5000,
                       int* status = nullptr);

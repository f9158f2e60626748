// vexmora-service-sim: a local stand-in for the Vexmora web service, for trying the client on
// this machine and for end-to-end tests. Serves the three pages on one address and port, keeps
// its accounts and addresses in one JSON file, logs one line per request to standard error.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "tools/service-sim/service_sim.h"

#ifndef VEXMORA_MAIL_DOMAIN
#error "VEXMORA_MAIL_DOMAIN must be set by the build"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: vexmora-service-sim [--port N] [--state FILE] [--listen ADDR] [--quiet]\n"
    "  --port N       port to listen on; 0 (the default) picks a free one.\n"
    "                 The port in use is printed on standard output, one line.\n"
    "  --state FILE   JSON file with the accounts and addresses\n"
    "                 (default $XDG_STATE_HOME/vexmora-service-sim/state.json)\n"
    "  --listen ADDR  address to listen on (default 127.0.0.1, loopback only)\n"
    "  --quiet        no log line per request\n";

struct Options {
  int port = 0;
  std::string state;
  std::string listen = "127.0.0.1";
  bool quiet = false;
};

[[noreturn]] void UsageError(const std::string& text) {
  std::cerr << "vexmora-service-sim: " << text << "\n" << kUsage;
  std::exit(2);
}

std::string DefaultStatePath() {
  std::filesystem::path base;
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') UsageError("neither XDG_STATE_HOME nor HOME is set");
    base = std::filesystem::path(home) / ".local" / "state";
  }
  return (base / "vexmora-service-sim" / "state.json").string();
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.erase(eq);
    }
    auto take = [&]() -> std::string {
      if (value) return *value;
      if (i + 1 >= argc) UsageError(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--port") {
      const std::string text = take();
      char* end = nullptr;
      const long port = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || port < 0 || port > 65535)
        UsageError("--port takes a number from 0 to 65535");
      options.port = static_cast<int>(port);
    } else if (arg == "--state") {
      options.state = take();
      if (options.state.empty()) UsageError("--state needs a file name");
    } else if (arg == "--listen") {
      options.listen = take();
    } else if (arg == "--quiet" && !value) {
      options.quiet = true;
    } else if ((arg == "--help" || arg == "-h") && !value) {
      std::cout << kUsage;
      std::exit(0);
    } else {
      UsageError(std::string("unknown option ") + argv[i]);
    }
  }
  if (options.state.empty()) options.state = DefaultStatePath();
  return options;
}

// Log lines hold what clients sent; control characters must not start lines of their own.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

std::mutex g_logMutex;

void LogLine(const std::string& line) {
  const std::lock_guard<std::mutex> lock(g_logMutex);
  std::fputs((service_sim::UtcNow("%Y-%m-%dT%H:%M:%SZ") + " " + line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

// What the handler did, for the log line the server writes once the reply is sent; the logger
// runs on the thread that handled the request.
thread_local std::string t_note;

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);

  // Signals are taken by sigwait in the main thread only; every server thread inherits the mask.
  // A shell starts background jobs with SIGINT ignored; a stand-in must still stop on it.
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigaddset(&stopSignals, SIGUSR1);  // the server thread ended by itself
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  std::error_code error;
  const std::filesystem::path stateFolder = std::filesystem::path(options.state).parent_path();
  if (!stateFolder.empty() && !std::filesystem::exists(stateFolder, error)) {
    std::filesystem::create_directories(stateFolder, error);
    if (!error) ::chmod(stateFolder.c_str(), 0700);  // the state holds passwords
  }

  // One stand-in per state file: a second one would overwrite what the first one writes.
  const std::string lockPath = options.state + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    std::cerr << "vexmora-service-sim: " << options.state
              << (lock < 0 ? " cannot be locked: " + std::string(std::strerror(errno))
                           : " is in use by another stand-in")
              << "\n";
    return 1;
  }

  std::optional<service_sim::ServiceSim> sim;
  try {
    sim.emplace(options.state, VEXMORA_MAIL_DOMAIN);
  } catch (const std::exception& e) {
    std::cerr << "vexmora-service-sim: " << e.what() << "\n";
    return 1;
  }

  httplib::Server server;
  server.set_keep_alive_timeout(1);
  server.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
    const service_sim::Reply reply = sim->HandleTarget(request.target);
    response.status = reply.status;
    response.set_content(reply.body, "text/html; charset=utf-8");
    t_note = reply.note;
  });
  server.set_logger([&](const httplib::Request& request, const httplib::Response& response) {
    std::string note;
    note.swap(t_note);
    if (options.quiet) return;
    // The path only: queries carry passwords.
    LogLine(Printable(request.remote_addr + " " + request.method + " " + request.path + " " +
                      std::to_string(response.status) + (note.empty() ? "" : " " + note)));
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.listen);
  } else if (!server.bind_to_port(options.listen, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "vexmora-service-sim: cannot listen on " << options.listen << ":" << options.port
              << "\n";
    return 1;
  }
  std::atomic<bool> ended{false};
  std::thread serving([&] {
    server.listen_after_bind();
    ended = true;
    ::kill(::getpid(), SIGUSR1);
  });
  // stop() does nothing before the accept loop runs, so a signal may be taken only from then on;
  // the port line tells a script that the stand-in is ready.
  while (!server.is_running() && !ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::cout << port << std::endl;
  if (!options.quiet)
    LogLine("listening on http://" + options.listen + ":" + std::to_string(port) + "/, state in " +
            options.state);
  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.stop();
  serving.join();
  if (signal == SIGUSR1) {
    std::cerr << "vexmora-service-sim: the server stopped unexpectedly\n";
    return 1;
  }
  if (!options.quiet)
    LogLine(signal == SIGINT    ? "stopped on SIGINT"
            : signal == SIGTERM ? "stopped on SIGTERM"
                                : "stopped on SIGHUP");
  return 0;
}

// Starts a program on the X display in $DISPLAY and measures the time until its window with a
// given caption is mapped, and the program's resident memory at that moment; then ends it.
// Runs `vexmora` and the bare Qt dialog floor in turn and prints two figure lines.
// Usage: vexmora_startup_probe VEXMORA FLOOR [REPETITIONS]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Shown {
  double ms;
  long rssKiB;
  int width, height;
};

std::string Caption(Display* display, Window window) {
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string caption;
  if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    caption.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (!caption.empty()) return caption;
  }
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name != nullptr) {
    caption = name;
    XFree(name);
  }
  return caption;
}

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

void Stop(pid_t pid) {
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
    ::usleep(10000);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

// Starts `argv` and waits (at most 20 s) for a top-level window captioned `caption` to map.
std::optional<Shown> Measure(Display* display, const std::vector<std::string>& args,
                             const std::string& caption) {
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, True);
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  std::optional<Shown> shown;
  const int fd = ConnectionNumber(display);
  while (!shown && Clock::now() - start < std::chrono::seconds(20)) {
    while (XPending(display) > 0 && !shown) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify) continue;
      const Window window = event.xmap.window;
      if (Caption(display, window) != caption) continue;
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      XWindowAttributes attributes;
      XGetWindowAttributes(display, window, &attributes);
      shown = Shown{ms, ResidentKiB(pid), attributes.width, attributes.height};
    }
    if (shown) break;
    fd_set read;
    FD_ZERO(&read);
    FD_SET(fd, &read);
    timeval wait{0, 20000};
    ::select(fd + 1, &read, nullptr, nullptr, &wait);
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return std::nullopt;  // ended without a window
  }
  XSelectInput(display, root, NoEventMask);
  Stop(pid);
  return shown;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s VEXMORA FLOOR [REPETITIONS]\n", argv[0]);
    return 2;
  }
  const int repetitions = argc > 3 ? std::max(3, std::atoi(argv[3])) : 21;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "cannot open the X display\n");
    return 1;
  }
  const std::string vexmora = argv[1], floor = argv[2];
  // A first run finds the size of the main window, which the floor then takes.
  const auto first = Measure(display, {vexmora}, "Vexmora");
  if (!first) {
    std::printf("start-up: skipped, %s showed no window captioned \"Vexmora\" within 20 s\n",
                vexmora.c_str());
    return 1;
  }
  const std::vector<std::string> floorArgs = {floor, std::to_string(first->width),
                                              std::to_string(first->height), "Floor dialog"};
  Measure(display, floorArgs, "Floor dialog");
  std::vector<double> pt, ft, pm, fm, timeRatios, memoryRatios;
  for (int rep = 0; rep < repetitions; ++rep) {
    std::optional<Shown> p, f;
    if (rep % 2 == 0) {
      p = Measure(display, {vexmora}, "Vexmora");
      f = Measure(display, floorArgs, "Floor dialog");
    } else {
      f = Measure(display, floorArgs, "Floor dialog");
      p = Measure(display, {vexmora}, "Vexmora");
    }
    if (!p || !f) {
      std::printf("start-up: skipped, a run showed no window\n");
      return 1;
    }
    pt.push_back(p->ms);
    ft.push_back(f->ms);
    pm.push_back(static_cast<double>(p->rssKiB));
    fm.push_back(static_cast<double>(f->rssKiB));
    timeRatios.push_back(p->ms / f->ms);
    memoryRatios.push_back(static_cast<double>(p->rssKiB) / static_cast<double>(f->rssKiB));
  }
  std::printf(
      "Start-up to the main window shown (%dx%d) vs a bare Qt dialog: project %.1f ms, floor "
      "%.1f ms, ratio %.2f (spread %.2f-%.2f over %d repetitions; target <= 1.2)\n",
      first->width, first->height, Median(pt), Median(ft), Median(pt) / Median(ft),
      Quantile(timeRatios, 0.25), Quantile(timeRatios, 0.75), repetitions);
  std::printf(
      "Resident memory when shown vs a bare Qt dialog: project %.0f KiB, floor %.0f KiB, ratio "
      "%.2f (spread %.2f-%.2f over %d repetitions; target <= 1.15)\n",
      Median(pm), Median(fm), Median(pm) / Median(fm), Quantile(memoryRatios, 0.25),
      Quantile(memoryRatios, 0.75), repetitions);
  XCloseDisplay(display);
  return 0;
}

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
  // Two floors: the bare dialog, and the same dialog with one line of text, which is the
  // least a window with text loads before it shows (the font configuration, a font, shaping).
  const std::vector<std::string> floorArgs = {floor, std::to_string(first->width),
                                              std::to_string(first->height), "Floor dialog"};
  std::vector<std::string> labelArgs = floorArgs;
  labelArgs.push_back("--label");
  Measure(display, floorArgs, "Floor dialog");
  struct Series {
    std::vector<double> ms, kib;
  };
  Series project, bare, labelled;
  std::vector<double> timeRatios, memoryRatios, labelTimeRatios, labelMemoryRatios;
  for (int rep = 0; rep < repetitions; ++rep) {
    // The order turns with each repetition, so that none of the three always runs first.
    std::optional<Shown> p, f, l;
    for (int turn = 0; turn < 3; ++turn) {
      switch ((rep + turn) % 3) {
        case 0:
          p = Measure(display, {vexmora}, "Vexmora");
          break;
        case 1:
          f = Measure(display, floorArgs, "Floor dialog");
          break;
        default:
          l = Measure(display, labelArgs, "Floor dialog");
          break;
      }
    }
    if (!p || !f || !l) {
      std::printf("start-up: skipped, a run showed no window\n");
      return 1;
    }
    const auto add = [](Series& series, const Shown& shown) {
      series.ms.push_back(shown.ms);
      series.kib.push_back(static_cast<double>(shown.rssKiB));
    };
    add(project, *p);
    add(bare, *f);
    add(labelled, *l);
    timeRatios.push_back(p->ms / f->ms);
    memoryRatios.push_back(static_cast<double>(p->rssKiB) / static_cast<double>(f->rssKiB));
    labelTimeRatios.push_back(p->ms / l->ms);
    labelMemoryRatios.push_back(static_cast<double>(p->rssKiB) / static_cast<double>(l->rssKiB));
  }
  const auto print = [&](const char* figure, const char* floorName, const char* unit,
                         const Series& floorSeries, bool time, const std::vector<double>& ratios,
                         const char* target) {
    const double mine = Median(time ? project.ms : project.kib);
    const double theirs = Median(time ? floorSeries.ms : floorSeries.kib);
    std::printf(
        "%s vs %s: project %.*f %s, floor %.*f %s, ratio %.2f (spread %.2f-%.2f over %d "
        "repetitions; %s)\n",
        figure, floorName, time ? 1 : 0, mine, unit, time ? 1 : 0, theirs, unit, mine / theirs,
        Quantile(ratios, 0.25), Quantile(ratios, 0.75), repetitions, target);
  };
  char shownFigure[96];
  std::snprintf(shownFigure, sizeof shownFigure, "Start-up to the main window shown (%dx%d)",
                first->width, first->height);
  print(shownFigure, "a bare Qt dialog", "ms", bare, true, timeRatios, "target <= 1.2");
  print("Resident memory when shown", "a bare Qt dialog", "KiB", bare, false, memoryRatios,
        "target <= 1.15");
  print(shownFigure, "the bare dialog with one label", "ms", labelled, true, labelTimeRatios,
        "information");
  print("Resident memory when shown", "the bare dialog with one label", "KiB", labelled, false,
        labelMemoryRatios, "information");
  XCloseDisplay(display);
  return 0;
}

// Each figure of the program measured beside its floor (the bare operation the figure cannot
// beat) in the same run, repetitions interleaved. Prints one line per figure:
//   name: project X, floor Y, ratio R (spread LO-HI over N repetitions; target T)
// where the ratio is the median project time over the median floor time and the spread is the
// range between the first and third quartile of the per-repetition ratios. It never judges the
// figures: the target is printed for the reader.
// Usage: vexmora_ratios [REPETITIONS] [TEXT]   (TEXT: only the figures whose name holds it)
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/floors.h"
#include "service/page_fetcher.h"
#include "store/account_store.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/name_list.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

// One measured operation: returns the nanoseconds of the part that counts, so set-up around it
// (a fresh table, a queued reply) stays out of the figure.
using Timed = std::function<double()>;

template <typename Body>
double TimeIt(Body&& body) {
  const auto start = Clock::now();
  body();
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  const double at = q * static_cast<double>(v.size() - 1);
  const auto lo = static_cast<std::size_t>(at);
  const std::size_t hi = std::min(lo + 1, v.size() - 1);
  return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

std::string Duration(double ns) {
  char text[32];
  if (ns >= 1e6) {
    std::snprintf(text, sizeof text, "%.3f ms", ns / 1e6);
  } else if (ns >= 1e3) {
    std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.1f ns", ns);
  }
  return text;
}

int g_repetitions = 21;
const char* g_only = nullptr;  // figures whose name holds this text; all when null

// Runs `project` and `floor` `perRep` times per repetition, alternating which goes first, and
// prints the figure's line. `bytes` (when not 0) adds the throughput of both.
void Figure(const char* name, const char* target, int perRep, const Timed& project,
            const Timed& floor, double bytes = 0) {
  if (g_only != nullptr && std::strstr(name, g_only) == nullptr) return;
  for (int i = 0; i < perRep; ++i) {  // warm caches and connections
    project();
    floor();
  }
  std::vector<double> projectTimes, floorTimes, ratios;
  for (int rep = 0; rep < g_repetitions; ++rep) {
    double p = 0, f = 0;
    for (int i = 0; i < perRep; ++i) {
      if ((rep + i) % 2 == 0) {
        p += project();
        f += floor();
      } else {
        f += floor();
        p += project();
      }
    }
    projectTimes.push_back(p / perRep);
    floorTimes.push_back(f / perRep);
    ratios.push_back(p / f);
  }
  const double p = Median(projectTimes), f = Median(floorTimes);
  std::string rate;
  if (bytes > 0) {
    char text[64];
    std::snprintf(text, sizeof text, " [%.2f GB/s vs %.2f GB/s]", bytes / p, bytes / f);
    rate = text;
  }
  std::printf(
      "%s: project %s, floor %s, ratio %.2f (spread %.2f-%.2f over %d repetitions; "
      "target %s)%s\n",
      name, Duration(p).c_str(), Duration(f).c_str(), p / f, Quantile(ratios, 0.25),
      Quantile(ratios, 0.75), g_repetitions, target, rate.c_str());
  std::fflush(stdout);
}

void StoreFigures() {
  TempDir dir;
  const AccountStore store(dir.File("vxconfig.qdz"));
  const std::string file = FullStoreFile();
  std::vector<char> buffer(64 * 1024);

  WriteBytes(store.Path(), file);
  Figure(
      "Load of 1000 accounts (44 kB) vs open+read+close", "<= 10", 20,
      [&] {
        AccountTable table;
        NameList list;
        list.names.reserve(kMaxAccounts);
        return TimeIt([&] { store.Load(table, list); });
      },
      [&] { return TimeIt([&] { BareRead(store.Path(), buffer); }); });

  // The same with the table and list made and freed inside the time, as start-up pays them.
  Figure(
      "Load of 1000 accounts with the table made and freed, vs open+read+close", "none", 20,
      [&] {
        return TimeIt([&] {
          AccountTable table;
          NameList list;
          store.Load(table, list);
        });
      },
      [&] { return TimeIt([&] { BareRead(store.Path(), buffer); }); });

  const std::string empty = dir.File("empty.qdz");
  WriteBytes(empty, "");
  const AccountStore emptyStore(empty);
  Figure(
      "Load of an empty file vs open+read+close", "about 1", 200,
      [&] {
        AccountTable table;
        NameList list;
        return TimeIt([&] { emptyStore.Load(table, list); });
      },
      [&] { return TimeIt([&] { BareRead(empty, buffer); }); });

  const std::string bare = dir.File("bare.qdz");
  const std::string line = "Bob,bob@example.org,}o|mo~\r\n";
  Figure(
      "Append one account vs open+write+fsync+close", "about 1", 20,
      [&] { return TimeIt([&] {
              store.Append({"Bob", "bob@example.org", "secret"}, true);
            }); },
      [&] { return TimeIt([&] { BareAppend(bare, line); }); });
}

// RemoveMarkup over a batch of pieces in place against memcpy of the same pieces; the batch is
// restored between measurements, outside the time.
void MarkupFigure(const char* name, const char* target, const std::string& piece) {
  constexpr int kBatch = 64;
  const std::size_t stride = piece.size() + 1;
  std::vector<char> work(kBatch * stride), copy(kBatch * stride);
  const auto restore = [&] {
    for (int i = 0; i < kBatch; ++i) std::memcpy(&work[i * stride], piece.c_str(), stride);
  };
  restore();
  Figure(
      name, target, 50,
      [&] {
        restore();
        return TimeIt([&] {
                 for (int i = 0; i < kBatch; ++i) {
                   ResetMarkupState();
                   RemoveMarkup(&work[i * stride]);
                 }
               }) /
               kBatch;
      },
      [&] {
        return TimeIt([&] {
                 for (int i = 0; i < kBatch; ++i) {
                   std::memcpy(&copy[i * stride], &work[i * stride], piece.size());
                   asm volatile("" : : "r"(copy.data()) : "memory");
                 }
               }) /
               kBatch;
      },
      static_cast<double>(piece.size()));
}

void FetchFigure(const char* name, const char* target, std::size_t size, int perRep) {
  FakeHttpServer server;
  const std::string body = HtmlBody(size);
  const std::string url = server.Url("/page");
  char piece[kPieceBufferSize];
  Figure(
      name, target, perRep,
      [&] {
        server.AnswerWith(200, body);
        return TimeIt([&] {
          if (FetchPage(url, piece).failed) std::abort();
        });
      },
      [&] {
        server.AnswerWith(200, body);
        return TimeIt([&] { BareGet(url); });
      },
      static_cast<double>(size));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_repetitions = std::max(3, std::atoi(argv[1]));
  if (argc > 2) g_only = argv[2];
  for (const char* name :
       {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    ::unsetenv(name);
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  StoreFigures();
  MarkupFigure("RemoveMarkup of 1 KiB HTML vs memcpy", "<= 10", HtmlBody(1021));
  MarkupFigure("RemoveMarkup of 1 KiB tag-free text vs memcpy", "<= 4", PlainText(1021));
  FetchFigure("FetchPage 200 B vs bare libcurl GET", "about 1", 200, 20);
  FetchFigure("FetchPage 64 KiB vs bare libcurl GET", "<= 1.3", 64 * 1024, 10);
  FetchFigure("FetchPage 1 MiB vs bare libcurl GET", "<= 1.3", 1 << 20, 5);
  return 0;
}

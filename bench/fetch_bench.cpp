#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "service/page_fetcher.h"
#include "tests/support/fake_http_server.h"

namespace {

std::string HtmlBody(std::size_t size) {
  std::string body;
  while (body.size() < size) body += "<tr><td class=\"x\">cell text</td></tr>\r\n";
  body.resize(size);
  return body;
}

void BM_RemoveMarkup(benchmark::State& state) {
  const std::string line = HtmlBody(1021);
  std::string work;
  for (auto _ : state) {
    work = line;
    ResetMarkupState();
    RemoveMarkup(work.data());
    benchmark::DoNotOptimize(work.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_RemoveMarkup);

// A whole fetch from a loopback server, for a small reply and for the largest one allowed.
void BM_FetchPage(benchmark::State& state) {
  ::unsetenv("http_proxy");
  ::unsetenv("all_proxy");
  FakeHttpServer server;
  const std::string body = HtmlBody(static_cast<std::size_t>(state.range(0)));
  char piece[kPieceBufferSize];
  for (auto _ : state) {
    server.AnswerWith(200, body);
    const Page page = FetchPage(server.Url("/page"), piece);
    if (page.failed) state.SkipWithError("fetch failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_FetchPage)->Arg(200)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

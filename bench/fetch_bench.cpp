#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/floors.h"
#include "service/page_fetcher.h"
#include "tests/support/fake_http_server.h"

namespace {

// A batch of pieces filtered in place; the batch is restored outside the time.
constexpr int kBatch = 64;

void BM_RemoveMarkup(benchmark::State& state, std::string piece) {
  const std::size_t stride = piece.size() + 1;
  std::vector<char> work(kBatch * stride);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) std::memcpy(&work[i * stride], piece.c_str(), stride);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBatch; ++i) {
      ResetMarkupState();
      RemoveMarkup(&work[i * stride]);
    }
    benchmark::ClobberMemory();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBatch * piece.size()));
}
BENCHMARK_CAPTURE(BM_RemoveMarkup, html, HtmlBody(1021))->UseManualTime();
BENCHMARK_CAPTURE(BM_RemoveMarkup, tag_free, PlainText(1021))->UseManualTime();

// Its floor: memcpy of the same bytes, batch for batch.
void BM_RemoveMarkupFloorMemcpy(benchmark::State& state) {
  const std::string piece = HtmlBody(1021);
  const std::size_t stride = piece.size() + 1;
  std::vector<char> from(kBatch * stride), to(kBatch * stride);
  for (int i = 0; i < kBatch; ++i) std::memcpy(&from[i * stride], piece.c_str(), stride);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      std::memcpy(&to[i * stride], &from[i * stride], piece.size());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBatch * piece.size()));
}
BENCHMARK(BM_RemoveMarkupFloorMemcpy);

// A whole fetch from a loopback server, for a small reply, a middling and the largest allowed.
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
BENCHMARK(BM_FetchPage)->Arg(200)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Its floor: a bare libcurl GET of the same reply from the same server.
void BM_FetchPageFloorBareGet(benchmark::State& state) {
  ::unsetenv("http_proxy");
  ::unsetenv("all_proxy");
  FakeHttpServer server;
  const std::string body = HtmlBody(static_cast<std::size_t>(state.range(0)));
  const std::string url = server.Url("/page");
  for (auto _ : state) {
    server.AnswerWith(200, body);
    BareGet(url);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_FetchPageFloorBareGet)
    ->Arg(200)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);

}  // namespace

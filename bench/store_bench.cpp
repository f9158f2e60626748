#include <string>

#include <benchmark/benchmark.h>

#include "store/account_store.h"
#include "tests/support/name_list.h"
#include "tests/support/temp_dir.h"

namespace {

// Start-up with a full account file: every line parsed, every name listed.
void BM_LoadFullStore(benchmark::State& state) {
  TempDir dir;
  const AccountStore store(dir.File("vxconfig.qdz"));
  std::string file;
  for (int i = 0; i < kMaxAccounts; ++i) {
    file +=
        "Account " + std::to_string(i) + ",someone" + std::to_string(i) + "@example.org,klmnop\r\n";
  }
  WriteBytes(store.Path(), file);
  for (auto _ : state) {
    AccountTable table;
    NameList list;
    store.Load(table, list);
    benchmark::DoNotOptimize(list.names.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LoadFullStore)->Unit(benchmark::kMillisecond);

void BM_AppendOneAccount(benchmark::State& state) {
  TempDir dir;
  const AccountStore store(dir.File("vxconfig.qdz"));
  for (auto _ : state) store.Append({"Bob", "bob@example.org", "secret"}, true);
}
BENCHMARK(BM_AppendOneAccount)->Unit(benchmark::kMicrosecond);

}  // namespace

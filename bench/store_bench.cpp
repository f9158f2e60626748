#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/floors.h"
#include "store/account_store.h"
#include "tests/support/name_list.h"
#include "tests/support/temp_dir.h"

namespace {

// Start-up with a full account file: every line parsed, every name listed.
void BM_LoadFullStore(benchmark::State& state) {
  TempDir dir;
  const AccountStore store(dir.File("vxconfig.qdz"));
  const std::string file = FullStoreFile();
  WriteBytes(store.Path(), file);
  for (auto _ : state) {
    AccountTable table;
    NameList list;
    store.Load(table, list);
    benchmark::DoNotOptimize(list.names.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LoadFullStore)->Unit(benchmark::kMicrosecond);

// Its floor: the same file opened, read and closed.
void BM_LoadFloorBareRead(benchmark::State& state) {
  TempDir dir;
  const std::string path = dir.File("vxconfig.qdz");
  const std::string file = FullStoreFile();
  WriteBytes(path, file);
  std::vector<char> buffer(64 * 1024);
  for (auto _ : state) BareRead(path, buffer);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LoadFloorBareRead)->Unit(benchmark::kMicrosecond);

void BM_AppendOneAccount(benchmark::State& state) {
  TempDir dir;
  const AccountStore store(dir.File("vxconfig.qdz"));
  for (auto _ : state) store.Append({"Bob", "bob@example.org", "secret"}, true);
}
BENCHMARK(BM_AppendOneAccount)->Unit(benchmark::kMicrosecond);

void BM_AppendFloorBareWrite(benchmark::State& state) {
  TempDir dir;
  const std::string path = dir.File("vxconfig.qdz");
  for (auto _ : state) BareAppend(path, "Bob,bob@example.org,}o|mo~\r\n");
}
BENCHMARK(BM_AppendFloorBareWrite)->Unit(benchmark::kMicrosecond);

}  // namespace

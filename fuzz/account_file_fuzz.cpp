// Loads arbitrary bytes as an account file and checks what the window relies on: list item i
// is table slot i, no listed account counts as a free slot, and nothing lands outside the table.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/account_store.h"
#include "tests/support/name_list.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TempDir dir;
  const AccountStore store(dir.File("vxconfig.qdz"));
  WriteBytes(store.Path(), std::string(reinterpret_cast<const char*>(data), size));
  AccountTable table;
  NameList list;
  store.Load(table, list);
  const int count = static_cast<int>(list.names.size());
  if (count > kMaxAccounts || table.FirstFree() != count) std::abort();
  for (int i = 0; i < count; ++i) {
    if (list.names[i] != table.At(i).name || table.At(i).name.empty()) std::abort();
  }
  return 0;
}

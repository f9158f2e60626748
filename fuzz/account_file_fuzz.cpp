// Reads arbitrary bytes as an account file, in memory, and checks them against the plain rule
// (split at LF, drop one CR, cut at the first two commas) and what the window relies on: list
// item i is table slot i, no listed account counts as a free slot, nothing lands outside the
// table, and a full table is reported.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "store/account_file.h"

namespace {

// One table for every run, emptied again after each: making a table of a thousand records
// costs more than reading most inputs.
AccountTable g_table;

// Checks each name as it is appended: it is the name of the slot with the item's index.
class CheckedList : public AccountList {
 public:
  void AppendName(const std::string& name) override {
    if (count >= kMaxAccounts || name.empty() || name != g_table.At(count).name) {
      Finding("list item is not its slot");
    }
    ++count;
  }
  int count = 0;
};

bool SamePassword(const std::string& loaded, std::string_view stored) {
  if (loaded.size() != stored.size()) return false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (static_cast<unsigned char>(loaded[i] + kPasswordShift) !=
        static_cast<unsigned char>(stored[i])) {
      return false;
    }
  }
  return true;
}

// Walks the lines by the plain rule, comparing each account with its slot; returns whether an
// account line was left over once the table was full.
bool CompareWithPlainRule(std::string_view bytes, int count) {
  int index = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t lf = bytes.find('\n', start);
    std::string_view line =
        bytes.substr(start, lf == std::string_view::npos ? bytes.npos : lf - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) {
      const std::size_t c1 = line.find(',');
      std::string_view name = line.substr(0, c1), email, password;
      if (c1 != std::string_view::npos) {
        const std::size_t c2 = line.find(',', c1 + 1);
        email = line.substr(c1 + 1, c2 == std::string_view::npos ? line.npos : c2 - c1 - 1);
        if (c2 != std::string_view::npos) password = line.substr(c2 + 1);
      }
      if (name.empty()) name = email;
      if (!name.empty()) {
        if (index == kMaxAccounts) return true;
        if (index >= count) Finding("an account of the file is missing");
        const AccountRecord& got = g_table.At(index);
        if (got.name != name || got.email != email || !SamePassword(got.password, password)) {
          Finding("record differs from the rule");
        }
        ++index;
      }
    }
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
  if (index != count) Finding("more accounts than the file holds");
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckedList list;
  const bool allFitted = ParseAccountFile(bytes, g_table, list);
  const int count = list.count;
  if (g_table.FirstFree() != count) Finding("listed accounts are not slots");
  if (allFitted == CompareWithPlainRule(bytes, count)) Finding("full table not reported");
  if (count < kMaxAccounts) {
    const AccountRecord& next = g_table.At(count);
    if (!next.name.empty() || !next.email.empty() || !next.password.empty()) {
      Finding("a free slot was written");
    }
  }
  for (int i = 0; i < count; ++i) g_table.Fill(i, {}, {}, {});
  return 0;
}

#pragma once

#include <array>
#include <string>
#include <string_view>

// One account. An empty `name` marks a free slot; an empty `password` means none is stored.
struct AccountRecord {
  std::string name, email, password;
};

inline constexpr int kMaxAccounts = 1000;

// What the table and the store need of the account list: an item appended at its end.
class AccountList {
 public:
  virtual ~AccountList() = default;
  virtual void AppendName(const std::string& name) = 0;
};

// A fixed array of kMaxAccounts records with no count of its own: a slot is free while its
// name is empty. Nothing is ever read or written outside the array.
class AccountTable {
 public:
  // The record at `index`; throws std::out_of_range outside 0..kMaxAccounts-1.
  const AccountRecord& At(int index) const;
  // The lowest index whose name is empty; kMaxAccounts when the table is full.
  int FirstFree() const;
  // The lowest index from `from` on whose name is empty; kMaxAccounts when there is none.
  int FirstFreeFrom(int from) const;
  // Writes all three fields into the first free slot. A full table drops the record and says
  // so on standard error.
  void Add(const std::string& name, const std::string& email, const std::string& password);
  // Writes all three fields into the free slot `index` (from FirstFreeFrom), reusing the
  // slot's storage; a caller filling many slots keeps its place instead of scanning again.
  void Fill(int index, std::string_view name, std::string_view email, std::string_view password);
  // Moves the leading run of named records of `pending` into consecutive slots from this
  // table's first free one, appending each name to `list`, and empties their names in
  // `pending`. Records that do not fit are dropped (and reported on standard error).
  void MergeFrom(AccountTable& pending, AccountList& list);

 private:
  std::array<AccountRecord, kMaxAccounts> m_records;
};

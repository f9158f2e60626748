#include "store/account_table.h"

#include <iostream>

namespace {

void ReportTableFull(const std::string& name) {
  std::cerr << "vexmora: the account table is full (" << kMaxAccounts << " accounts); account \""
            << name << "\" is not listed in this run\n";
}

}  // namespace

const AccountRecord& AccountTable::At(int index) const {
  return m_records.at(static_cast<std::size_t>(index));
}

int AccountTable::FirstFree() const {
  for (int i = 0; i < kMaxAccounts; ++i) {
    if (m_records[i].name.empty()) return i;
  }
  return kMaxAccounts;
}

void AccountTable::Add(const std::string& name, const std::string& email,
                       const std::string& password) {
  const int slot = FirstFree();
  if (slot == kMaxAccounts) {
    ReportTableFull(name);
    return;
  }
  m_records[slot] = AccountRecord{name, email, password};
}

void AccountTable::MergeFrom(AccountTable& pending, AccountList& list) {
  int count = 0;
  while (count < kMaxAccounts && !pending.m_records[count].name.empty()) ++count;
  const int first = FirstFree();
  for (int k = 0; k < count; ++k) {
    AccountRecord& source = pending.m_records[k];
    if (first + k < kMaxAccounts) {
      m_records[first + k] = source;
      list.AppendName(source.name);
    } else {
      ReportTableFull(source.name);
    }
    source.name.clear();
  }
}

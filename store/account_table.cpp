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
  return FirstFreeFrom(0);
}

int AccountTable::FirstFreeFrom(int from) const {
  for (int i = from < 0 ? 0 : from; i < kMaxAccounts; ++i) {
    if (m_records[i].name.empty()) return i;
  }
  return kMaxAccounts;
}

void AccountTable::Fill(int index, std::string_view name, std::string_view email,
                        std::string_view password) {
  AccountRecord& record = m_records.at(static_cast<std::size_t>(index));
  record.name.assign(name);
  record.email.assign(email);
  record.password.assign(password);
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

#pragma once

#include <string>

#include "platform/controls.h"
#include "store/account_table.h"

// Lets the account table and the account file append names to the main window's drop-down
// list, so an item's index stays the index of its record.
class ComboAccountList : public AccountList {
 public:
  explicit ComboAccountList(CComboBox& list) : m_list(list) {}
  void AppendName(const std::string& name) override { m_list.AddString(name); }

 private:
  CComboBox& m_list;
};

#pragma once

#include <string>
#include <vector>

#include "store/account_table.h"

// An account list that records the names appended to it.
class NameList : public AccountList {
 public:
  void AppendName(const std::string& name) override { names.push_back(name); }
  std::vector<std::string> names;
};

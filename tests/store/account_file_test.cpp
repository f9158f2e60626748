#include "store/account_file.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/name_list.h"

namespace {

using namespace std::string_literals;

TEST(ParseAccountFileTest, ReadsABufferWithoutAFile) {
  AccountTable table;
  NameList list;
  // NUL bytes are ordinary bytes of a field; only LF ends a line.
  EXPECT_TRUE(ParseAccountFile("a\0b,e\0@x,\x0B\xFF\r\n\nc,d"s, table, list));
  EXPECT_EQ(list.names, (std::vector<std::string>{"a\0b"s, "c"}));
  EXPECT_EQ(table.At(0).email, "e\0@x"s);
  EXPECT_EQ(table.At(0).password, "\x01\xF5"s);
  EXPECT_EQ(table.At(1).email, "d");
  EXPECT_EQ(table.FirstFree(), 2);
}

TEST(ParseAccountFileTest, GoesOnAfterTheRecordsATableHolds) {
  AccountTable table;
  table.Add("first", "f@x", "");
  NameList list;
  EXPECT_TRUE(ParseAccountFile("second,s@x,\n", table, list));
  EXPECT_EQ(table.At(0).name, "first");
  EXPECT_EQ(table.At(1).name, "second");
  EXPECT_EQ(list.names, std::vector<std::string>{"second"});
}

TEST(ParseAccountFileTest, SaysWhenTheTableIsFull) {
  std::string bytes;
  for (int i = 0; i < kMaxAccounts; ++i) bytes += "n" + std::to_string(i) + ",e,\n";
  for (const auto& [rest, allFitted] :
       {std::pair{""s, true}, std::pair{"\r\n\n"s, true}, std::pair{"late,e,\n"s, false}}) {
    AccountTable table;
    NameList list;
    EXPECT_EQ(ParseAccountFile(bytes + rest, table, list), allFitted) << rest;
    EXPECT_EQ(list.names.size(), static_cast<std::size_t>(kMaxAccounts));
    EXPECT_EQ(table.At(kMaxAccounts - 1).name, "n999");
  }
}

}  // namespace

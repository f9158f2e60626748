#include "store/account_table.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/name_list.h"

namespace {

using Names = std::vector<std::string>;

TEST(AccountTableTest, NewTableIsEmptyAndGuardsItsBounds) {
  AccountTable table;
  EXPECT_EQ(table.FirstFree(), 0);
  for (int i : {0, 500, kMaxAccounts - 1}) {
    const AccountRecord& r = table.At(i);
    EXPECT_TRUE(r.name.empty() && r.email.empty() && r.password.empty()) << i;
  }
  EXPECT_THROW(table.At(-1), std::out_of_range);
  EXPECT_THROW(table.At(kMaxAccounts), std::out_of_range);
}

TEST(AccountTableTest, AddWritesTheFirstFreeSlot) {
  AccountTable table;
  table.Add("A", "a@x", "pa");
  table.Add("B", "b@x", "");
  EXPECT_EQ(table.FirstFree(), 2);
  EXPECT_EQ(table.At(1).name, "B");
  EXPECT_EQ(table.At(1).email, "b@x");
  EXPECT_EQ(table.At(0).password, "pa");
}

TEST(AccountTableTest, MergeMovesPendingRecordsInCreationOrder) {
  AccountTable main;
  NameList list;
  main.Add("Loaded", "l@x", "");
  list.AppendName("Loaded");

  AccountTable pending;  // two visits to the setup dialog, no merge in between
  pending.Add("First", "f@x", "pf");
  pending.Add("Second", "s@x", "ps");
  main.MergeFrom(pending, list);

  EXPECT_EQ(list.names, (Names{"Loaded", "First", "Second"}));
  EXPECT_EQ(main.At(1).name, "First");
  EXPECT_EQ(main.At(2).name, "Second");
  EXPECT_EQ(main.At(2).password, "ps");
  EXPECT_EQ(main.FirstFree(), 3);
  // Only the names are emptied; the next account created goes to slot 0 again.
  EXPECT_EQ(pending.FirstFree(), 0);
  EXPECT_EQ(pending.At(1).email, "s@x");
  pending.Add("Third", "t@x", "pt");
  EXPECT_EQ(pending.At(0).name, "Third");
  EXPECT_EQ(pending.At(0).email, "t@x");
}

TEST(AccountTableTest, MergeWithNothingPendingChangesNothing) {
  AccountTable main;
  AccountTable pending;
  NameList list;
  main.Add("A", "a@x", "");
  main.MergeFrom(pending, list);
  EXPECT_TRUE(list.names.empty());
  EXPECT_EQ(main.FirstFree(), 1);
}

TEST(AccountTableTest, FullTableDropsWhatDoesNotFitAndSaysSo) {
  AccountTable main;
  for (int i = 0; i < kMaxAccounts - 1; ++i) main.Add("n" + std::to_string(i), "e", "");
  AccountTable pending;
  pending.Add("fits", "f@x", "");
  pending.Add("dropped1", "d@x", "");
  pending.Add("dropped2", "d@x", "");
  NameList list;

  testing::internal::CaptureStderr();
  main.MergeFrom(pending, list);
  main.Add("late", "l@x", "");
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(list.names, (Names{"fits"}));
  EXPECT_EQ(main.At(kMaxAccounts - 1).name, "fits");
  EXPECT_EQ(main.FirstFree(), kMaxAccounts);
  EXPECT_EQ(pending.FirstFree(), 0);  // nothing is left to be merged again
  EXPECT_NE(err.find("dropped1"), std::string::npos);
  EXPECT_NE(err.find("dropped2"), std::string::npos);
  EXPECT_NE(err.find("late"), std::string::npos);
}

}  // namespace

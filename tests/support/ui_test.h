#pragma once

#include <gtest/gtest.h>

#include "tests/support/modal_answerer.h"

// Base of every test that opens windows: none may be left behind.
class UiTest : public testing::Test {
 protected:
  void TearDown() override { ExpectNoTopLevelWindows(); }
};

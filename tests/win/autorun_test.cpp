// The Run value that starts the program with Windows.

#include "settings/autorun.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "base/program_paths.h"
#include "tests/win_test_util.h"

using testutil::RunValue;

TEST(AutoRun, AddsAndRemovesTheRunValue) {
  SetAutoRun(false);
  EXPECT_FALSE(RunValueExists());
  SetAutoRun(false);  // removing what is not there is no error, and changes nothing
  EXPECT_FALSE(RunValueExists());
  EXPECT_EQ(RunValue(), "<none>");

  SetAutoRun(true);
  EXPECT_TRUE(RunValueExists());
  EXPECT_EQ(RunValue(), RunValueFor(ProgramPath()));

  SetAutoRun(false);
  EXPECT_FALSE(RunValueExists());
  EXPECT_EQ(RunValue(), "<none>");
}

TEST(AutoRun, MissingRunKeyReadsAsOffAndIsCreatedWhenSwitchedOn) {
  // This prefix's Run key is the tests' own: take it away whole.
  RegDeleteTreeA(HKEY_CURRENT_USER, testutil::kRunKey);
  HKEY key;
  ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, testutil::kRunKey, 0, KEY_READ, &key), ERROR_SUCCESS) << "the Run key is gone";
  EXPECT_FALSE(RunValueExists());
  SetAutoRun(false);  // nothing to remove: no error, and no key made for it
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, testutil::kRunKey, 0, KEY_READ, &key), ERROR_SUCCESS);

  SetAutoRun(true);
  EXPECT_TRUE(RunValueExists());
  EXPECT_EQ(RunValue(), RunValueFor(ProgramPath()));
  SetAutoRun(false);
  EXPECT_FALSE(RunValueExists());
}

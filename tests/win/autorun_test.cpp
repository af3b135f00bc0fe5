// The Run value that starts the program with Windows.

#include "settings/autorun.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "base/program_paths.h"

namespace {

std::string ReadRunValue() {
  char value[4096] = "";
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return "<none>";
  }
  return value;
}

}  // namespace

TEST(AutoRun, AddsAndRemovesTheRunValue) {
  SetAutoRun(false);
  EXPECT_FALSE(RunValueExists());
  EXPECT_NO_THROW(SetAutoRun(false));  // removing what is not there is no error

  SetAutoRun(true);
  EXPECT_TRUE(RunValueExists());
  EXPECT_EQ(ReadRunValue(), RunValueFor(ProgramPath()));

  SetAutoRun(false);
  EXPECT_FALSE(RunValueExists());
  EXPECT_EQ(ReadRunValue(), "<none>");
}

TEST(AutoRun, MissingRunKeyReadsAsOffAndIsCreatedWhenSwitchedOn) {
  RegDeleteKeyA(HKEY_CURRENT_USER, kRunKeyPath);
  HKEY key;
  bool gone = RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS;
  if (!gone) RegCloseKey(key);
  if (gone) {
    EXPECT_FALSE(RunValueExists());
    EXPECT_NO_THROW(SetAutoRun(false));
  }
  SetAutoRun(true);
  EXPECT_TRUE(RunValueExists());
  SetAutoRun(false);
}

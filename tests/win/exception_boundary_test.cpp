// Errors that escape an event handler end in the log, never in a crash.

#include "app/exception_boundary.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/program_folder.h"
#include "settings/scheme.h"
#include "tests/win_test_util.h"

namespace {

std::string LogSince(size_t offset) {
  return testutil::ReadFileText(ProgramFolder() + "\\Log.txt").substr(offset);
}

}  // namespace

TEST(ExceptionBoundary, LogsTheMessageAndGoesOn) {
  size_t before = testutil::ReadFileText(ProgramFolder() + "\\Log.txt").size();
  SchemeList empty;
  int result = GuardHandler(-1, [&] {
    // The kind of error the program can meet: a current scheme that names no scheme.
    return empty.Scheme(empty.FindScheme("TypeWriter")).KeyboardEnabled ? 1 : 0;
  });
  EXPECT_EQ(result, -1);
  EXPECT_NE(LogSince(before).find(" Scheme list index out of bounds (-1)\r\n"), std::string::npos);

  EXPECT_EQ(GuardHandler(0, [] { return 7; }), 7);

  before = testutil::ReadFileText(ProgramFolder() + "\\Log.txt").size();
  GuardHandler(0, []() -> int { throw 42; });
  EXPECT_NE(LogSince(before).find(" Unknown error\r\n"), std::string::npos);
}

// Log.txt: one time-stamped line per call, appended, never fatal.

#include "app/log.h"

#include <gtest/gtest.h>

#include "app/program_folder.h"
#include "tests/win_test_util.h"

using testutil::Lines;
using testutil::ReadFileText;
using testutil::TempFolder;

namespace {

std::string Today() {
  char date[128];
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  return date;
}

}  // namespace

TEST(Log, CreatesThenAppendsStampedLines) {
  TempFolder dir;
  std::string path = dir / "Log.txt";
  ASSERT_TRUE(AppendLogLine(path, "----------Hook was started----------"));
  ASSERT_TRUE(AppendLogLine(path, ""));
  ASSERT_TRUE(AppendLogLine(path, "File C:\\x.wav not found"));

  std::string text = ReadFileText(path);
  std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind(Today() + " ", 0), 0u) << line;  // the date first
  }
  EXPECT_TRUE(lines[0].ends_with(" ----------Hook was started----------"));
  // An empty message leaves the date, the time and one trailing space.
  EXPECT_TRUE(lines[1].ends_with(" "));
  EXPECT_GT(lines[1].size(), Today().size() + 2);
  EXPECT_TRUE(lines[2].ends_with(" File C:\\x.wav not found"));
}

TEST(Log, UnwritableLogIsSkippedQuietly) {
  TempFolder dir;
  // A folder in the log's place cannot be opened as a file.
  std::string blocked = dir / "Log.txt";
  ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
  EXPECT_FALSE(AppendLogLine(blocked, "lost"));

  // A log held open without sharing by another program.
  std::string locked = dir / "Locked.txt";
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(AppendLogLine(locked, "lost"));
  CloseHandle(holder);
  EXPECT_TRUE(AppendLogLine(locked, "kept"));
  EXPECT_NE(ReadFileText(locked).find(" kept\r\n"), std::string::npos);

}

// WriteLog writes to the program's settings folder, and never throws even
// where it cannot write.
TEST(Log, WriteLogAppendsToTheLogOfTheSettingsFolder) {
  const std::string path = DataFolder() + "\\Log.txt";
  size_t before = testutil::LogSize(path);
  WriteLog("written beside the test program");
  std::vector<std::string> added = Lines(testutil::LogSince(path, before));
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].rfind(Today() + " ", 0), 0u) << added[0];
  EXPECT_TRUE(added[0].ends_with(" written beside the test program")) << added[0];
}

TEST(Log, AViewerHoldingTheLogDoesNotBlockIt) {
  TempFolder dir;
  std::string path = dir / "Log.txt";
  ASSERT_TRUE(AppendLogLine(path, "first"));
  HANDLE viewer = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(AppendLogLine(path, "second"));
  CloseHandle(viewer);
  EXPECT_EQ(Lines(ReadFileText(path)).size(), 2u);
}

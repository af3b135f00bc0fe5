#include "settings/ini_damage.h"

#include <gtest/gtest.h>

#include <string>

TEST(IniDamage, OrdinaryFilesHaveNoUnreadableLines) {
  EXPECT_EQ(CountUnreadableLines(""), 0u);
  EXPECT_EQ(CountUnreadableLines("; a note\r\n\r\n[Options]\r\nDeviceID=1\r\n  \tGlobalVolume=50\r\nkey\r\n"), 0u);
  EXPECT_EQ(CountUnreadableLines("[Options]\nDeviceID=1"), 0u) << "LF only, no final line break";
  EXPECT_EQ(CountUnreadableLines(std::string("\xFF\xFE[\0O\0", 6)), 0u) << "UTF-16 is read by other rules";
}

TEST(IniDamage, BinaryDataBrokenHeadersAndKeysOutsideSectionsAreCounted) {
  std::string garbage("\x01\x02\x00\x7F", 4);
  EXPECT_EQ(CountUnreadableLines(garbage + "\r\n" + garbage + "\r\n[Mechanical]\r\nkOther=a.wav\r\n"), 2u);
  EXPECT_EQ(CountUnreadableLines(garbage + "[Mechanical]\r\nkOther=a.wav\r\n"), 2u)
      << "a header hidden at the end of binary data, and its key";
  EXPECT_EQ(CountUnreadableLines("DeviceID=1\r\n[Options]\r\n"), 1u) << "a key before the first section";
  EXPECT_EQ(CountUnreadableLines("[Options\r\nDeviceID=1\r\n"), 2u) << "the header and the key it leaves outside";
  EXPECT_EQ(CountUnreadableLines("[A]\r\nx=1\r\n[B\r\ny=2\r\n"), 1u) << "inside an earlier section";
}

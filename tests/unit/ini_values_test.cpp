#include "settings/ini_values.h"

#include <gtest/gtest.h>

#include "tests/unit/fake_ini.h"

TEST(ValueParsing, DecimalAndHexadecimal) {
  EXPECT_EQ(ParseInteger("60"), 60);
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger(" 42 "), 42);
  EXPECT_EQ(ParseInteger("0x3C"), 60);
  EXPECT_EQ(ParseInteger("0X3c"), 60);
  EXPECT_EQ(ParseInteger("0x10"), 16);
  EXPECT_EQ(ParseInteger("0xFFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
}

TEST(ValueParsing, TextThatIsNoNumberGivesNothing) {
  for (const char* text : {"", " ", "abc", "12a", "0x", "0X", "0xG1", "1 2", "-", "0x1FFFFFFFF",
                           "2147483648", "-2147483649", "99999999999999999999"}) {
    EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
  }
}

TEST(ValueParsing, ReadersFallBackToTheirDefault) {
  FakeIni ini;
  ini.Set("S", "empty", "");
  ini.Set("S", "letters", "loud");
  ini.Set("S", "two", "2");
  ini.Set("S", "zero", "0");
  ini.Set("S", "hex", "0x3C");
  ini.Set("S", "big", "70000");
  ini.Set("S", "negative", "-1");

  EXPECT_EQ(ReadInteger(ini, "S", "missing", 5), 5);
  EXPECT_EQ(ReadInteger(ini, "S", "empty", 5), 5);
  EXPECT_EQ(ReadInteger(ini, "S", "letters", 5), 5);
  EXPECT_EQ(ReadInteger(ini, "S", "hex", 5), 60);

  EXPECT_TRUE(ReadBool(ini, "S", "two", false));
  EXPECT_FALSE(ReadBool(ini, "S", "zero", true));
  EXPECT_TRUE(ReadBool(ini, "S", "empty", true));
  EXPECT_TRUE(ReadBool(ini, "S", "letters", true));
  EXPECT_FALSE(ReadBool(ini, "S", "missing", false));

  // A 16-bit variable keeps the low 16 bits of what it is given.
  EXPECT_EQ(ReadWord(ini, "S", "big", 1), 70000 & 0xFFFF);
  EXPECT_EQ(ReadWord(ini, "S", "negative", 1), 0xFFFF);
  EXPECT_EQ(ReadWord(ini, "S", "letters", 49231), 49231);
}

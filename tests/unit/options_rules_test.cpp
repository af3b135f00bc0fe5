#include "ui/options_rules.h"

#include <gtest/gtest.h>

TEST(OptionsRules, StepFieldsAlwaysYieldOneToNinetyNine) {
  EXPECT_EQ(StepFieldValue("15", 10), 15);
  EXPECT_EQ(StepFieldValue(" 7 ", 10), 7);
  EXPECT_EQ(StepFieldValue("0", 10), 1);
  EXPECT_EQ(StepFieldValue("00", 10), 1);
  EXPECT_EQ(StepFieldValue("99", 10), 99);
  EXPECT_EQ(StepFieldValue("150", 10), 99);               // pasted past the two-character limit
  EXPECT_EQ(StepFieldValue("99999999999999999999", 10), 99);
  // Not a number: the previous step stays, itself brought into the range.
  EXPECT_EQ(StepFieldValue("", 12), 12);
  EXPECT_EQ(StepFieldValue("x", 12), 12);
  EXPECT_EQ(StepFieldValue("-5", 12), 12);
  EXPECT_EQ(StepFieldValue("1x", 12), 12);
  EXPECT_EQ(StepFieldValue("", 500), 99);
  EXPECT_EQ(StepFieldValue("", -3), 1);
}

TEST(OptionsRules, MarkerClickLiesBetweenFifteenAndFivePixelsLeftOfTheCaption) {
  // At 96 dpi: strictly between L-15 and L-5.
  EXPECT_FALSE(IsMarkerClick(85, 100, 96));
  EXPECT_TRUE(IsMarkerClick(86, 100, 96));
  EXPECT_TRUE(IsMarkerClick(94, 100, 96));
  EXPECT_FALSE(IsMarkerClick(95, 100, 96));
  EXPECT_FALSE(IsMarkerClick(101, 100, 96));  // on the caption
  // At 150 % the picture is half as wide again, and so is the band.
  EXPECT_TRUE(IsMarkerClick(78, 100, 144));
  EXPECT_FALSE(IsMarkerClick(77, 100, 144));
  EXPECT_FALSE(IsMarkerClick(93, 100, 144));
}

TEST(OutputLine, NamesTheDeviceThePeriodAndTheLatency) {
  EXPECT_EQ(OutputLine("Speakers (Realtek)", 10.0, 26), "Output: Speakers (Realtek), 10 ms period, about 26 ms latency");
  EXPECT_EQ(OutputLine("Headset", 5.333, 14), "Output: Headset, 5.3 ms period, about 14 ms latency");
  EXPECT_EQ(OutputLine("X", 2.96, 9), "Output: X, 3 ms period, about 9 ms latency");
}

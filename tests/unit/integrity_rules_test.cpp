#include "app/integrity_rules.h"

#include <gtest/gtest.h>

TEST(IntegrityRules, OnlyAHigherLevelHidesItsInput) {
  EXPECT_TRUE(InputHiddenFromUs(kIntegrityMedium, kIntegrityHigh)) << "an administrator console";
  EXPECT_TRUE(InputHiddenFromUs(kIntegrityMedium, kIntegritySystem));
  EXPECT_TRUE(InputHiddenFromUs(kIntegrityMedium, kIntegrityMediumPlus));
  EXPECT_FALSE(InputHiddenFromUs(kIntegrityMedium, kIntegrityMedium));
  EXPECT_FALSE(InputHiddenFromUs(kIntegrityMedium, kIntegrityLow)) << "a sandboxed browser tab";
  EXPECT_FALSE(InputHiddenFromUs(kIntegrityHigh, kIntegrityHigh)) << "we run elevated too";
  EXPECT_FALSE(InputHiddenFromUs(kIntegrityHigh, kIntegrityMedium));
  EXPECT_EQ(ElevatedNotice("cmd.exe"), "Quiet: cmd.exe runs as administrator");
}

#include "app/save_rules.h"

#include <gtest/gtest.h>

TEST(SaveRules, ChangesAreSavedAtOnceOrWhenTheGapSinceTheLastSaveIsOver) {
  EXPECT_EQ(SaveDelayMs(5000, 0), 0u) << "the first save waits for nothing";
  EXPECT_EQ(SaveDelayMs(5000, 4500), 1500u);
  EXPECT_EQ(SaveDelayMs(5000, 3000), 0u);
  EXPECT_EQ(SaveDelayMs(5000, 2000), 0u);
  EXPECT_EQ(SaveDelayMs(100, 0xFFFFFF00u), kSaveGapMs - 356) << "across the wrap of the tick count";
}

TEST(SaveRules, EachCauseIsToldOnceUntilTheFilesAreSavedAgain) {
  SaveProblemMemory memory;
  EXPECT_TRUE(memory.FirstTime("C:\\B\\config.cfg", 32));
  EXPECT_FALSE(memory.FirstTime("C:\\B\\config.cfg", 32)) << "the next try of the same cause";
  EXPECT_TRUE(memory.FirstTime("C:\\B\\config.cfg", 5)) << "another reason";
  EXPECT_TRUE(memory.FirstTime("C:\\B\\schemes.cfg", 32)) << "another file";
  memory.Saved();
  EXPECT_TRUE(memory.FirstTime("C:\\B\\config.cfg", 32));
}

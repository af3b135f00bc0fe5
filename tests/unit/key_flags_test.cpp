#include "hook/key_flags.h"

#include <gtest/gtest.h>

TEST(HookKeyFlags, ModifiersArriveAsGenericCodes) {
  EXPECT_EQ(GenericVirtualKey(0xA0), 16u);
  EXPECT_EQ(GenericVirtualKey(0xA1), 16u);
  EXPECT_EQ(GenericVirtualKey(0xA2), 17u);
  EXPECT_EQ(GenericVirtualKey(0xA3), 17u);
  EXPECT_EQ(GenericVirtualKey(0xA4), 18u);
  EXPECT_EQ(GenericVirtualKey(0xA5), 18u);
  EXPECT_EQ(GenericVirtualKey('A'), static_cast<uint32_t>('A'));
  EXPECT_EQ(GenericVirtualKey(0x5B), 0x5Bu);  // left Win stays itself
}

TEST(HookKeyFlags, PressRepeatAndReleaseBits) {
  KeyDownTracker tracker;
  LowLevelKey a{'A', 0x1E, false, false, false};

  uint32_t press = KeystrokeFlags(a, tracker.Update(a.vkCode, false));
  EXPECT_EQ(press, 0x001E0001u);

  uint32_t repeat = KeystrokeFlags(a, tracker.Update(a.vkCode, false));
  EXPECT_EQ(repeat, 0x401E0001u);

  a.released = true;
  uint32_t release = KeystrokeFlags(a, tracker.Update(a.vkCode, true));
  EXPECT_EQ(release, 0xC01E0001u);

  a.released = false;
  EXPECT_EQ(KeystrokeFlags(a, tracker.Update(a.vkCode, false)) & (3u << 30), 0u);
}

TEST(HookKeyFlags, LeftAndRightModifiersAreTrackedApart) {
  KeyDownTracker tracker;
  EXPECT_FALSE(tracker.Update(0xA0, false));  // left Shift down
  EXPECT_FALSE(tracker.Update(0xA1, false));  // right Shift down: a press of its own
  EXPECT_TRUE(tracker.Update(0xA0, false));   // left Shift repeats
  EXPECT_TRUE(tracker.Update(0xA1, true));    // right Shift up
  EXPECT_FALSE(tracker.Update(0xA1, false));
}

TEST(HookKeyFlags, ExtendedAndAltBits) {
  LowLevelKey del{0x2E, 0x53, true, true, false};
  uint32_t flags = KeystrokeFlags(del, false);
  EXPECT_NE(flags & (1u << 24), 0u);
  EXPECT_NE(flags & (1u << 29), 0u);
}

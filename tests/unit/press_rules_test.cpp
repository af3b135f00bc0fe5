#include "audio/press_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

TEST(PressVariation, StaysInItsRangeAndNeverRepeatsThePressBefore) {
  for (int level : {1, 4, 10}) {
    VariationGenerator generator(42);
    PressVariation last = generator.Next(level);
    std::set<long> pitches;
    for (int i = 0; i < 2000; ++i) {
      PressVariation next = generator.Next(level);
      EXPECT_LE(std::fabs(next.rate - 1.0), level * 0.005 + 1e-9) << level;
      EXPECT_LE(std::fabs(next.gainDb), level * 0.3 + 1e-9) << level;
      // An eighth of the range apart from the press before, in pitch and level.
      EXPECT_GE(std::fabs(next.rate - last.rate), level * 0.01 / 8 - 1e-9) << level;
      EXPECT_GE(std::fabs(next.gainDb - last.gainDb), level * 0.6 / 8 - 1e-9) << level;
      pitches.insert(std::lround(next.rate / kPitchStep));
      last = next;
    }
    EXPECT_EQ(pitches.size(), static_cast<size_t>(20 * level + 1)) << "every step of the range is reached";
  }
}

TEST(PressVariation, LevelZeroIsTheFileAsItIsAndASeedRepeatsItsSequence) {
  VariationGenerator plain(7);
  for (int i = 0; i < 10; ++i) {
    PressVariation v = plain.Next(0);
    EXPECT_EQ(v.rate, 1.0);
    EXPECT_EQ(v.gainDb, 0.0);
  }
  VariationGenerator a(99), b(99), c(100);
  bool differs = false;
  for (int i = 0; i < 20; ++i) {
    PressVariation x = a.Next(10), y = b.Next(10), z = c.Next(10);
    EXPECT_EQ(x.rate, y.rate);
    EXPECT_EQ(x.gainDb, y.gainDb);
    differs = differs || x.rate != z.rate;
  }
  EXPECT_TRUE(differs) << "another seed, another sequence";
  EXPECT_EQ(VariationLevel(-3), 0);
  EXPECT_EQ(VariationLevel(55), 10);
  EXPECT_EQ(VariedVolume(50, 0.0), 50);
  EXPECT_EQ(VariedVolume(50, 6.0206), 100);
  EXPECT_EQ(VariedVolume(90, 3.0), 100) << "never past full volume";
  EXPECT_EQ(VariedVolume(50, -3.0), 35);
}

TEST(KeyPanning, EveryKeyHasAPlaceAndLeftKeysLieLeftOfRightOnes) {
  for (uint32_t vk = 0; vk < 256; ++vk) {
    double pan = KeyPan(vk, 0);
    EXPECT_GE(pan, -kMaxPan) << vk;
    EXPECT_LE(pan, kMaxPan) << vk;
  }
  auto pan = [](uint32_t vk, uint32_t flags = 0) { return KeyPan(vk, flags); };
  constexpr uint32_t kExtended = 1u << 24;
  constexpr uint32_t kRightShiftScan = 0x36u << 16;
  EXPECT_NEAR(pan(0x20), 0.0, 1e-9) << "Space in the middle";
  for (uint32_t farLeft : {0x1Bu, 0x09u, 0x14u, 0x10u}) EXPECT_LT(pan(farLeft), -0.45) << farLeft;
  for (uint32_t farRight : {0x0Du, 0x08u, 0x2Eu, 0x25u, 0x27u, 0x60u, 0x6Bu}) EXPECT_GT(pan(farRight), 0.45) << farRight;
  EXPECT_GT(pan(0x10, kRightShiftScan), 0.45) << "the right Shift";
  EXPECT_GT(pan(0x11, kExtended), pan(0x11)) << "the right Ctrl";
  EXPECT_GT(pan(0x12, kExtended), pan(0x12)) << "the right Alt";
  // Along each row, from left to right.
  for (const char* row : {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"}) {
    for (int i = 1; row[i]; ++i) EXPECT_LT(pan(row[i - 1]), pan(row[i])) << row[i];
  }
  EXPECT_LT(pan('A'), pan('L'));
  EXPECT_LT(pan(0x70), pan(0x7B)) << "F1 left of F12";
}

// Variants: any at first, then never the one before while there are others,
// and every one in turn comes up.
TEST(PressRules, AVariantIsNeverTheOneBefore) {
  EXPECT_EQ(PickVariant(1, 0, 12345), 0u);
  EXPECT_EQ(PickVariant(1, 1, 12345), 0u);
  uint64_t random = 88172645463325252ull;
  size_t last = 5;  // none before
  std::vector<int> seen(5);
  for (int press = 0; press < 500; ++press) {
    random ^= random << 13;
    random ^= random >> 7;
    random ^= random << 17;
    const size_t next = PickVariant(5, last, random);
    ASSERT_LT(next, 5u);
    if (press > 0) {
      ASSERT_NE(next, last) << "press " << press;
    }
    ++seen[next];
    last = next;
  }
  for (int count : seen) EXPECT_GT(count, 60);
  EXPECT_EQ(PickVariant(2, 0, 0), 1u);
  EXPECT_EQ(PickVariant(2, 1, 7), 0u);
}

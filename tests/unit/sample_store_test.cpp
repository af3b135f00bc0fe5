#include "bass/sample_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

CachedDecode Entry(const std::wstring& key, size_t floats, uint64_t writeTime = 1) {
  auto data = std::make_shared<const StereoSamples>(std::vector<float>(floats, 0.5f), false);
  return CachedDecode{key, 100, writeTime, data, 44100, floats / 2};
}

}  // namespace

TEST(DecodeCache, KeepsAFileUntilItChangesAndLetsTheLeastRecentlyUsedGoFirst) {
  DecodeCache cache(3000 * sizeof(float));
  cache.Remember(Entry(L"A.WAV", 1000));
  cache.Remember(Entry(L"B.WAV", 1000));
  ASSERT_NE(cache.Find(L"A.WAV", 100, 1), nullptr);
  EXPECT_EQ(cache.Find(L"A.WAV", 100, 2), nullptr) << "written since: decoded afresh";
  EXPECT_EQ(cache.Find(L"A.WAV", 101, 1), nullptr) << "another size: decoded afresh";

  // A was used after B, so B goes when a third entry leaves no room.
  cache.Remember(Entry(L"C.WAV", 1500));
  EXPECT_EQ(cache.Find(L"B.WAV", 100, 1), nullptr);
  EXPECT_NE(cache.Find(L"A.WAV", 100, 1), nullptr);
  EXPECT_NE(cache.Find(L"C.WAV", 100, 1), nullptr);
  EXPECT_LE(cache.Bytes(), 3000 * sizeof(float));

  // The same file decoded again replaces its entry instead of adding one.
  cache.Remember(Entry(L"A.WAV", 500, 7));
  EXPECT_EQ(cache.Count(), 2u);
  EXPECT_EQ(cache.Find(L"A.WAV", 100, 1), nullptr);
  ASSERT_NE(cache.Find(L"A.WAV", 100, 7), nullptr);
  EXPECT_EQ(cache.Find(L"A.WAV", 100, 7)->stereo->Frames(), 250u);
}

TEST(DecodeCache, KeepsTheLatestFileEvenWhenItAloneIsOverBudget) {
  DecodeCache cache(100 * sizeof(float));
  cache.Remember(Entry(L"SMALL.WAV", 50));
  cache.Remember(Entry(L"HUGE.WAV", 10000));
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_NE(cache.Find(L"HUGE.WAV", 100, 1), nullptr);
  EXPECT_EQ(cache.Find(L"SMALL.WAV", 100, 1), nullptr);
}

TEST(SampleFigures, PeakAndOutlineStayWithinFullScaleAndPassOverNaN) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FLOAT_EQ(Peak({0.25f, -0.75f, nan, 0.5f}), 0.75f);
  EXPECT_FLOAT_EQ(Peak({3.0f, -0.1f}), 1.0f);
  EXPECT_FLOAT_EQ(Peak({}), 0.0f);

  // Four frames over two columns: each column is two frames of both channels.
  std::vector<float> stereo = {0.1f, -0.2f, 0.3f, 0.0f, -2.0f, 0.5f, 0.4f, 0.2f};
  float lowHigh[4];
  Outline(stereo, lowHigh, 2);
  EXPECT_FLOAT_EQ(lowHigh[0], -0.2f);
  EXPECT_FLOAT_EQ(lowHigh[1], 0.3f);
  EXPECT_FLOAT_EQ(lowHigh[2], -1.0f) << "clamped to full scale";
  EXPECT_FLOAT_EQ(lowHigh[3], 0.5f);

  // More columns than frames: each shows the frame it begins in.
  float many[16];
  Outline(stereo, many, 8);
  EXPECT_FLOAT_EQ(many[0], -0.2f);
  EXPECT_FLOAT_EQ(many[1], 0.1f);
  EXPECT_FLOAT_EQ(many[14], 0.2f);
  EXPECT_FLOAT_EQ(many[15], 0.4f);

  float silent[2] = {9.0f, 9.0f};
  Outline({}, silent, 1);
  EXPECT_EQ(silent[0], 0.0f);
  EXPECT_EQ(silent[1], 0.0f);
}

TEST(SampleFigures, SixteenBitDataTakesHalfTheRoomAndReadsAsItsFloat) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> values = {0.5f, -1.5f, 1.0f, nan, -0.25f, 0.1f};
  const StereoSamples narrow(values, true);
  const StereoSamples wide(values, false);
  EXPECT_EQ(narrow.Bytes(), values.size() * 2);
  EXPECT_EQ(wide.Bytes(), values.size() * 4);
  EXPECT_EQ(narrow.Frames(), 3u);
  ASSERT_EQ(narrow.View().stereo, nullptr);
  const int16_t* kept = narrow.View().stereo16;
  EXPECT_EQ(kept[0], 16384);
  EXPECT_EQ(kept[1], -32768) << "clipped at full scale";
  EXPECT_EQ(kept[2], 32767);
  EXPECT_EQ(kept[3], 0) << "NaN is silence";
  EXPECT_EQ(kept[5], 3277);

  EXPECT_FLOAT_EQ(Peak(narrow), 1.0f);
  float low[6], high[6];
  Outline(narrow, low, 3);
  Outline(wide, high, 3);
  for (size_t i : {0u, 4u, 5u}) EXPECT_NEAR(low[i], high[i], 1.0 / 32768) << "column value " << i;

  // The cache counts what the data takes.
  DecodeCache cache(4000);
  cache.Remember(CachedDecode{L"A.OGG", 1, 1, std::make_shared<const StereoSamples>(std::vector<float>(1000), true)});
  cache.Remember(CachedDecode{L"B.OGG", 1, 1, std::make_shared<const StereoSamples>(std::vector<float>(1000), true)});
  EXPECT_EQ(cache.Count(), 2u) << "two of 2000 bytes fit in 4000";
  EXPECT_EQ(cache.Bytes(), 4000u);
}

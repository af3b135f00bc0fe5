#include "bass/latency_ring.h"

#include <gtest/gtest.h>

TEST(LatencyRing, SummarisesTheMostRecentFiguresByNearestRank) {
  LatencyRing ring;
  EXPECT_EQ(ring.Summary().count, 0u);
  EXPECT_EQ(ring.Summary().p99, 0u);
  // 300 figures: only the last 256 (45..300) count.
  for (uint32_t i = 1; i <= 300; ++i) ring.Add(i);
  LatencySummary s = ring.Summary();
  EXPECT_EQ(s.count, 256u);
  EXPECT_EQ(s.max, 300u);
  EXPECT_EQ(s.p50, 45u + 127u);
  EXPECT_EQ(s.p99, 45u + 253u);
  std::vector<uint32_t> recent = ring.Recent();
  EXPECT_EQ(recent.front(), 45u);
  EXPECT_EQ(recent.back(), 300u);
}

TEST(LatencyRing, OneFigureIsEveryPercentile) {
  LatencySummary s = Summarise({700});
  EXPECT_EQ(s.count, 1u);
  EXPECT_EQ(s.p50, 700u);
  EXPECT_EQ(s.p99, 700u);
  EXPECT_EQ(s.max, 700u);
}

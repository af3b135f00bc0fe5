#include "bass/output_rules.h"

#include <gtest/gtest.h>

namespace {

struct FakeEndpoint {
  std::wstring id;
};

std::vector<std::wstring> Ids(const std::vector<FakeEndpoint>& endpoints) {
  std::vector<std::wstring> ids;
  for (const FakeEndpoint& e : endpoints) ids.push_back(e.id);
  return ids;
}

}  // namespace

TEST(DeviceOrder, TheDefaultOutputComesFirstAndTheRestKeepAStableOrder) {
  std::vector<FakeEndpoint> endpoints = {{L"{0.0.0}.{c}"}, {L"{0.0.0}.{a}"}, {L"{0.0.0}.{d}"}, {L"{0.0.0}.{b}"}};
  OrderEndpoints(endpoints, L"{0.0.0}.{d}");
  EXPECT_EQ(Ids(endpoints), (std::vector<std::wstring>{L"{0.0.0}.{d}", L"{0.0.0}.{a}", L"{0.0.0}.{b}",
                                                       L"{0.0.0}.{c}"}));
  // A headset plugged in becomes the default: it is device 1 now, and the
  // others keep their order behind it.
  endpoints.push_back({L"{0.0.0}.{0}"});
  OrderEndpoints(endpoints, L"{0.0.0}.{0}");
  EXPECT_EQ(Ids(endpoints), (std::vector<std::wstring>{L"{0.0.0}.{0}", L"{0.0.0}.{a}", L"{0.0.0}.{b}",
                                                       L"{0.0.0}.{c}", L"{0.0.0}.{d}"}));
  // No default known (or one that is not active): sorted by id.
  OrderEndpoints(endpoints, L"");
  EXPECT_EQ(Ids(endpoints).front(), L"{0.0.0}.{0}");
  OrderEndpoints(endpoints, L"{gone}");
  EXPECT_EQ(Ids(endpoints)[1], L"{0.0.0}.{a}");
}

TEST(OutputPeriod, AboutFiveMillisecondsInWholeFundamentalsWithinTheEnginesRange) {
  // 48 kHz with the usual 2.67 ms minimum (128 frames) and 10 ms default.
  EXPECT_EQ(NegotiatedPeriod(48000, 128, 128, 480), 256u) << "5.33 ms, the nearest multiple of 128 to 240";
  EXPECT_EQ(NegotiatedPeriod(48000, 48, 48, 480), 240u) << "exactly 5 ms";
  EXPECT_EQ(NegotiatedPeriod(44100, 1, 32, 441), 221u);
  EXPECT_EQ(NegotiatedPeriod(48000, 480, 480, 480), 480u) << "an engine that offers only 10 ms";
  EXPECT_EQ(NegotiatedPeriod(48000, 64, 320, 960), 320u) << "never below the minimum";
  EXPECT_EQ(NegotiatedPeriod(48000, 0, 100, 200), 200u) << "never above the maximum";
}

TEST(OutputRules, BluetoothIsKnownByEitherEnumeratorInAnyCase) {
  EXPECT_TRUE(IsBluetoothEnumerator(L"BTHENUM"));
  EXPECT_TRUE(IsBluetoothEnumerator(L"BthLEDevice"));
  EXPECT_FALSE(IsBluetoothEnumerator(L"BTHENUMX"));
  EXPECT_FALSE(IsBluetoothEnumerator(L"BTH"));
  EXPECT_FALSE(IsBluetoothEnumerator(L"USB"));
  EXPECT_FALSE(IsBluetoothEnumerator(L""));
}

TEST(OutputRules, ReopeningBacksOffToOneAttemptEveryTwoSeconds) {
  uint32_t delay = 0;
  std::vector<uint32_t> seen;
  for (int i = 0; i < 9; ++i) seen.push_back(delay = NextRetryDelay(delay));
  EXPECT_EQ(seen, (std::vector<uint32_t>{50, 100, 200, 400, 800, 1600, 2000, 2000, 2000}));
}

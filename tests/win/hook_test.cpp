// Hakdor.dll with a test window: input sent with SendInput arrives as posted
// hook messages with the codes and bits of classic keyboard messages.

#include "hook/hakdor.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/win_test_util.h"

namespace {

struct Event {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // the tick count when it was posted
};

std::vector<Event> received;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kHookKeyboardMessage || message == kHookMouseMessage || message == kHookActivityMessage) {
    received.push_back({message, wParam, lParam, static_cast<DWORD>(GetMessageTime())});
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HakdorTestWindow";
    RegisterClassA(&wc);
    window_ = CreateWindowA("HakdorTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    received.clear();
  }
  void TearDown() override {
    StopHook();
    DestroyWindow(window_);
  }

  static void Key(WORD vk, bool up) { testutil::SendKey(vk, up); }
  static void Button(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
  }
  static std::vector<Event> Keys() {
    std::vector<Event> keys;
    for (const Event& e : received) {
      if (e.message == kHookKeyboardMessage) keys.push_back(e);
    }
    return keys;
  }
  static size_t Count(UINT message) {
    size_t n = 0;
    for (const Event& e : received) n += e.message == message;
    return n;
  }
  static void Move(int dx) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
  }
  static DWORD LastInput() {
    LASTINPUTINFO info{sizeof info, 0};
    GetLastInputInfo(&info);
    return info.dwTime;
  }
  static bool WaitForKeys(size_t count) {
    return testutil::WaitFor([&] { return Keys().size() >= count; }, 5000);
  }

  HWND window_ = nullptr;
};

constexpr LPARAM kWasDown = 1 << 30;
constexpr LPARAM kReleased = static_cast<LPARAM>(1u << 31);

}  // namespace

TEST_F(HookTest, StartReportsItsState) {
  EXPECT_EQ(StartHook(window_), kHookStarted);
  EXPECT_EQ(StartHook(window_), kHookAlreadyStarted);
  EXPECT_TRUE(StopHook());
  EXPECT_FALSE(StopHook());
  EXPECT_EQ(StartHook(nullptr), kHookCannotStart);
  EXPECT_EQ(StartHook(window_), kHookStarted);
}

TEST_F(HookTest, KeysArriveWithClassicFlags) {
  ASSERT_EQ(StartHook(window_), kHookStarted);
  Key('A', false);
  Key('A', false);  // held: an auto-repeat
  Key('A', true);
  Key(VK_LSHIFT, false);
  Key(VK_LSHIFT, true);
  Key(VK_RCONTROL, false);
  Key(VK_RCONTROL, true);
  Key(VK_LMENU, false);
  Key(VK_LMENU, true);
  ASSERT_TRUE(WaitForKeys(9)) << Keys().size();
  std::vector<Event> keys = Keys();

  EXPECT_EQ(keys[0].wParam, WPARAM{'A'});
  EXPECT_EQ(keys[0].lParam & (kWasDown | kReleased), 0);
  EXPECT_EQ(keys[0].lParam & 0xFFFF, 1);  // repeat count
  EXPECT_EQ(keys[1].lParam & (kWasDown | kReleased), kWasDown);
  EXPECT_EQ(keys[2].lParam & (kWasDown | kReleased), kWasDown | kReleased);

  // Generic codes, never the left/right ones (160-165).
  EXPECT_EQ(keys[3].wParam, WPARAM{VK_SHIFT});
  EXPECT_EQ(keys[3].lParam & (kWasDown | kReleased), 0);
  EXPECT_EQ(keys[4].wParam, WPARAM{VK_SHIFT});
  EXPECT_EQ(keys[4].lParam & (kWasDown | kReleased), kWasDown | kReleased);
  EXPECT_EQ(keys[5].wParam, WPARAM{VK_CONTROL});
  EXPECT_EQ(keys[6].wParam, WPARAM{VK_CONTROL});
  EXPECT_EQ(keys[7].wParam, WPARAM{VK_MENU});
  EXPECT_EQ(keys[8].wParam, WPARAM{VK_MENU});
}

TEST_F(HookTest, ButtonsArriveAsTheirMessages) {
  ASSERT_EQ(StartHook(window_), kHookStarted);
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);
  Button(MOUSEEVENTF_RIGHTDOWN);
  Button(MOUSEEVENTF_RIGHTUP);
  std::vector<WPARAM> buttons;
  auto collect = [&] {
    buttons.clear();
    for (const Event& e : received) {
      if (e.message == kHookMouseMessage) buttons.push_back(e.wParam);
    }
    return buttons.size() >= 4;
  };
  ASSERT_TRUE(testutil::WaitFor(collect, 5000)) << buttons.size();
  EXPECT_EQ(buttons, (std::vector<WPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}));
}

TEST_F(HookTest, NothingArrivesAfterStop) {
  ASSERT_EQ(StartHook(window_), kHookStarted);
  Key('B', false);
  Key('B', true);
  ASSERT_TRUE(WaitForKeys(2));
  ASSERT_TRUE(StopHook());
  received.clear();
  Key('C', false);
  Key('C', true);
  testutil::WaitFor([] { return false; }, 300);
  EXPECT_TRUE(Keys().empty());
}

// The user's presence reaches the program at most once a second, mouse moves
// included, and never as one message per move.
TEST_F(HookTest, ActivityIsReportedAtMostOnceASecond) {
  ASSERT_EQ(StartHook(window_), kHookStarted);
  auto reports = [] {
    std::vector<DWORD> times;
    for (const Event& e : received) {
      if (e.message == kHookActivityMessage) times.push_back(e.time);
    }
    return times;
  };
  // Moves until a report comes (one from an earlier test may hold it back
  // for up to a second); the rest is timed from that report.
  ASSERT_TRUE(testutil::WaitFor(
      [&] {
        Move(1);
        Move(-1);
        return !reports().empty();
      },
      3000))
      << "moves are reported";
  const DWORD first = reports().front();
  // Moves for 1.6 s after that report, one every 10 ms (only the pace).
  while (GetTickCount() - first < 1600) {
    Move(1);
    Sleep(10);
    Move(-1);
    Sleep(10);
  }
  // Everything the moves posted is in once a later key is (one queue, in order).
  Key('E', false);
  Key('E', true);
  ASSERT_TRUE(WaitForKeys(2));
  std::vector<DWORD> times = reports();
  ASSERT_GE(times.size(), 2u) << "a second of moves is reported again";
  for (size_t i = 1; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - 1], 1000u) << "report " << i << " came too soon";
  }
  EXPECT_EQ(Count(kHookMouseMessage), 0u) << "moves are no button messages";

  // A key a second after the last report is reported again.
  const DWORD last = times.back();
  testutil::WaitFor([&] { return GetTickCount() - last >= 1000; }, 2000);
  received.clear();
  Key('F', false);
  Key('F', true);
  ASSERT_TRUE(WaitForKeys(2));
  EXPECT_EQ(Count(kHookActivityMessage), 1u) << "a key a second later is reported again";
}

// A hook that Windows starved or removed sees nothing, while Windows still
// counts the input; reinstalling brings the events back and forgets a key
// whose release was lost, so its next press is a press, not a repeat.
TEST_F(HookTest, AStarvedOrRemovedHookWorksAgainOnceReinstalled) {
  ASSERT_EQ(StartHook(window_), kHookStarted);
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);
  EXPECT_FALSE(HookTestFault(kHookFaultDropEvents)) << "the seam is off outside the tests";
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");
  for (DWORD fault : {kHookFaultDropEvents, kHookFaultUnhook}) {
    Key('E', false);  // held when the hook goes deaf: its release is lost
    ASSERT_TRUE(WaitForKeys(1));
    ASSERT_TRUE(HookTestFault(fault));
    DWORD heard = HookLastEventTime();
    Key('E', true);
    Sleep(50);
    Key('F', false);
    Key('F', true);
    testutil::WaitFor([] { return false; }, 300);
    EXPECT_EQ(Keys().size(), 1u) << "fault " << fault;
    EXPECT_EQ(HookLastEventTime(), heard);
    EXPECT_GE(static_cast<LONG>(LastInput() - heard), 0) << "Windows saw the input";

    ASSERT_TRUE(ReinstallHook());
    received.clear();
    Key('E', false);
    Key('E', true);
    ASSERT_TRUE(WaitForKeys(2)) << "fault " << fault;
    EXPECT_EQ(Keys()[0].lParam & kWasDown, 0) << "a fresh press, not a repeat";
    received.clear();
  }
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);
  ASSERT_TRUE(StopHook());
  EXPECT_FALSE(ReinstallHook()) << "nothing to reinstall";
  EXPECT_EQ(HookLastEventTime(), 0u);
}

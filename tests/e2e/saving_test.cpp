// What the user confirmed is in the files at once: a kill, a session end or
// a file that another program holds for a moment loses nothing.

#include "tests/e2e/program_fixture.h"

#include <thread>

namespace e2e {
namespace {

class SavingTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    Configure(ToneScheme("First", "") + ToneScheme("Second", "") + ToneScheme("Third", ""), "CurrentSchem=First\r\n");
  }
  // Started, with its hotkeys registered (just after the tray icon).
  HANDLE StartReady() {
    HANDLE process = StartAndWait();
    EXPECT_TRUE(WaitFor([] { return TrayIconShown(MainWindow()); }));
    Sleep(300);
    return process;
  }
  static void NextScheme() { HotkeyChord({VK_CONTROL, VK_MENU, VK_SHIFT, 'N'}); }
  // Holds `path` open without sharing for `ms`, as a virus scanner does.
  static std::thread Hold(const std::string& path, DWORD ms) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    return std::thread([file, ms] {
      Sleep(ms);
      CloseHandle(file);
    });
  }
};

}  // namespace

// A scheme chosen by the hotkey is in the file within about 2 s; a killed
// program keeps it.
TEST_F(SavingTest, AChangeIsSavedSoonAndSurvivesAKill) {
  HANDLE process = StartReady();
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Second"; }, 3000));
  NextScheme();  // another change within the gap is saved after it
  EXPECT_EQ(ConfigValue("CurrentSchem"), "Second");
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Third"; }, 3000));
  TerminateProcess(process, 1);
  EXPECT_NE(ReadFileText(dir_ / "schemes.cfg").find("[Second]"), std::string::npos);
}

// Logging off: the files are saved at the question, the program answers at
// once, and it does not close itself (Windows ends it).
TEST_F(SavingTest, TheEndOfTheSessionSavesAtOnceWithoutClosing) {
  HANDLE process = StartReady();
  HWND window = MainWindow();
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nCurrentSchem=First\r\nDeviceID=-1\r\n");
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer));
  EXPECT_EQ(answer, TRUE);
  EXPECT_NE(ConfigValue("GlobalVolume"), "<missing>") << "saved at the question";
  ASSERT_TRUE(SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer));
  EXPECT_EQ(WaitForSingleObject(process, 500), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";
  EXPECT_FALSE(LogHas("Hook was stopped")) << "no close sequence";
  TerminateProcess(process, 1);
}

// A settings file held for half a second is written once it is free; held
// for 5 s, the old file stays whole, the log has the reason and the user a
// balloon, once; the next change after that is saved again.
TEST_F(SavingTest, AHeldFileIsTriedAgainAndAFailureIsToldOnce) {
  HANDLE process = StartReady();
  const std::string config = dir_ / "config.cfg";
  std::thread shortHold = Hold(config, 500);
  NextScheme();
  shortHold.join();
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Second"; }, 4000));
  EXPECT_FALSE(LogHas("Unable to write to"));

  std::string before = ReadFileText(config);
  std::thread longHold = Hold(config, 5000);
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return LogHas("Unable to write to " + config + ": "); }, 4000));
  EXPECT_TRUE(WaitFor(BalloonShown, 3000));
  longHold.join();
  EXPECT_EQ(ReadFileText(config), before) << "the old file is whole";
  EXPECT_EQ(ConfigValue("CurrentSchem"), "Second");
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "First"; }, 4000)) << "saved again";
  Exit(process);
}

}  // namespace e2e

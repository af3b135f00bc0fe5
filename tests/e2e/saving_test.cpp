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
  // Started, with its tray icon and its hotkeys (the start is complete).
  HANDLE StartReady() {
    HANDLE process = StartAndWait();
    EXPECT_TRUE(WaitFor([] { return TrayIconShown(MainWindow()); }));
    return process;
  }
  void NextScheme() { HotkeyChord({VK_CONTROL, VK_MENU, VK_SHIFT, 'N'}); }
  // When config.cfg was last written, in milliseconds of file time.
  int64_t ConfigWritten() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA((dir_ / "config.cfg").c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime) / 10000;
  }
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

// A scheme chosen by the hotkey is in the file within about 2 s; another
// change soon after is saved together with whatever follows, 2 s after the
// save before it (by the files' own times, so a slow machine changes
// nothing); a killed program keeps it.
TEST_F(SavingTest, AChangeIsSavedSoonAndSurvivesAKill) {
  HANDLE process = StartReady();
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Second"; }, 3000));
  const int64_t firstSave = ConfigWritten();
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Third"; }, 4000));
  // (A file's time is when its save ended; a save takes a while on a busy machine.)
  EXPECT_GE(ConfigWritten() - firstSave, 1500) << "one save every 2 s at most";
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

namespace e2e {
namespace {

std::string RoamingBrisolt() {
  char path[MAX_PATH] = "";
  GetEnvironmentVariableA("APPDATA", path, MAX_PATH);
  return std::string(path) + "\\Brisolt";
}

void RemoveRoamingBrisolt() {
  for (const char* name : {"\\config.cfg", "\\schemes.cfg", "\\Log.txt"}) DeleteFileA((RoamingBrisolt() + name).c_str());
  RemoveDirectoryA(RoamingBrisolt().c_str());
}

class FoldersTest : public SavingTest {
 protected:
  void TearDown() override {
    SavingTest::TearDown();
    SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);
    SetEnvironmentVariableA("BRISOLT_TEST_READONLY_FOLDER", nullptr);
    RemoveRoamingBrisolt();
  }
};

}  // namespace

// A program folder that cannot be written (Program Files): the settings
// move to %APPDATA%\Brisolt, starting from the program folder's, and stay
// there; the program folder is left as it was.
TEST_F(FoldersTest, AReadOnlyProgramFolderKeepsTheSettingsInAppData) {
  RemoveRoamingBrisolt();
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");
  SetEnvironmentVariableA("BRISOLT_TEST_READONLY_FOLDER", "1");
  std::string config = ReadFileText(dir_ / "config.cfg");
  const std::string roaming = RoamingBrisolt();
  logPath_ = roaming + "\\Log.txt";
  HANDLE process = StartReady();
  EXPECT_EQ(ReadFileText(roaming + "\\config.cfg").substr(0, config.size()), config) << "copied over";
  EXPECT_NE(ReadFileText(roaming + "\\Log.txt").find("Settings are kept in " + roaming), std::string::npos);
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return ReadFileText(roaming + "\\config.cfg").find("CurrentSchem=Second") != std::string::npos; }));
  Exit(process);
  EXPECT_EQ(ReadFileText(dir_ / "config.cfg"), config) << "the program folder is untouched";
  EXPECT_FALSE(testutil::FileExists(dir_ / "Log.txt"));

  // The next start reads them from there, not from the program folder.
  process = StartReady();
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return ReadFileText(roaming + "\\config.cfg").find("CurrentSchem=Third") != std::string::npos; }))
      << ReadFileText(roaming + "\\config.cfg") << ReadFileText(roaming + "\\Log.txt");
  Exit(process);
}

// A log past 1 MB becomes Log.old.txt; a damaged schemes.cfg is copied aside
// before it is first replaced, once; a deleted config.cfg brings the device
// selector back instead of silence.
TEST_F(SavingTest, AFullLogADamagedFileAndADeletedConfigAreHandled) {
  std::string garbage(4096, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) % 256);
  const std::string schemes = ReadFileText(dir_ / "schemes.cfg");
  WriteFileText(dir_ / "schemes.cfg", garbage + "\r\n" + schemes);
  WriteFileText(dir_ / "Log.txt", std::string(1024 * 1024, 'x'));
  HANDLE process = StartReady();
  EXPECT_EQ(ReadFileText(dir_ / "Log.old.txt").size(), 1024u * 1024u);
  EXPECT_LT(ReadFileText(dir_ / "Log.txt").size(), 4096u) << "a new log";
  NextScheme();
  EXPECT_TRUE(WaitFor([&] { return LogHas("schemes.cfg: "); }));
  EXPECT_TRUE(LogHas("unreadable lines ignored, copy kept as schemes.cfg.bak")) << ReadFileText(dir_ / "Log.txt");
  EXPECT_EQ(ReadFileText(dir_ / "schemes.cfg.bak"), garbage + "\r\n" + schemes);
  Exit(process);

  DeleteFileA((dir_ / "config.cfg").c_str());
  process = Start();
  HWND selector = WaitDialog(kSelectorCaption);
  ASSERT_NE(selector, nullptr) << "the device is chosen as on the first start";
  Press(selector, IDOK);
  ASSERT_TRUE(WaitFor([] { return MainWindow() != nullptr; }));
  Exit(process);
  EXPECT_NE(ConfigValue("DeviceID"), "0");
}

}  // namespace e2e

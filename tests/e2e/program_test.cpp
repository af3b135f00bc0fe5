// The whole program under Wine, started from a temporary copy of the dist
// folder: single instance, hidden start, hide instead of close, and exit.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/e2e/program_fixture.h"

using testutil::FileExists;
using testutil::ReadFileText;
using testutil::SectionKeys;
using testutil::SectionNames;
using testutil::TempFolder;
using testutil::WaitFor;
using testutil::WriteFileText;
using namespace e2e;

TEST_F(ProgramTest, StartsHiddenWithTheHookRunning) {
  StartAndWait();
  HWND window = MainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_FALSE(FileExists(dir_ / "config.cfg"));  // settings reach the disk only once they change
}

TEST_F(ProgramTest, SecondStartShowsTheFirstAndExitsTouchingNothing) {
  HANDLE first = StartAndWait();
  std::vector<std::string> before = Listing();

  HANDLE second = Start();
  DWORD code = 99;
  ASSERT_TRUE(Exited(second, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; }));
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(Listing(), before);

  // Again while the options window is already open: it stays shown, and the
  // second process still ends at once.
  HANDLE third = Start();
  ASSERT_TRUE(Exited(third, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
}

TEST_F(ProgramTest, CloseBoxAndMinimiseHideWithoutEnding) {
  HANDLE process = StartAndWait();
  HWND window = MainWindow();
  for (WPARAM command : {SC_CLOSE, SC_MINIMIZE}) {
    PostMessageA(window, kActivateInstance, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }));
    SendMessageA(window, WM_SYSCOMMAND, command, 0);
    EXPECT_FALSE(IsWindowVisible(window)) << command;
    EXPECT_EQ(WaitForSingleObject(process, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  }
  EXPECT_FALSE(FileExists(dir_ / "config.cfg"));
}

TEST_F(ProgramTest, ExitWritesBothFilesInTheirExactForm) {
  WriteFileText(dir_ / "schemes.cfg",
                "[TypeWriter]\r\nkEscape=Schemes\\TypeWriter\\esc.wav\r\nkPageUpVol=0x20\r\n"
                "[Mechanical]\r\n"
                "[Soft]\r\nkSpace = space.wav\r\n");
  WriteFileText(dir_ / "config.cfg", "[Colours]\r\nBack=1\r\n");
  HANDLE process = StartAndWait();
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  EXPECT_EQ(code, 0u);

  std::string config = ReadFileText(dir_ / "config.cfg");
  EXPECT_EQ(SectionNames(config), (std::vector<std::string>{"Colours", "Options"}));
  EXPECT_NE(config.find("Back=1"), std::string::npos);
  EXPECT_NE(config.find("GlobalVolume=60"), std::string::npos);

  std::string schemes = ReadFileText(dir_ / "schemes.cfg");
  EXPECT_EQ(SectionNames(schemes), (std::vector<std::string>{"TypeWriter", "Mechanical", "Soft"}));
  EXPECT_NE(schemes.find("kPageUpVol=32"), std::string::npos);
  EXPECT_NE(schemes.find("kSpace=space.wav"), std::string::npos);

  std::string log = ReadFileText(dir_ / "Log.txt");
  size_t started = log.find("----------Hook was started----------");
  size_t stopped = log.find("----------Hook was stopped----------");
  ASSERT_NE(started, std::string::npos);
  ASSERT_NE(stopped, std::string::npos);
  EXPECT_LT(started, stopped);
}

TEST_F(ProgramTest, EndingTheProcessOtherwiseWritesNeitherFile) {
  const std::string schemes = "[TypeWriter]\r\nkTab=tab.wav\r\n";
  WriteFileText(dir_ / "schemes.cfg", schemes);
  HANDLE process = StartAndWait();
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  EXPECT_FALSE(FileExists(dir_ / "config.cfg"));
  EXPECT_EQ(ReadFileText(dir_ / "schemes.cfg"), schemes);
}

TEST_F(ProgramTest, FailedSaveAtExitIsLoggedAndTheExitCompletes) {
  const std::string schemes = "[TypeWriter]\r\nkTab=tab.wav\r\n";
  WriteFileText(dir_ / "schemes.cfg", schemes);
  ASSERT_TRUE(CreateDirectoryA((dir_ / "schemes.cfg.new").c_str(), nullptr));
  HANDLE process = StartAndWait();
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadFileText(dir_ / "schemes.cfg"), schemes);
  EXPECT_TRUE(FileExists(dir_ / "config.cfg"));
  EXPECT_TRUE(LogHas("Unable to write to " + (dir_ / "schemes.cfg")));
  EXPECT_TRUE(LogHas("----------Hook was stopped----------"));
}

TEST_F(InputTest, KeysAndClicksSoundTheirCategoryAndHotkeysActAndAreSaved) {
  Configure(ToneScheme("Test", "") + "[Second]\r\n", "CurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();

  std::string a = Heard([] { Chord({'A'}); });
  EXPECT_GT(ToneLevel(a, 1000), 10 * ToneLevel(a, 2000)) << "A sounds the 'Other' tone";
  std::string space = Heard([] { Chord({VK_SPACE}); });
  EXPECT_GT(ToneLevel(space, 2000), 10 * ToneLevel(space, 1000)) << "Space sounds its own tone";
  std::string click = Heard(LeftClick);
  EXPECT_GT(ToneLevel(click, 3000), 10 * ToneLevel(click, 1000)) << "a left click sounds the button tone";

  // Hotkeys: volume down (100 -> 90), next scheme (Test -> Second), mute.
  // (The exit's WM_CLOSE comes after the hotkeys' messages in the queue.)
  HotkeyChord({VK_CONTROL, VK_MENU, 'R'});
  HotkeyChord({VK_CONTROL, VK_MENU, VK_SHIFT, 'N'});
  HotkeyChord({VK_CONTROL, VK_MENU, 'S'});
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  std::string config = ReadFileText(dir_ / "config.cfg");
  EXPECT_NE(config.find("GlobalVolume=90"), std::string::npos) << config;
  EXPECT_NE(config.find("CurrentSchem=Second"), std::string::npos) << config;
  EXPECT_NE(config.find("MuteSound=1"), std::string::npos) << config;
}

TEST_F(InputTest, EachKeySoundsItsCategoryAndReleasesAreSilentButPrintScreens) {
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  EXPECT_EQ(Dominant(Heard([] { Chord({'7'}); })), Tones::kDigits);
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_NUMPAD7}); })), Tones::kOther);
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_LSHIFT}); })), Tones::kShift);
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_RETURN}); })), Tones::kEnter);
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_SPACE}); })), Tones::kSpace);
  Heard([] { SendKey('B', false); });
  EXPECT_EQ(Dominant(Heard([] { SendKey('B', true); })), 0) << "a release is silent";
  Heard([] { SendKey(VK_SNAPSHOT, false); });
  EXPECT_EQ(Dominant(Heard([] { SendKey(VK_SNAPSHOT, true); })), Tones::kPrint) << "but Print Screen's sounds";
  TerminateProcess(process, 0);
}

TEST_F(InputTest, MuteDeviceAndSwitchesSilenceWhatTheyShould) {
  Configure(ToneScheme("Test", "ekSpace=0\r\n") + ToneScheme("NoKeys", "KeyboardEnabled=0\r\n"),
            "CurrentSchem=Test\r\nMouseActionIndex=0\r\n");
  HANDLE process = StartAndWait();
  HWND window = MainWindow();
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_SPACE}); })), 0) << "a category that is off";
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);

  // A click on the tray icon mutes; another unmutes.
  SendMessageA(window, 0x47B, 0, WM_LBUTTONDOWN);
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "muted from the tray";
  SendMessageA(window, 0x47B, 0, WM_LBUTTONDOWN);
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  HotkeyChord({VK_CONTROL, VK_MENU, 'S'});
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "muted by the hotkey";
  HotkeyChord({VK_CONTROL, VK_MENU, 'S'});

  // The next scheme has its keyboard switched off; its mouse still sounds.
  HotkeyChord({VK_CONTROL, VK_MENU, VK_SHIFT, 'N'});
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "keyboard switch off";
  std::string click = Heard(LeftClick);
  EXPECT_EQ(Dominant(click), Tones::kLeft);
  // Previous from the first wraps to the last, and back again.
  HotkeyChord({VK_CONTROL, VK_MENU, VK_SHIFT, 'P'});
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  TerminateProcess(process, 0);
}

TEST_F(InputTest, NoSoundDeviceAndAMissingSchemeStayQuietAndAlive) {
  Configure(ToneScheme("Test", ""), "CurrentSchem=Gone\r\n");
  HANDLE process = StartAndWait();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0);
  Chord({'C'});
  auto lines = [&] {
    std::string log = ReadFileText(dir_ / "Log.txt");
    size_t count = 0;
    for (size_t at = log.find("Scheme list index out of bounds (-1)"); at != std::string::npos;
         at = log.find("Scheme list index out of bounds (-1)", at + 1)) {
      ++count;
    }
    return count;
  };
  EXPECT_TRUE(WaitFor([&] { return lines() >= 2; })) << ReadFileText(dir_ / "Log.txt");  // one per key event
  EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  TerminateProcess(process, 0);

  WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=0\r\nCurrentSchem=Test\r\n");
  process = StartAndWait();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "device 0 plays nothing";
  TerminateProcess(process, 0);
}

TEST_F(InputTest, TrayMenuMutesAndItsExitSaves) {
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\nSupportEAX=0\r\nGlobalVolume=55\r\n");
  HANDLE process = StartAndWait();
  // Opens the tray menu as a right click on the icon does, and walks up from
  // the top item: Exit, Help, then the sound item ("EAX" is absent).
  auto choose = [&](int upPresses) {
    PostMessageA(MainWindow(), 0x47B, 0, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(menu); }));
    for (int i = 0; i < upPresses; ++i) Chord({VK_UP});
    Chord({VK_RETURN});
  };
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  Heard([&] { choose(3); });  // "Mute Sound"; its Enter sounds as it chooses, until it has ended
  ASSERT_TRUE(WaitFor([&] { return ConfigValue("MuteSound") == "1"; })) << "the choice was made (and saved)";
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "muted from the tray menu";
  choose(1);  // "Exit"
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  std::string config = ReadFileText(dir_ / "config.cfg");
  EXPECT_NE(config.find("GlobalVolume=55"), std::string::npos);
  EXPECT_NE(config.find("MuteSound=1"), std::string::npos);
  EXPECT_TRUE(LogHas("----------Hook was stopped----------"));
}

TEST_F(InputTest, RepeatsSoundAndVolumeHotkeysChangeTheNextSound) {
  WriteFileText(dir_ / "schemes.cfg", ToneScheme("Test", ""));
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=-1\r\nGlobalVolume=50\r\nCurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();
  Heard([] { SendKey('A', false); });
  std::string repeat = Heard([] { SendKey('A', false); });  // still held: an auto-repeat
  EXPECT_EQ(Dominant(repeat), Tones::kOther) << "a held key sounds again";
  Heard([] { SendKey('A', true); });

  double before = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  HotkeyChord({VK_CONTROL, VK_MENU, 'I'});  // 50 -> 60
  double after = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  EXPECT_NEAR(after / before, 60.0 / 50.0, 0.05);
  HotkeyChord({VK_CONTROL, VK_MENU, 'R'});
  HotkeyChord({VK_CONTROL, VK_MENU, 'R'});  // 60 -> 40
  double lower = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  EXPECT_NEAR(lower / before, 40.0 / 50.0, 0.05);
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  EXPECT_NE(ReadFileText(dir_ / "config.cfg").find("GlobalVolume=40"), std::string::npos);
}

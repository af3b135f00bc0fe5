// The tray icon against what the notification area does at logon and when
// Explorer restarts: it is always there, follows the program, and is gone
// after the exit.

#include "tests/e2e/program_fixture.h"


namespace e2e {
namespace {

class TrayTest : public InputTest {
 protected:
  void TearDown() override {
    InputTest::TearDown();
    SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);
    SetEnvironmentVariableA("BRISOLT_TEST_TRAY_ADD_FAILURES", nullptr);
    SetEnvironmentVariableA("BRISOLT_TEST_ELEVATED_PROGRAM", nullptr);
  }
};

}  // namespace

// At logon the notification area may not exist yet: the icon comes once it
// does, and the welcome of the first start is shown then, not lost.
TEST_F(TrayTest, AnIconThatCannotBeAddedYetIsTriedAgainWithItsBalloon) {
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");
  SetEnvironmentVariableA("BRISOLT_TEST_TRAY_ADD_FAILURES", "2");
  SetStartRecord(false);
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\n");
  HANDLE process = Start();
  HWND selector = WaitDialog(kSelectorCaption);
  ASSERT_NE(selector, nullptr);
  Press(selector, IDOK);
  ASSERT_TRUE(WaitFor([&] { return MainWindow() != nullptr && LogHas("Hook was started"); }));
  HWND window = MainWindow();
  ASSERT_TRUE(WaitFor([&] { return Responds(window); })) << "the start, with the first try, is over; the next comes after 2 s";
  EXPECT_FALSE(TrayIconShown(window)) << "the first two tries fail";
  EXPECT_FALSE(BalloonShown());
  EXPECT_TRUE(WaitFor([&] { return TrayIconShown(window); }, 8000)) << "tried again every 2 s";
  EXPECT_TRUE(WaitFor(BalloonShown, 3000)) << "the welcome comes with the icon";
  EXPECT_FALSE(LogHas("Unable to add the tray icon"));
  Exit(process);
}

// "TaskbarCreated" while the icon is still there (it also comes on DPI and
// remote-session changes) and after a real loss of the icon: either way the
// icon is there afterwards, follows the program, and the exit removes it.
TEST_F(TrayTest, TaskbarCreatedKeepsTheIconWhetherOrNotItWasLost) {
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();
  HWND window = MainWindow();
  ASSERT_TRUE(WaitFor([&] { return TrayIconShown(window); }));
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));  // as a restarted Explorer has forgotten it
  EXPECT_FALSE(TrayIconShown(window));
  SendMessageA(window, taskbarCreated, 0, 0);
  EXPECT_TRUE(TrayIconShown(window)) << "added again";

  SendMessageA(window, taskbarCreated, 0, 0);  // the icon is still there
  EXPECT_TRUE(TrayIconShown(window));
  SendMessageA(window, WM_SETTINGCHANGE, 0, 0);  // the pictures are made again at the current size
  // A mute and a key picture go to the same icon; had it been taken as lost,
  // each would be tried as a new icon, and the exit would leave it behind.
  SendMessageA(window, 0x47B, 0, WM_LBUTTONDOWN);
  Chord({'A'});
  EXPECT_TRUE(TrayIconShown(window));

  Exit(process);
  EXPECT_FALSE(TrayIconShown(window)) << "the exit removes the icon";
}

// Windows keeps the input of a program run as administrator from the hook:
// while one is in front, the user is told why it is quiet, in the log once
// per program and in a balloon once per run. (Wine runs every program at one
// level: a seam names the one to take as elevated.)
TEST_F(TrayTest, AProgramRunAsAdministratorInFrontIsNamed) {
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");
  SetEnvironmentVariableA("BRISOLT_TEST_ELEVATED_PROGRAM", "notepad.exe");
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();
  HWND editor = StartNotepad();
  ASSERT_NE(editor, nullptr);
  const std::string notice = "Quiet: notepad.exe runs as administrator";
  for (int round = 0; round < 2; ++round) {
    SetForegroundWindow(editor);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; })) << "in front";
    EXPECT_TRUE(WaitFor([&] { return LogHas(notice); })) << "round " << round;
    if (round == 0) {
      EXPECT_TRUE(WaitFor(BalloonShown, 3000)) << "the balloon, the first time";
    }
    SetForegroundWindow(GetDesktopWindow());
    EXPECT_TRUE(WaitFor([] { return Tip() == "Brisolt - Test"; })) << "the program saw it leave: " << Tip();
  }
  std::string log = ReadFileText(dir_ / "Log.txt");
  EXPECT_EQ(log.find(notice), log.rfind(notice)) << "named once";
  TerminateProcess(processes_.back().hProcess, 0);
  Exit(process);
}

// The tray menu's "Scheme" and "EAX" submenus, walked with the keys as a
// user walks them: the chosen scheme becomes current and sounds, the chosen
// reverb is heard, and both are saved.
TEST_F(TrayTest, TheMenuChoosesTheSchemeAndTheReverb) {
  Configure(ToneScheme("First", "") + "[Second]\r\nkOther=digits.wav\r\nkOtherVol=100\r\n",
            "CurrentSchem=First\r\nSupportEAX=1\r\nEaxEnv=0\r\n");
  HANDLE process = StartAndWait();
  ASSERT_TRUE(WaitFor([] { return TrayIconShown(MainWindow()); }));
  std::string before = Heard([] { Chord({'A'}); });
  EXPECT_EQ(Dominant(before), Tones::kOther);
  EXPECT_LT(TailLevel(before), 0.003) << "no reverb to begin with";

  // Options..., Scheme > First, Second.
  ASSERT_NE(OpenTrayMenu(), nullptr);
  for (WORD key : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}) Chord({key});
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Second"; }, 4000)) << ConfigValue("CurrentSchem");
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kDigits) << "Second's key sounds";

  // Options..., Scheme, EAX > Off, Generic, ... the eleventh after Off: "Hangar".
  ASSERT_NE(OpenTrayMenu(), nullptr);
  for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) Chord({key});
  for (int i = 0; i < 11; ++i) Chord({VK_DOWN});
  Chord({VK_RETURN});
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("EaxEnv") == "11"; }, 4000)) << ConfigValue("EaxEnv");
  EXPECT_GT(TailLevel(Heard([] { Chord({'A'}); })), 0.03) << "the reverb is heard";
  Exit(process);
  EXPECT_EQ(ConfigValue("CurrentSchem"), "Second");
  EXPECT_EQ(ConfigValue("EaxEnv"), "11");
}

}  // namespace e2e

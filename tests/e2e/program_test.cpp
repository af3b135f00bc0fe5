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

#include "tests/options_write_order.h"
#include "tests/win/audio_test_util.h"
#include "tests/win_test_util.h"

using testutil::FileExists;
using testutil::ReadFileText;
using testutil::SectionKeys;
using testutil::SectionNames;
using testutil::TempFolder;
using testutil::WaitFor;
using testutil::WriteFileText;

namespace {

constexpr UINT kActivateInstance = 0x432;
const char* const kStartRecordKey = "Software\\Quendral\\Brisolt";

void SetStartRecord(bool present) {
  if (present) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kStartRecordKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(key, "Started", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
  } else {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kStartRecordKey, "Started");
  }
}

bool StartRecordExists() {
  return RegGetValueA(HKEY_CURRENT_USER, kStartRecordKey, "Started", RRF_RT_REG_DWORD, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS;
}

HWND MainWindow() { return FindWindowA("TfrmMain", "Brisolt - Options"); }

// A program folder with a fresh copy of the program.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing of an earlier test may still run.
    ASSERT_TRUE(WaitFor([] { return MainWindow() == nullptr; }, 10000));
    for (const char* file : {"Brisolt.exe", "Hakdor.dll", "bass.dll"}) {
      ASSERT_TRUE(CopyFileA((std::string(BRISOLT_DIST_DIR) + "\\" + file).c_str(), (dir_ / file).c_str(), FALSE))
          << file;
    }
    SetStartRecord(true);
  }
  void TearDown() override {
    for (PROCESS_INFORMATION& p : processes_) {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(p.hProcess, 1);
        WaitForSingleObject(p.hProcess, 5000);
      }
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
  }

  HANDLE Start() {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string exe = dir_ / "Brisolt.exe";
    std::string commandLine = "\"" + exe + "\"";
    EXPECT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir_.Path().c_str(), &si, &pi));
    processes_.push_back(pi);
    return pi.hProcess;
  }

  // Starts the program and waits until its main window exists and the hook runs.
  HANDLE StartAndWait() {
    HANDLE process = Start();
    EXPECT_TRUE(WaitFor([&] { return MainWindow() != nullptr && LogHas("Hook was started"); }))
        << ReadFileText(dir_ / "Log.txt");
    return process;
  }

  static bool Exited(HANDLE process, DWORD* code, int timeoutMs = 10000) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(process, code);
    return true;
  }

  bool LogHas(const std::string& text) const { return ReadFileText(dir_ / "Log.txt").find(text) != std::string::npos; }

  std::vector<std::string> Listing() const {
    std::vector<std::string> entries;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir_ / "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        entries.push_back(std::string(found.cFileName) + ":" + std::to_string(found.nFileSizeLow) + ":" +
                          std::to_string(found.ftLastWriteTime.dwLowDateTime));
      } while (FindNextFileA(find, &found));
      FindClose(find);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  TempFolder dir_;
  std::vector<PROCESS_INFORMATION> processes_;
};

}  // namespace

TEST_F(ProgramTest, StartsHiddenWithTheHookRunning) {
  StartAndWait();
  HWND window = MainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_FALSE(FileExists(dir_ / "config.cfg"));  // settings reach the disk only at exit
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
  EXPECT_EQ(SectionKeys(config, "Options"), kOptionsWriteOrder);
  EXPECT_NE(config.find("Back=1"), std::string::npos);
  EXPECT_NE(config.find("GlobalVolume=60"), std::string::npos);

  std::string schemes = ReadFileText(dir_ / "schemes.cfg");
  EXPECT_EQ(SectionNames(schemes), (std::vector<std::string>{"TypeWriter", "Mechanical", "Soft"}));
  for (const char* name : {"TypeWriter", "Mechanical", "Soft"}) {
    EXPECT_EQ(SectionKeys(schemes, name).size(), 80u) << name;
  }
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

TEST_F(ProgramTest, FirstStartIsRecordedAndSkipsTheStoredDevice) {
  SetStartRecord(false);
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=5\r\nGlobalVolume=40\r\n");
  HANDLE process = StartAndWait();
  EXPECT_TRUE(StartRecordExists());
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  std::string config = ReadFileText(dir_ / "config.cfg");
  EXPECT_EQ(config.find("DeviceID=5"), std::string::npos) << config;
  EXPECT_NE(config.find("GlobalVolume=40"), std::string::npos) << config;

  // The next start is a later one: the stored device is read.
  process = StartAndWait();
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Exited(process, &code));
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=5\r\n");
  process = StartAndWait();
  PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Exited(process, &code));
  EXPECT_NE(ReadFileText(dir_ / "config.cfg").find("DeviceID=5"), std::string::npos);
}

namespace {

using testutil::Chord;
using testutil::SendKey;

// A mono 16-bit WAV of a sine tone at 48 kHz, with short fades.
std::string ToneWav(double hz, double seconds) {
  size_t n = static_cast<size_t>(48000 * seconds);
  std::vector<int16_t> samples(n);
  for (size_t i = 0; i < n; ++i) {
    double fade = std::min({1.0, i / 240.0, (n - 1 - i) / 240.0});
    samples[i] = static_cast<int16_t>(12000 * fade * std::sin(2 * 3.14159265358979 * hz * i / 48000.0));
  }
  std::vector<uint8_t> wav = audiotest::MakeWav(samples, 1, 48000);
  return std::string(wav.begin(), wav.end());
}

// Strength of one frequency in 16-bit stereo capture bytes (Goertzel, left
// channel), per frame of the capture.
double ToneLevel(const std::string& bytes, double hz);

// The same summed over the whole capture: for one complete tone in it, this
// is proportional to the tone's amplitude however long the capture is.
double ToneAmount(const std::string& bytes, double hz) { return ToneLevel(bytes, hz) * static_cast<double>(bytes.size() / 4); }

double ToneLevel(const std::string& bytes, double hz) {
  double coeff = 2 * std::cos(2 * 3.14159265358979 * hz / 48000.0);
  double s1 = 0, s2 = 0;
  size_t frames = bytes.size() / 4;
  for (size_t i = 0; i < frames; ++i) {
    int16_t left;
    std::memcpy(&left, bytes.data() + 4 * i, 2);
    double s0 = left + coeff * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  return frames ? std::sqrt(std::max(power, 0.0)) / static_cast<double>(frames) : 0;
}

}  // namespace


namespace {

// A program folder whose "Test" scheme gives each category used here a tone
// of its own, and a second scheme "Quiet" with the same files.
struct Tones {
  static constexpr double kOther = 1000, kDigits = 1500, kSpace = 2000, kShift = 2500, kLeft = 3000, kEnter = 3500,
                          kPrint = 800;
};

std::string ToneScheme(const std::string& name, const std::string& extra) {
  return "[" + name + "]\r\n" +
         "kOther=other.wav\r\nkOtherVol=100\r\nkDigits=digits.wav\r\nkDigitsVol=100\r\n"
         "kSpace=space.wav\r\nkSpaceVol=100\r\nkShift=shift.wav\r\nkShiftVol=100\r\n"
         "kEnter=enter.wav\r\nkEnterVol=100\r\nkPrintScreen=print.wav\r\nkPrintScreenVol=100\r\n"
         "kLeftButton=click.wav\r\nkLeftButtonVol=100\r\n" +
         extra;
}

}  // namespace

class InputTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    capture_ = audiotest::CapturePath();
    if (capture_.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set";
    const std::pair<const char*, double> files[] = {{"other.wav", Tones::kOther},   {"digits.wav", Tones::kDigits},
                                                    {"space.wav", Tones::kSpace},   {"shift.wav", Tones::kShift},
                                                    {"enter.wav", Tones::kEnter},   {"print.wav", Tones::kPrint},
                                                    {"click.wav", Tones::kLeft}};
    for (const auto& [file, hz] : files) WriteFileText(dir_ / file, ToneWav(hz, 0.15));
  }
  void Configure(const std::string& schemes, const std::string& options) {
    WriteFileText(dir_ / "schemes.cfg", schemes);
    WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=-1\r\nGlobalVolume=100\r\n" + options);
  }
  template <typename Action>
  std::string Heard(Action action) {
    size_t before = ReadFileText(capture_).size();
    before -= before % 4;
    action();
    Sleep(500);
    return ReadFileText(capture_).substr(before);
  }
  // A hotkey; its own keys sound too, so wait until they have.
  static void HotkeyChord(std::initializer_list<WORD> keys) {
    Chord(keys);
    Sleep(500);
  }
  // The tone that dominates what was heard, or 0 for silence.
  static double Dominant(const std::string& heard) {
    double best = 0, bestLevel = 0;
    for (double hz : {Tones::kOther, Tones::kDigits, Tones::kSpace, Tones::kShift, Tones::kLeft, Tones::kEnter,
                      Tones::kPrint}) {
      double level = ToneLevel(heard, hz);
      if (level > bestLevel) {
        bestLevel = level;
        best = hz;
      }
    }
    return bestLevel > 50 ? best : 0;
  }
  std::string capture_;
};

TEST_F(InputTest, KeysAndClicksSoundTheirCategoryAndHotkeysActAndAreSaved) {
  Configure(ToneScheme("Test", "") + "[Second]\r\n", "CurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();

  std::string a = Heard([] { Chord({'A'}); });
  EXPECT_GT(ToneLevel(a, 1000), 10 * ToneLevel(a, 2000)) << "A sounds the 'Other' tone";
  std::string space = Heard([] { Chord({VK_SPACE}); });
  EXPECT_GT(ToneLevel(space, 2000), 10 * ToneLevel(space, 1000)) << "Space sounds its own tone";
  std::string click = Heard([] {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
  });
  EXPECT_GT(ToneLevel(click, 3000), 10 * ToneLevel(click, 1000)) << "a left click sounds the button tone";

  // Hotkeys: volume down (100 -> 90), next scheme (Test -> Second), mute.
  Chord({VK_CONTROL, VK_MENU, 'R'});
  Chord({VK_CONTROL, VK_MENU, VK_SHIFT, 'N'});
  Chord({VK_CONTROL, VK_MENU, 'S'});
  Sleep(300);
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
  std::string click = Heard([] {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
  });
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
  Sleep(300);
  std::string log = ReadFileText(dir_ / "Log.txt");
  size_t lines = 0;
  for (size_t at = log.find("Scheme list index out of bounds (-1)"); at != std::string::npos;
       at = log.find("Scheme list index out of bounds (-1)", at + 1)) {
    ++lines;
  }
  EXPECT_GE(lines, 2u) << log;  // one per key event
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
  choose(3);  // "Mute Sound"
  Sleep(300);
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

// Folders and names outside the ANSI code page: the program started from
// such a folder, with such a scheme and sound files, starts, logs, plays,
// saves and loads again with every name intact.

#include "tests/e2e/program_fixture.h"

#include "base/wide_text.h"

namespace e2e {
namespace {

// UTF-8 spellings, so that the source says what the files hold.
const std::string kRoot = "C:\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82 \xE6\xB5\x8B\xE8\xAF\x95";  // C:\Тест 测试
const std::string kSoundFolder = "\xD0\x97\xD0\xB2\xD1\x83\xD0\xBA\xD0\xB8 \xE9\x9F\xB3";   // Звуки 音
const std::string kScheme = "\xD0\x9A\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB8\xD1\x88\xD0\xB8 \xE9\x94\xAE";  // Клавиши 键

class NamesTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    if (IsSkipped()) return;
    if (FitsAnsiCodePage(Wide(kRoot))) GTEST_SKIP() << "the ANSI code page " << GetACP() << " holds these names";
    RemoveTree(Wide(kRoot));
    folder_ = kRoot + "\\Brisolt";
    ASSERT_TRUE(CreateDirectoryW(Wide(kRoot).c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryW(Wide(folder_).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Wide(folder_ + "\\" + kSoundFolder).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Wide(kRoot + "\\" + kSoundFolder).c_str(), nullptr));
    for (const char* file : {"Brisolt.exe", "Hakdor.dll", "bass.dll"}) {
      ASSERT_TRUE(CopyFileW(Wide(dir_ / file).c_str(), Wide(folder_ + "\\" + file).c_str(), FALSE)) << file;
    }
    // One sound beside the program (a relative path), one elsewhere.
    ASSERT_TRUE(CopyFileW(Wide(dir_ / "other.wav").c_str(), Wide(OtherSound()).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(dir_ / "digits.wav").c_str(), Wide(folder_ + "\\" + DigitsSound()).c_str(), FALSE));
  }
  void TearDown() override {
    InputTest::TearDown();
    if (!folder_.empty()) RemoveTree(Wide(kRoot));
  }

  std::string OtherSound() const { return kRoot + "\\" + kSoundFolder + "\\other.wav"; }
  static std::string DigitsSound() { return kSoundFolder + "\\digits.wav"; }
  std::string File(const std::string& name) const { return folder_ + "\\" + name; }

  HANDLE StartThere() {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring exe = Wide(File("Brisolt.exe"));
    std::wstring commandLine = L"\"" + exe + L"\"";
    EXPECT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               Wide(folder_).c_str(), &si, &pi));
    processes_.push_back(pi);
    EXPECT_TRUE(WaitFor([&] {
      return MainWindow() && TrayIconShown(MainWindow()) && Log().find("Hook was started") != std::string::npos &&
             Responds(MainWindow(), 500);
    })) << Log();
    return pi.hProcess;
  }
  std::string Log() const { return testutil::ReadFileBytes(Wide(File("Log.txt"))); }
  std::string Text(const std::string& name) const {
    std::string bytes = testutil::ReadFileBytes(Wide(File(name)));
    return testutil::IsUtf16File(bytes) ? testutil::TextOfUtf16File(bytes) : bytes;
  }

  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring full = dir + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(full.c_str());
        }
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
  }

  std::string folder_;
};

}  // namespace

TEST_F(NamesTest, AProgramInAFolderOfAnyNamePlaysSavesAndLoadsItsNames) {
  testutil::WriteFileBytes(Wide(File("schemes.cfg")),
                           testutil::Utf16File("[" + kScheme + "]\r\nkOther=" + OtherSound() +
                                               "\r\nkOtherVol=100\r\nkDigits=" + DigitsSound() +
                                               "\r\nkDigitsVol=100\r\n"));
  testutil::WriteFileBytes(Wide(File("config.cfg")),
                           testutil::Utf16File("[Options]\r\nCurrentSchem=" + kScheme +
                                               "\r\nDeviceID=-1\r\nGlobalVolume=100\r\n"));
  HANDLE process = StartThere();
  EXPECT_NE(Log().find("Settings are kept in " + folder_), std::string::npos) << Log();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther) << Log();
  EXPECT_EQ(Dominant(Heard([] { Chord({'1'}); })), Tones::kDigits) << Log();
  EXPECT_EQ(Log().find("not found"), std::string::npos) << Log();
  Exit(process);

  // Saved with the names whole, still as UTF-16.
  ASSERT_TRUE(testutil::IsUtf16File(testutil::ReadFileBytes(Wide(File("schemes.cfg")))));
  std::string schemes = Text("schemes.cfg");
  EXPECT_EQ(testutil::SectionNames(schemes), std::vector<std::string>{kScheme});
  EXPECT_NE(schemes.find("kOther=" + OtherSound() + "\r\n"), std::string::npos) << schemes;
  EXPECT_NE(schemes.find("kDigits=" + DigitsSound() + "\r\n"), std::string::npos) << schemes;
  EXPECT_NE(Text("config.cfg").find("CurrentSchem=" + kScheme + "\r\n"), std::string::npos) << Text("config.cfg");

  // And read again: the same scheme plays.
  process = StartThere();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther) << Log();
  Exit(process);
}

}  // namespace e2e

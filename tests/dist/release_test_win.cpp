// The release as a Windows user gets it, under Wine in a prefix of its own
// (scripts/dist_test.sh sets it up): the unpacked zip starts, every binary
// carries the version, and the installer installs silently, upgrades over a
// running copy keeping the user's settings, and uninstalls silently.
// Environment: BRISOLT_VERSION, BRISOLT_SETUP (the installer), BRISOLT_UNZIPPED
// (the folder the zip unpacked to), BRISOLT_CAPTURE (what Wine plays).

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "base/wide_text.h"
#include "tests/e2e/program_fixture.h"

namespace {

using e2e::MainWindow;
using testutil::FileExists;
using testutil::ReadFileText;
using testutil::RunValue;
using testutil::WaitFor;
using testutil::WriteFileText;

std::string Env(const char* name) {
  char value[1024] = "";
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? value : "";
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = Utf8(path);
  CoTaskMemFree(path);
  return result;
}

const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisolt";

std::string RegText(const std::string& key, const char* value) {
  char text[1024] = "";
  DWORD size = sizeof text;
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return "<missing>";
  }
  return text;
}

// Runs a program and waits for it to end; its exit code.
DWORD RunAndWait(const std::string& commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return 0xFFFFFFFF;
  }
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return code;
}

// A key sound of the shipped schemes at the first start's volume has its
// loudest 10 ms far above this (measured: about 0.08 of full scale); silence,
// dither and a stray click stay far below it.
constexpr double kKeySoundLevel = 0.01;

std::string FileVersionOf(const std::string& file, VS_FIXEDFILEINFO* fixed) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  if (size == 0) return "<none>";
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return "<none>";
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValueA(data.data(), "\\", &value, &length) && length >= sizeof *fixed) {
    *fixed = *static_cast<VS_FIXEDFILEINFO*>(value);
  }
  if (!VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\FileVersion", &value, &length)) return "<none>";
  return static_cast<const char*>(value);
}

// The release's own program folders, started as a user starts them; every
// test gets what Wine plays, or fails.
class Release : public e2e::ProgramTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WaitFor([] { return MainWindow() == nullptr; }, 10000)) << "nothing of an earlier test runs";
    capture_ = audiotest::CapturePath();
    ASSERT_FALSE(capture_.empty()) << "BRISOLT_CAPTURE is not set: the release tests need what Wine plays";
  }

  // A key press is heard: what Wine played after it reaches a key sound's level.
  bool AKeySounds() {
    size_t before = audiotest::CaptureSize(capture_);
    testutil::Chord({'A'});
    double level = 0;
    bool heard = WaitFor([&] {
      level = audiotest::LoudestLevel(testutil::ReadFileFrom(capture_, before));
      return level > kKeySoundLevel;
    }, 5000);
    std::printf("a key sounded at %.4f of full scale\n", level);
    return heard;
  }

  std::string capture_;
};

}  // namespace

TEST_F(Release, EveryBinaryCarriesTheVersion) {
  const std::string version = Env("BRISOLT_VERSION");
  ASSERT_FALSE(version.empty());
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch), 3);
  const std::string folder = Env("BRISOLT_UNZIPPED");
  for (const std::string& file :
       {folder + "\\Brisolt.exe", folder + "\\Hakdor.dll", folder + "\\bass.dll", Env("BRISOLT_SETUP")}) {
    VS_FIXEDFILEINFO fixed{};
    EXPECT_EQ(FileVersionOf(file, &fixed), version) << file;
    EXPECT_EQ(fixed.dwFileVersionMS, (major << 16) | minor) << file;
    EXPECT_EQ(fixed.dwFileVersionLS >> 16, patch) << file;
  }
}

TEST_F(Release, TheUnpackedZipStartsAndSounds) {
  const std::string folder = Env("BRISOLT_UNZIPPED");
  ASSERT_TRUE(FileExists(folder + "\\Brisolt.exe"));
  EXPECT_TRUE(FileExists(folder + "\\README.txt"));
  EXPECT_TRUE(FileExists(folder + "\\LICENSE.txt"));
  HANDLE process = StartAndWait(folder);
  EXPECT_TRUE(AKeySounds());
  Exit(process);
  EXPECT_NE(ReadFileText(folder + "\\Log.txt").find("Brisolt " + Env("BRISOLT_VERSION") + " starts"), std::string::npos);
}

// One user's whole story: a silent install that starts with Windows, the
// program run and its settings changed, an upgrade over the running program,
// and a silent uninstall that leaves the settings.
TEST_F(Release, InstallsUpgradesAndUninstallsSilentlyKeepingTheSettings) {
  const std::string version = Env("BRISOLT_VERSION");
  const std::string setup = Env("BRISOLT_SETUP");
  const std::string folder = KnownFolder(FOLDERID_LocalAppData) + "\\Programs\\Brisolt";
  const std::string shortcut = KnownFolder(FOLDERID_Programs) + "\\Brisolt.lnk";

  ASSERT_EQ(RunAndWait("\"" + setup + "\" /S /AUTOSTART=1"), 0u);
  for (const char* file : {"Brisolt.exe", "Hakdor.dll", "bass.dll", "schemes.cfg", "Uninstall.exe",
                           "Schemes\\Mechanical\\Other.wav", "Schemes\\Mechanical\\OtherRelease.wav"}) {
    EXPECT_TRUE(FileExists(folder + "\\" + file)) << file;
  }
  EXPECT_TRUE(FileExists(shortcut)) << shortcut;
  EXPECT_EQ(RegText(kUninstallKey, "DisplayVersion"), version);
  EXPECT_EQ(RegText(kUninstallKey, "DisplayName"), "Brisolt");
  EXPECT_EQ(RegText(kUninstallKey, "Publisher"), "Quendral");
  EXPECT_EQ(RegText(kUninstallKey, "QuietUninstallString"), "\"" + folder + "\\Uninstall.exe\" /S");
  const std::string exe = folder + "\\Brisolt.exe";
  EXPECT_EQ(RunValue(), exe.find(' ') == std::string::npos ? exe : "\"" + exe + "\"") << "as the program writes it";
  EXPECT_EQ(MainWindow(), nullptr) << "a silent install does not start a program that was not running";

  StartAndWait(folder);
  EXPECT_TRUE(AKeySounds());
  // The hotkeys are registered after the tray icon.
  ASSERT_TRUE(WaitFor([] { return HotkeyHeld(MOD_CONTROL | MOD_ALT, 'R'); }));
  // The user's own changes: a lower volume (saved within 2 s), a scheme and a sound.
  testutil::Chord({VK_CONTROL, VK_MENU, 'R'});
  ASSERT_TRUE(WaitFor([&] { return ReadFileText(folder + "\\config.cfg").find("GlobalVolume=50") != std::string::npos; }))
      << ReadFileText(folder + "\\config.cfg");
  EXPECT_NE(ReadFileText(folder + "\\config.cfg").find("AutoRun=1"), std::string::npos)
      << "the options see the installer's Run value";
  CreateDirectoryA((folder + "\\Schemes\\Mine").c_str(), nullptr);
  WriteFileText(folder + "\\Schemes\\Mine\\mine.wav", "not really a sound");

  // An upgrade over the running program: closed through its exit, started again.
  ASSERT_EQ(RunAndWait("\"" + setup + "\" /S"), 0u);
  EXPECT_TRUE(WaitFor([] { return MainWindow() != nullptr; }, 20000)) << "started again";
  EXPECT_NE(ReadFileText(folder + "\\config.cfg").find("GlobalVolume=50"), std::string::npos);
  EXPECT_TRUE(FileExists(folder + "\\Schemes\\Mine\\mine.wav"));
  // Ended only once it runs again in full: its hook started after the old one stopped.
  EXPECT_TRUE(WaitFor([&] {
    std::string log = ReadFileText(folder + "\\Log.txt");
    size_t stopped = log.rfind("Hook was stopped");
    return stopped != std::string::npos && log.find("Hook was started", stopped) != std::string::npos;
  }, 20000)) << ReadFileText(folder + "\\Log.txt");
  EXPECT_TRUE(ExitRunning());

  // The uninstaller copies itself aside and removes the folder from there.
  ASSERT_EQ(RunAndWait("\"" + folder + "\\Uninstall.exe\" /S"), 0u);
  EXPECT_TRUE(WaitFor([&] { return RegText(kUninstallKey, "DisplayName") == "<missing>" && !FileExists(folder + "\\Uninstall.exe"); },
                      30000));
  for (const char* file : {"Brisolt.exe", "Hakdor.dll", "bass.dll", "Uninstall.exe", "README.txt",
                           "Schemes\\Mechanical\\Other.wav"}) {
    EXPECT_FALSE(FileExists(folder + "\\" + file)) << file;
  }
  EXPECT_FALSE(FileExists(shortcut));
  EXPECT_EQ(RunValue(), "<none>");
  EXPECT_TRUE(FileExists(folder + "\\config.cfg")) << "a silent uninstall keeps the settings";
  EXPECT_TRUE(FileExists(folder + "\\schemes.cfg"));
  EXPECT_TRUE(FileExists(folder + "\\Schemes\\Mine\\mine.wav")) << "and the user's own sounds";
}

// Drives the program to the windows the README shows, for scripts/screenshots.sh:
// a sound pack made here (a sprite of decaying clicks, a slice per key) is
// dropped on the options window, and the options window's Schemes page, the
// scheme editor's Keyboard page and the key sound dialog of a key with a
// slice are each held still while the script photographs the screen.
//   screenshot_driver.exe <program folder> <request file> <suffix>
// For each picture it writes "<name><suffix> x y width height" to the request
// file and waits until the script has deleted it.

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_identity.h"
#include "settings/key_table.h"
#include "ui/keyboard_view.h"
#include "ui/resource.h"

namespace {

std::string folder, request, suffix;

bool WaitFor(const auto& condition, int ms = 20000) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (condition()) return true;
    Sleep(20);  // a poll: what is waited for happens in another process
  }
  return condition();
}

void Put16(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A mono 16-bit WAV at 44.1 kHz: `count` clicks 360 ms apart, each a short
// burst of a resonance that dies away, as a recorded key does.
std::string Sprite(int count) {
  const int rate = 44100, step = rate * 360 / 1000;
  std::vector<int16_t> samples(static_cast<size_t>(count) * step);
  uint32_t noise = 12345;
  for (int k = 0; k < count; ++k) {
    const double hz = 900 + 37.0 * (k % 23);
    for (int i = 0; i < rate * 150 / 1000; ++i) {
      noise = noise * 1664525 + 1013904223;
      const double t = static_cast<double>(i) / rate;
      const double hit = std::exp(-t * 60) * (static_cast<double>(noise >> 16) / 32768.0 - 1.0) * 0.5;
      const double ring = std::exp(-t * 25) * std::sin(2 * 3.14159265358979 * hz * t) * 0.45;
      samples[static_cast<size_t>(k) * step + static_cast<size_t>(i)] = static_cast<int16_t>((hit + ring) * 26000);
    }
  }
  std::string wav = "RIFF";
  Put16(wav, static_cast<uint32_t>(36 + samples.size() * 2), 4);
  wav += "WAVEfmt ";
  Put16(wav, 16, 4);
  Put16(wav, 1, 2);
  Put16(wav, 1, 2);
  Put16(wav, rate, 4);
  Put16(wav, rate * 2, 4);
  Put16(wav, 2, 2);
  Put16(wav, 16, 2);
  wav += "data";
  Put16(wav, static_cast<uint32_t>(samples.size() * 2), 4);
  for (int16_t s : samples) Put16(wav, static_cast<uint16_t>(s), 2);
  return wav;
}

// Most keys a slice of the sprite, a release slice for the letters; the
// modifiers keep the category's sound, so that the picture shows both.
std::string MakePack() {
  const std::string pack = folder + "\\Studio Clicks";
  CreateDirectoryA(pack.c_str(), nullptr);
  const auto table = KeyTable();
  std::ofstream(pack + "\\sprite.wav", std::ios::binary) << Sprite(kKeyCount + 26);
  std::string defines;
  int release = kKeyCount;
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = table[static_cast<size_t>(row)];
    const std::string name(key.name);
    if (name.find("Shift") != std::string::npos || name.find("Ctrl") != std::string::npos ||
        name.find("Alt") != std::string::npos || name.find("Win") != std::string::npos) {
      continue;
    }
    const std::string code = std::to_string(key.packCode);
    defines += (defines.empty() ? "" : ",\n") + std::string("\"") + code + "\": [" + std::to_string(row * 360) +
               ", 150]";
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') {
      defines += ",\n\"" + code + "-up\": [" + std::to_string(release++ * 360) + ", 150]";
    }
  }
  std::ofstream(pack + "\\config.json", std::ios::binary)
      << "{\"name\": \"Studio Clicks\", \"key_define_type\": \"single\", \"sound\": \"sprite.wav\",\n"
         "\"defines\": {"
      << defines << "}}\n";
  return pack;
}

HWND MainWindow() { return FindWindowA("TfrmMain", "Brisolt - Options"); }

HWND Dialog(const char* caption) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindWindowA("#32770", caption)) != nullptr && IsWindowVisible(found); });
  return found;
}

HWND Find(HWND top, int id) {
  if (HWND control = GetDlgItem(top, id)) return control;
  for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (HWND control = GetDlgItem(child, id)) return control;
  }
  return nullptr;
}

// Waits until the window has painted, then for the script's picture of it.
void Shot(const std::string& name, HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  RECT rect{};
  GetWindowRect(window, &rect);
  std::ofstream(request + ".tmp") << name << suffix << " " << rect.left << " " << rect.top << " "
                                  << rect.right - rect.left << " " << rect.bottom - rect.top << "\n";
  MoveFileExA((request + ".tmp").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING);
  WaitFor([] { return GetFileAttributesA(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, 60000);
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

bool BalloonGone() {
  bool shown = false;
  EnumWindows(
      [](HWND window, LPARAM shown) -> BOOL {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpiA(name, "tooltips_class32") == 0 && IsWindowVisible(window) &&
            (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON)) {
          *reinterpret_cast<bool*>(shown) = true;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&shown));
  return !shown;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  // Window rectangles in the screen's own pixels, at any dpi.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  folder = argv[1];
  request = argv[2];
  suffix = argv[3];
  const std::string pack = MakePack();
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");  // the drop below
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  std::string line = "\"" + folder + "\\Brisolt.exe\"";
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &program)) {
    return 1;
  }
  if (!WaitFor([] { return MainWindow() != nullptr; })) return 1;
  HWND main = MainWindow();
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);

  // Dropped on the window as it shows: the new scheme is selected in the list.
  PostMessageA(main, WM_ACTIVATE_INSTANCE, 0, 0);
  WaitFor([&] { return IsWindowVisible(main) != FALSE; });
  SendMessageA(Find(main, IDC_pagMain), TCM_SETCURFOCUS, 1, 0);
  const ATOM atom = GlobalAddAtomA(("0 0 " + pack).c_str());
  SendMessageA(main, RegisterWindowMessageA("Brisolt.TestDrop"), atom, 0);
  GlobalDeleteAtom(atom);
  WaitFor(BalloonGone, 30000);  // the import's balloon goes by itself
  Shot("options-schemes", main);

  Click(Find(main, IDC_btnEditScheme));
  HWND editor = Dialog("Edit Scheme - Studio Clicks");
  if (!editor) return 1;
  SendMessageA(GetDlgItem(editor, IDC_tabEditor), TCM_SETCURFOCUS, 1, 0);
  HWND view = GetDlgItem(editor, IDC_kbView);
  SendMessageA(view, KVM_SETFOCUSKEY, static_cast<WPARAM>(FindKeyByName("A")), 0);
  Shot("editor-keyboard", editor);

  PostMessageA(view, WM_KEYDOWN, VK_RETURN, 0);
  HWND key = Dialog("A");
  if (key) {
    Shot("key-slice", key);
    PostMessageA(key, WM_COMMAND, IDCANCEL, 0);
    WaitFor([&] { return !IsWindow(key); });
  }
  PostMessageA(editor, WM_COMMAND, IDCANCEL, 0);
  WaitFor([&] { return !IsWindow(editor); });
  PostMessageA(main, WM_CLOSE, 0, 0);
  WaitForSingleObject(program.hProcess, 10000);
  CloseHandle(program.hProcess);
  CloseHandle(program.hThread);
  return 0;
}

// Brisolt: plays a short sound for every key press and mouse click.

#include <windows.h>

#include "app/main_window.h"
#include "app/program_folder.h"
#include "app/startup.h"
#include "base/scoped_win.h"
#include "settings/config_files.h"
#include "ui/about_box.h"
#include "ui/device_selector.h"
#include "ui/menus.h"
#include "ui/options_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!CheckSingleInstance()) return 0;  // the running instance shows itself

  // Deleting the settings resets the program rather than silencing it.
  firstStart = TakeFirstStartRecord() || !SettingsExist(DataFolder());
  if (firstStart) SelectDeviceAndInit(nullptr, true);  // the first window the user sees
  HWND mainWindow = TfrmMain::Create(instance);
  firstStart = false;
  if (!mainWindow) return 1;

  // Alt+X: "Close" of the options window's Scheme menu.
  ACCEL close{FALT | FVIRTKEY, 'X', kCmdCloseWindow};
  ScopedAccelerators accelerators(CreateAcceleratorTableW(&close, 1));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (accelerators && TranslateAcceleratorW(mainWindow, accelerators.get(), &msg)) continue;
    if (OptionsWindowPreTranslate(msg)) continue;
    if (AboutBoxMessage(msg)) continue;  // Esc and Tab in the about box
    if (IsDialogMessageW(mainWindow, &msg)) continue;  // Tab, Enter, Esc and the accelerator letters
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

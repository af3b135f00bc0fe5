// Brisolt: plays a short sound for every key press and mouse click.

#include <windows.h>

#include "app/main_window.h"
#include "app/startup.h"
#include "audio/audio_engine.h"
#include "ui/menus.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!CheckSingleInstance()) return 0;  // the running instance shows itself

  firstStart = TakeFirstStartRecord();
  if (firstStart) InitFirstStartDevice();
  HWND mainWindow = TfrmMain::Create(instance);
  firstStart = false;
  if (!mainWindow) return 1;

  // Alt+X: "Close" of the options window's Scheme menu.
  ACCEL close{FALT | FVIRTKEY, 'X', kCmdCloseWindow};
  HACCEL accelerators = CreateAcceleratorTableA(&close, 1);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (accelerators && TranslateAcceleratorA(mainWindow, accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (accelerators) DestroyAcceleratorTable(accelerators);
  return 0;
}

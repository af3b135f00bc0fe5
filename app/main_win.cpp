// Brisolt: plays a short sound for every key press and mouse click.

#include <windows.h>

#include "app/main_window.h"
#include "app/startup.h"
#include "audio/audio_engine.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!CheckSingleInstance()) return 0;  // the running instance shows itself

  firstStart = TakeFirstStartRecord();
  if (firstStart) InitFirstStartDevice();
  HWND mainWindow = TfrmMain::Create(instance);
  firstStart = false;
  if (!mainWindow) return 1;

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

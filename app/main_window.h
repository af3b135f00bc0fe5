#pragma once
// TfrmMain: the options window and the controller of the whole program. It
// exists from start to exit, mostly hidden; the hook, hotkey, tray and
// second-instance messages all arrive here, and it turns them into commands.

#include <windows.h>

class TfrmMain {
 public:
  // Registers the window class and creates the (hidden) window; the create
  // handler brings every part of the program up.
  static HWND Create(HINSTANCE instance);

  // Shows the options window and brings it to the foreground.
  static void ShowOptions();
  // actHideMainForm: hides the options window (and with it its taskbar button).
  static void actHideMainForm();

 private:
  static LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void FormCreate(HWND window);
  static void FormClose();
  static void FormDestroy();
  static bool WMSysCommand(WPARAM command);
  static void HandleTrayMessage(HWND window, UINT event);
  static void HandleHotkey(WPARAM id);
  // A command of the tray menu, the menu bar or the Alt+X accelerator.
  static bool HandleCommand(HWND window, UINT command);
  static void FollowChosenEndpoint();
  // The audio engine and the hotkey registrations follow the model.
  static void FollowModel(unsigned changes);
  // After an unlock or a resume, or when the watchdog found the hook deaf:
  // the hook is reinstalled (unless the watchdog just did) and no key or
  // button is taken as held any more.
  static void RecoverInput(bool reinstall);

  static inline HWND handle_ = nullptr;
  static inline bool closing_ = false;
  static inline bool autosaving_ = false;
};

// Low-level keyboard and mouse hooks serviced by a thread of the library's
// own. Windows calls a low-level hook on the thread that installed it, so a
// busy program window can never delay typing system-wide, nor get the hook
// removed by Windows for answering too slowly. The hook procedures only post
// a message and return: no I/O, no locks, no allocation.

#include "hook/hakdor.h"

#include <atomic>

#include "app/scoped_win.h"
#include "hook/key_flags.h"

namespace {

HMODULE module = nullptr;
std::atomic<HWND> target{nullptr};
ScopedHandle hookThread;
DWORD hookThreadId = 0;
ScopedHandle readyEvent;
std::atomic<bool> hooksInstalled{false};
KeyDownTracker keyState;  // hook thread only

// The hook procedures run only C calls and cannot throw: nothing here needs the
// program's exception boundary.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION) {
    const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    LowLevelKey key{info->vkCode, info->scanCode, (info->flags & LLKHF_EXTENDED) != 0,
                    (info->flags & LLKHF_ALTDOWN) != 0, (info->flags & LLKHF_UP) != 0};
    bool wasDown = keyState.Update(key.vkCode, key.released);
    if (HWND window = target.load(std::memory_order_relaxed)) {
      PostMessageA(window, kHookKeyboardMessage, GenericVirtualKey(key.vkCode),
                   static_cast<LPARAM>(KeystrokeFlags(key, wasDown)));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool IsButtonMessage(WPARAM message) {
  switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
    case WM_XBUTTONDOWN: case WM_XBUTTONUP:
      return true;
    default:
      return false;  // moves and wheel turns would only flood the queue
  }
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION && IsButtonMessage(wParam)) {
    if (HWND window = target.load(std::memory_order_relaxed)) {
      PostMessageA(window, kHookMouseMessage, wParam, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI HookThreadMain(void*) {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // gives the thread its queue
  keyState.Reset();
  ScopedHook keyboard(SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardProc, module, 0));
  ScopedHook mouse(SetWindowsHookExA(WH_MOUSE_LL, MouseProc, module, 0));
  bool ok = keyboard && mouse;
  hooksInstalled = ok;
  SetEvent(readyEvent.get());
  if (ok) {
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      DispatchMessageA(&msg);
    }
  }
  return ok ? 0 : 1;  // the hooks are removed on the way out
}

void CloseThreadHandles() {
  hookThread.reset();
  readyEvent.reset();
  hookThreadId = 0;
}

}  // namespace

extern "C" BYTE WINAPI StartHook(HWND window) {
  if (hookThread) return kHookAlreadyStarted;
  if (!window || !IsWindow(window)) return kHookCannotStart;
  target = window;
  readyEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!readyEvent) return kHookCannotStart;
  hookThread.reset(CreateThread(nullptr, 0, HookThreadMain, nullptr, 0, &hookThreadId));
  if (!hookThread) {
    CloseThreadHandles();
    target = nullptr;
    return kHookCannotStart;
  }
  // The hook thread only waits for input, so a raised priority costs nothing
  // and keeps key events prompt when the machine is busy.
  SetThreadPriority(hookThread.get(), THREAD_PRIORITY_HIGHEST);
  HANDLE waits[2] = {readyEvent.get(), hookThread.get()};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (!hooksInstalled) {
    WaitForSingleObject(hookThread.get(), INFINITE);
    CloseThreadHandles();
    target = nullptr;
    return kHookCannotStart;
  }
  return kHookStarted;
}

extern "C" BOOL WINAPI StopHook(void) {
  if (!hookThread) return FALSE;
  target = nullptr;  // nothing more is posted, even before the thread ends
  PostThreadMessageA(hookThreadId, WM_QUIT, 0, 0);
  WaitForSingleObject(hookThread.get(), 5000);
  CloseThreadHandles();
  hooksInstalled = false;
  return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

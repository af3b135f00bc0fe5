// Low-level keyboard and mouse hooks serviced by a thread of the library's
// own. Windows calls a low-level hook on the thread that installed it, so a
// busy program window can never delay typing system-wide, nor get the hook
// removed by Windows for answering too slowly. The hook procedures only post
// a message and return: no I/O, no locks, no allocation.

#include "hook/hakdor.h"

#include <atomic>

#include "base/scoped_win.h"
#include "base/test_seams.h"
#include "hook/key_flags.h"

namespace {

HMODULE module = nullptr;
std::atomic<HWND> target{nullptr};
ScopedHandle hookThread;
DWORD hookThreadId = 0;
ScopedHandle readyEvent;
std::atomic<bool> hooksInstalled{false};
KeyDownTracker keyState;  // hook thread only
std::atomic<DWORD> lastEventTick{0};
DWORD lastActivityReport = 0;  // hook thread only
std::atomic<bool> dropEvents{false};  // a test's starved hook
ScopedHandle changedEvent;  // the hook thread has done what it was asked

// Thread messages of the hook thread.
constexpr UINT kReinstallMessage = WM_APP + 1;
constexpr UINT kUnhookMessage = WM_APP + 2;
constexpr DWORD kActivityReportMs = 1000;

// Every event counts as the user's presence; the program hears of it at most
// once a second, so that mouse moves do not flood its queue.
void NoteEvent(HWND window) {
  DWORD now = GetTickCount();
  lastEventTick.store(now, std::memory_order_relaxed);
  if (now - lastActivityReport >= kActivityReportMs) {
    lastActivityReport = now;
    PostMessageA(window, kHookActivityMessage, 0, 0);
  }
}

// The hook procedures run only C calls and cannot throw: nothing here needs the
// program's exception boundary.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION && !dropEvents.load(std::memory_order_relaxed)) {
    const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    LowLevelKey key{info->vkCode, info->scanCode, (info->flags & LLKHF_EXTENDED) != 0,
                    (info->flags & LLKHF_ALTDOWN) != 0, (info->flags & LLKHF_UP) != 0};
    bool wasDown = keyState.Update(key.vkCode, key.released);
    if (HWND window = target.load(std::memory_order_relaxed)) {
      NoteEvent(window);
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
  if (code == HC_ACTION && !dropEvents.load(std::memory_order_relaxed)) {
    if (HWND window = target.load(std::memory_order_relaxed)) {
      NoteEvent(window);
      if (IsButtonMessage(wParam)) PostMessageA(window, kHookMouseMessage, wParam, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Hooks {
  ScopedHook keyboard;
  ScopedHook mouse;

  bool Install() {
    Remove();
    keyState.Reset();
    dropEvents = false;
    // Hooks just installed have missed nothing since.
    lastEventTick = GetTickCount();
    keyboard.reset(SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardProc, module, 0));
    mouse.reset(SetWindowsHookExA(WH_MOUSE_LL, MouseProc, module, 0));
    return keyboard && mouse;
  }
  void Remove() {
    keyboard.reset();
    mouse.reset();
  }
};

DWORD WINAPI HookThreadMain(void*) noexcept {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // gives the thread its queue
  Hooks hooks;
  bool ok = hooks.Install();
  hooksInstalled = ok;
  SetEvent(readyEvent.get());
  if (ok) {
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.hwnd == nullptr && msg.message == kReinstallMessage) {
        hooksInstalled = hooks.Install();
        SetEvent(changedEvent.get());
      } else if (msg.hwnd == nullptr && msg.message == kUnhookMessage) {
        hooks.Remove();  // as Windows does: the thread goes on, the hooks are gone
        SetEvent(changedEvent.get());
      } else {
        DispatchMessageA(&msg);
      }
    }
  }
  return ok ? 0 : 1;  // the hooks are removed on the way out
}

// Asks the hook thread to do `message` and waits for it.
bool AskHookThread(UINT message) {
  if (!hookThread || !changedEvent) return false;
  ResetEvent(changedEvent.get());
  if (!PostThreadMessageA(hookThreadId, message, 0, 0)) return false;
  HANDLE waits[2] = {changedEvent.get(), hookThread.get()};
  return WaitForMultipleObjects(2, waits, FALSE, 2000) == WAIT_OBJECT_0;
}

void CloseThreadHandles() {
  hookThread.reset();
  readyEvent.reset();
  changedEvent.reset();
  hookThreadId = 0;
}

}  // namespace

extern "C" BYTE WINAPI StartHook(HWND window) {
  if (hookThread) return kHookAlreadyStarted;
  if (!window || !IsWindow(window)) return kHookCannotStart;
  target = window;
  readyEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  changedEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!readyEvent || !changedEvent) {
    CloseThreadHandles();
    target = nullptr;
    return kHookCannotStart;
  }
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

extern "C" DWORD WINAPI HookLastEventTime(void) {
  return hookThread ? lastEventTick.load(std::memory_order_relaxed) : 0;
}

extern "C" BOOL WINAPI ReinstallHook(void) {
  return AskHookThread(kReinstallMessage) && hooksInstalled ? TRUE : FALSE;
}

extern "C" BOOL WINAPI HookTestFault(DWORD fault) {
  if (!TestSeamsOn() || !hookThread) return FALSE;
  switch (fault) {
    case kHookFaultDropEvents:
      dropEvents = true;
      return TRUE;
    case kHookFaultUnhook:
      return AskHookThread(kUnhookMessage) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

#pragma once
// The main window's handlers of the hook messages and of the hotkeys.

#include <windows.h>

#include <array>
#include <cstdint>

// True while the scheme editor is open: key sounds stay quiet meanwhile.
extern bool SchemeEditorOpen;

void KeyboardMessages(WPARAM virtualKey, LPARAM flags);
void MouseMessages(WPARAM message);

// Adds the six atoms and registers the bindings of the settings.
void RegisterHotkeys(HWND window);
void UnregisterHotkeys(HWND window);
// Takes new combinations for all six bindings (HotKey, Modifiers each).
// Every binding that changes is released before any is registered again, so
// two bindings can swap their combinations.
struct HotkeyValue {
  uint16_t hotKey;
  uint16_t modifiers;
};
void RebindHotkeys(HWND window, const std::array<HotkeyValue, 6>& values);
void HandleHotkey(WPARAM id);

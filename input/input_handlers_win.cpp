#include "input/input_handlers.h"

#include "app/log.h"
#include "app/main_window.h"
#include "audio/audio_engine.h"
#include "input/dispatch.h"
#include "input/hotkeys.h"
#include "settings/settings.h"
#include "ui/options_window.h"
#include "ui/tray.h"

bool SchemeEditorOpen = false;

namespace {

std::array<ATOM, 6> hotkeyIds{};

// The first steps shared by keys and buttons. Returns the active scheme, or
// null when the event is to change nothing at all. A current scheme name that
// is not in the list throws, and the window's exception boundary logs it.
const TScheme* ActiveSchemeFor(bool TScheme::*inputSwitch) {
  if (SchemeEditorOpen) return nullptr;
  if (settings.CurrentSchemeName.empty()) return nullptr;
  const TScheme& scheme = schemeList.Scheme(schemeList.FindScheme(settings.CurrentSchemeName));
  if (!(scheme.*inputSwitch)) return nullptr;
  if (settings.MuteSound) return nullptr;
  if (settings.DeviceID == 0) return nullptr;
  return &scheme;
}

// Plays the category of the active scheme, looked up afresh; false when the
// category is switched off.
bool PlayCategory(KeyCategory category) {
  const TScheme& scheme = schemeList.Scheme(schemeList.FindScheme(settings.CurrentSchemeName));
  const TSoundKey& key = scheme.Key(category);
  if (!key.Enabled) return false;
  PlayKeySound(key.FileName, key.Volume);
  return true;
}

}  // namespace

void KeyboardMessages(WPARAM virtualKey, LPARAM flags) {
  if (!ActiveSchemeFor(&TScheme::KeyboardEnabled)) return;
  KeyStep step = KeyboardStep(static_cast<uint32_t>(virtualKey), static_cast<uint32_t>(flags), settings.AnimIcon);
  if (step.picture != kNoPictureChange) SetTrayIcon(step.picture, TrayTip());
  if (!step.sounds) return;
  try {
    PlayCategory(CategoryOfVirtualKey(static_cast<uint32_t>(virtualKey)));
  } catch (...) {
    WriteLog("Error in KeyboardMessages");
  }
}

void MouseMessages(WPARAM message) {
  if (!ActiveSchemeFor(&TScheme::MouseEnabled)) return;
  try {
    MouseEvent event = ClassifyMouseMessage(static_cast<uint32_t>(message));
    switch (event) {
      case MouseEvent::kLeftDown:
      case MouseEvent::kRightDown:
        // The button-down picture only follows a sound that was asked for.
        if (PlayCategory(event == MouseEvent::kLeftDown ? KeyCategory::LeftButton : KeyCategory::RightButton) &&
            settings.AnimIcon) {
          SetTrayIcon(kPictureButtonDown, TrayTip());
        }
        break;
      case MouseEvent::kButtonUp:
        SetTrayIcon(kPictureSoundOn, TrayTip());
        break;
      case MouseEvent::kIgnored:
        break;
    }
  } catch (...) {
    WriteLog("Error in MouseMessages");
  }
}

void RegisterHotkeys(HWND window) {
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    const HotkeyBinding& binding = kHotkeyBindings[i];
    hotkeyIds[i] = GlobalAddAtomA(binding.atomName);
    RegisterHotKey(window, hotkeyIds[i], settings.*binding.modifiers, HotkeyKeyCode(settings.*binding.hotKey));
  }
}

void UnregisterHotkeys(HWND window) {
  for (ATOM id : hotkeyIds) UnregisterHotKey(window, id);
}

void RebindHotkeys(HWND window, const std::array<HotkeyValue, 6>& values) {
  std::array<bool, 6> changed{};
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    const HotkeyBinding& binding = kHotkeyBindings[i];
    changed[i] = settings.*binding.hotKey != values[i].hotKey || settings.*binding.modifiers != values[i].modifiers;
    if (changed[i]) UnregisterHotKey(window, hotkeyIds[i]);
  }
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    if (!changed[i]) continue;
    const HotkeyBinding& binding = kHotkeyBindings[i];
    settings.*binding.hotKey = values[i].hotKey;
    settings.*binding.modifiers = values[i].modifiers;
    RegisterHotKey(window, hotkeyIds[i], values[i].modifiers, HotkeyKeyCode(values[i].hotKey));
  }
}

void HandleHotkey(WPARAM id) {
  // Each binding is tested on its own, in table order.
  if (id == hotkeyIds[kHotkeyOptions]) TfrmMain::ShowOptions();
  if (id == hotkeyIds[kHotkeySound]) pmiMuteClick();
  if (id == hotkeyIds[kHotkeyVolumeUp]) {
    settings.GlobalVolume = VolumeRaised(settings.GlobalVolume, settings.VolUpValue);
    ShowGlobalVolume();
  }
  if (id == hotkeyIds[kHotkeyVolumeDown]) {
    settings.GlobalVolume = VolumeLowered(settings.GlobalVolume, settings.VolDownValue);
    ShowGlobalVolume();
  }
  if (id == hotkeyIds[kHotkeyNextScheme] || id == hotkeyIds[kHotkeyPrevScheme]) {
    int current = schemeList.FindScheme(settings.CurrentSchemeName);
    int next = id == hotkeyIds[kHotkeyNextScheme] ? NextSchemeIndex(current, schemeList.Count())
                                                  : PreviousSchemeIndex(current, schemeList.Count());
    if (next >= 0) {
      settings.CurrentSchemeName = schemeList.Name(next);
      SchemeChangedElsewhere();
      SetTrayIcon(kNoPictureChange, TrayTip());
    }
  }
}

#include "input/input_handlers.h"

#include "app/commands.h"
#include "app/log.h"
#include "audio/audio_engine.h"
#include "audio/press_rules.h"
#include "input/dispatch.h"
#include "input/hotkeys.h"
#include "settings/settings.h"

bool SchemeEditorOpen = false;

namespace {

struct Registration {
  ScopedAtom id;
  uint16_t hotKey = 0;
  uint16_t modifiers = 0;
};
std::array<Registration, kHotkeyBindings.size()> registrations;

// The first steps shared by keys and buttons. Returns the active scheme, or
// null when the event is to change nothing at all. A current scheme name that
// is not in the list throws, and the window's exception boundary logs it.
const TScheme* ActiveSchemeFor(bool TScheme::*inputSwitch) {
  if (SchemeEditorOpen) return nullptr;
  if (settings.CurrentSchemeName.empty()) return nullptr;
  const TScheme& scheme = schemeList.Scheme(CurrentSchemeIndex());
  if (!(scheme.*inputSwitch)) return nullptr;
  if (settings.MuteSound) return nullptr;
  if (settings.DeviceID == 0) return nullptr;
  if (!QuietReasonNow().empty()) return nullptr;  // a full-screen program, a quiet program or a call
  return &scheme;
}

// Each press a little different (Variation), seeded afresh at every start.
VariationGenerator variation(static_cast<uint64_t>(GetTickCount64()) * 0x9E3779B97F4A7C15ull);

// Plays a key's sound from the active scheme, its press or its release
// (the key's own where the scheme gives it one, else its category's), or a
// button's category; placed at `pan` with KeyPanning; false when nothing was
// asked to sound.
bool PlayChosen(ChosenSound chosen, bool release, double pan) {
  if (chosen.reference == nullptr) return false;
  PressVariation varied = variation.Next(settings.Variation);
  KeySoundStyle style{varied.rate, varied.gainDb, settings.KeyPanning ? pan : 0.0, release};
  PlayKeySound(*chosen.reference, chosen.volume, style);
  return true;
}

bool PlayCategory(const TScheme& scheme, KeyCategory category, bool release, double pan) {
  return PlayChosen(ChooseKeySound(scheme, -1, category, release), release, pan);
}

void Register(HWND window, Registration& registration, uint16_t hotKey, uint16_t modifiers) {
  registration.hotKey = hotKey;
  registration.modifiers = modifiers;
  RegisterHotKey(window, registration.id.get(), modifiers, HotkeyKeyCode(hotKey));
}

}  // namespace

int KeyboardMessages(WPARAM virtualKey, LPARAM flags) {
  const TScheme* scheme = ActiveSchemeFor(&TScheme::KeyboardEnabled);
  if (!scheme) return kNoPictureChange;
  const auto key = static_cast<uint32_t>(virtualKey);
  KeyStep step = KeyboardStep(key, static_cast<uint32_t>(flags), settings.AnimIcon);
  if (!step.sounds && !step.playsRelease) return step.picture;
  try {
    const auto keystroke = static_cast<uint32_t>(flags);
    PlayChosen(ChooseKeySound(*scheme, KeyRowOfEvent(key, keystroke), CategoryOfVirtualKey(key), step.playsRelease),
               step.playsRelease, KeyPan(key, keystroke));
  } catch (...) {
    WriteLog("Error in KeyboardMessages");
  }
  return step.picture;
}

int MouseMessages(WPARAM message) {
  const TScheme* scheme = ActiveSchemeFor(&TScheme::MouseEnabled);
  if (!scheme) return kNoPictureChange;
  try {
    MouseEvent event = ClassifyMouseMessage(static_cast<uint32_t>(message));
    switch (event) {
      case MouseEvent::kLeftDown:
      case MouseEvent::kRightDown: {
        // The button-down picture only follows a sound that was asked for.
        bool sounded = PlayCategory(
            *scheme, event == MouseEvent::kLeftDown ? KeyCategory::LeftButton : KeyCategory::RightButton, false, 0.0);
        return sounded && settings.AnimIcon ? kPictureButtonDown : kNoPictureChange;
      }
      case MouseEvent::kButtonUp:
        PlayCategory(*scheme, ReleasedButton(static_cast<uint32_t>(message)), true, 0.0);
        return kPictureSoundOn;
      case MouseEvent::kIgnored:
        return kNoPictureChange;
    }
  } catch (...) {
    WriteLog("Error in MouseMessages");
  }
  return kNoPictureChange;
}

void ActivityMessages() {
  if (settings.MuteSound || settings.DeviceID == 0) return;
  NoteUserActivity();
}

void RegisterHotkeys(HWND window) {
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    const HotkeyBinding& binding = kHotkeyBindings[i];
    registrations[i].id.reset(GlobalAddAtomA(binding.atomName));
    Register(window, registrations[i], settings.*binding.hotKey, settings.*binding.modifiers);
  }
}

void UnregisterHotkeys(HWND window) {
  for (Registration& registration : registrations) {
    UnregisterHotKey(window, registration.id.get());
    registration.id.reset();
  }
}

void SyncHotkeys(HWND window) {
  std::array<bool, kHotkeyBindings.size()> changed{};
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    const HotkeyBinding& binding = kHotkeyBindings[i];
    changed[i] = registrations[i].hotKey != settings.*binding.hotKey ||
                 registrations[i].modifiers != settings.*binding.modifiers;
    if (changed[i]) UnregisterHotKey(window, registrations[i].id.get());
  }
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    if (changed[i]) Register(window, registrations[i], settings.*kHotkeyBindings[i].hotKey,
                             settings.*kHotkeyBindings[i].modifiers);
  }
}

int HotkeyActionOf(WPARAM id) {
  for (size_t i = 0; i < registrations.size(); ++i) {
    if (registrations[i].id && id == registrations[i].id.get()) return static_cast<int>(i);
  }
  return -1;
}

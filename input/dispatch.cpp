#include "input/dispatch.h"

#include "settings/key_table.h"

KeyCategory CategoryOfVirtualKey(uint32_t virtualKey) {
  if (virtualKey >= 0x30 && virtualKey <= 0x39) return KeyCategory::Digits;      // top-row 0..9
  if (virtualKey >= 0x70 && virtualKey <= 0x87) return KeyCategory::Functions;   // F1..F24
  switch (virtualKey) {
    case 0x08: return KeyCategory::BackSpace;
    case 0x09: return KeyCategory::Tab;
    case 0x0D: return KeyCategory::Enter;
    case 0x10: return KeyCategory::Shift;
    case 0x11: return KeyCategory::Ctrl;
    case 0x12: return KeyCategory::Alt;
    case 0x13: return KeyCategory::Pause;
    case 0x14: return KeyCategory::CapsLock;
    case 0x1B: return KeyCategory::Escape;
    case 0x20: return KeyCategory::Space;
    case 0x21: return KeyCategory::PageUp;
    case 0x22: return KeyCategory::PageDown;
    case 0x23: return KeyCategory::End;
    case 0x24: return KeyCategory::Home;
    case 0x2C: return KeyCategory::PrintScreen;
    case 0x2D: return KeyCategory::Insert;
    case 0x2E: return KeyCategory::Delete;
    case 0x5B: case 0x5C: return KeyCategory::Win;
    case 0x5D: return KeyCategory::Menu;
    case 0x90: return KeyCategory::NumLock;
    case 0x91: return KeyCategory::ScrollLock;
    default: return KeyCategory::Other;
  }
}

KeyStep KeyboardStep(uint32_t virtualKey, uint32_t flags, bool animIcon) {
  bool wasDown = (flags & (1u << 30)) != 0;
  bool released = (flags & (1u << 31)) != 0;
  KeyStep step;
  if (!wasDown) {
    if (animIcon) step.picture = kPictureKeyDown;
    step.sounds = true;
  } else if (!released) {
    step.sounds = true;  // auto-repeat: sounds again, the icon stays
  } else {
    if (animIcon) step.picture = kPictureSoundOn;
    step.sounds = virtualKey == kVirtualKeyPrintScreen;
    step.playsRelease = !step.sounds;
  }
  return step;
}

MouseEvent ClassifyMouseMessage(uint32_t message) {
  switch (message) {
    case 0x201: return MouseEvent::kLeftDown;
    case 0x204: return MouseEvent::kRightDown;
    case 0x202: case 0x205: return MouseEvent::kButtonUp;
    default: return MouseEvent::kIgnored;
  }
}

KeyCategory ReleasedButton(uint32_t message) {
  switch (message) {
    case 0x202: return KeyCategory::LeftButton;
    case 0x205: return KeyCategory::RightButton;
    default: return KeyCategory::Other;
  }
}

ChosenSound ChooseKeySound(const TScheme& scheme, int keyRow, KeyCategory category, bool release) {
  const TSoundKey& key = scheme.Key(category);
  if (!key.Enabled) return {};
  const auto own = scheme.OwnKeys.find(keyRow);
  if (own != scheme.OwnKeys.end()) {
    const std::optional<std::string>& mine = release ? own->second.ReleaseFileName : own->second.FileName;
    if (mine) return mine->empty() ? ChosenSound{} : ChosenSound{&*mine, own->second.Volume};
  }
  const std::string& file = release ? key.ReleaseFileName : key.FileName;
  if (file.empty()) return {};
  return {&file, key.Volume};
}

int KeyRowOfEvent(uint32_t virtualKey, uint32_t flags) {
  return KeyOfEvent(virtualKey, (flags >> 16) & 0xFF, ((flags >> 24) & 1) != 0);
}

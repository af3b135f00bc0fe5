#include "audio/press_rules.h"

#include <cmath>
#include <cstdlib>

int VariationLevel(int setting) { return setting < 0 ? 0 : setting > kMaxVariation ? kMaxVariation : setting; }

int VariedVolume(int volume, double gainDb) {
  if (gainDb == 0.0) return volume;
  long varied = std::lround(volume * std::pow(10.0, gainDb / 20.0));
  return static_cast<int>(varied < 0 ? 0 : varied > 100 ? 100 : varied);
}

uint64_t VariationGenerator::Random() {
  // xorshift64*: small, fast, and the same sequence on every compiler.
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return state_ * 0x2545F4914F6CDD1Dull;
}

int VariationGenerator::StepAwayFrom(int last, int range, int gap) {
  const auto span = static_cast<uint64_t>(2 * range + 1);
  for (;;) {
    int step = static_cast<int>((Random() >> 33) % span) - range;
    if (std::abs(step - last) >= gap) return step;
  }
}

PressVariation VariationGenerator::Next(int level) {
  level = VariationLevel(level);
  if (level == 0) return {};
  const int range = 10 * level;
  const int gap = (range + 3) / 4;  // an eighth of the 2 × range span, rounded up
  lastPitch_ = StepAwayFrom(lastPitch_, range, gap);
  lastGain_ = StepAwayFrom(lastGain_, range, gap);
  return PressVariation{1.0 + lastPitch_ * kPitchStep, lastGain_ * kGainStepDb};
}

namespace {

// Columns of the main block of a US keyboard, in key widths from its left
// edge (15 wide); keys right of the main block lie past its end.
constexpr double kMainWidth = 15.0;
constexpr double kRightOfMain = 16.0;

double Column(uint32_t vk, uint32_t flags) {
  const bool extended = (flags & (1u << 24)) != 0;
  const uint32_t scan = (flags >> 16) & 0xFF;
  // Rows of letters and digits, and the punctuation beside them.
  static constexpr const char* kRows[] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static constexpr double kRowStart[] = {1.5, 1.5, 1.75, 2.25};
  for (int row = 0; row < 4; ++row) {
    for (int i = 0; kRows[row][i]; ++i) {
      if (vk == static_cast<uint32_t>(kRows[row][i])) return kRowStart[row] + i;
    }
  }
  switch (vk) {
    case 0x1B: return 0.5;                            // Escape
    case 0xC0: return 0.5;                            // ` ~
    case 0x09: return 0.75;                           // Tab
    case 0x14: return 0.9;                            // Caps Lock
    case 0x10: return scan == 0x36 ? 13.6 : 1.1;      // Shift: the right one has its own scan code
    case 0x11: return extended ? 14.4 : 0.6;          // Ctrl
    case 0x5B: return 1.9;                            // left Windows key
    case 0x12: return extended ? 11.1 : 3.1;          // Alt
    case 0x20: return 7.5;                            // Space
    case 0x5C: return 12.4;                           // right Windows key
    case 0x5D: return 13.4;                           // Menu
    case 0xBD: return 11.5;                           // - _
    case 0xBB: return 12.5;                           // = +
    case 0xDB: return 11.5;                           // [ {
    case 0xDD: return 12.5;                           // ] }
    case 0xDC: return 13.75;                          // \ |
    case 0xBA: return 10.75;                          // ; :
    case 0xDE: return 11.75;                          // ' "
    case 0xBC: return 9.25;                           // , <
    case 0xBE: return 10.25;                          // . >
    case 0xBF: return 11.25;                          // / ?
    case 0x08: return 14.25;                          // Backspace
    case 0x0D: return extended ? kRightOfMain : 14.3; // Enter; the keypad's is extended
    default: break;
  }
  if (vk >= 0x70 && vk <= 0x7B) return 2.0 + (vk - 0x70) * 1.05;  // F1..F12 above the rows
  // Print Screen, the editing and arrow keys, the keypad and everything else
  // Windows reports lies right of the main block.
  return kRightOfMain;
}

}  // namespace

double KeyPan(uint32_t virtualKey, uint32_t flags) {
  double pan = (Column(virtualKey & 0xFF, flags) / kMainWidth * 2.0 - 1.0) * kMaxPan;
  return pan < -kMaxPan ? -kMaxPan : pan > kMaxPan ? kMaxPan : pan;
}

size_t PickVariant(size_t count, size_t last, uint64_t random) {
  if (count <= 1) return 0;
  if (last >= count) return static_cast<size_t>(random % count);
  // One of the others: a step of 1 .. count - 1 from the last.
  return (last + 1 + static_cast<size_t>(random % (count - 1))) % count;
}

#pragma once
// How one press sounds beyond its file: a little higher or lower and louder
// or softer each time (so that no two presses in a row are the same), and
// where it stands between the speakers (keys placed as they lie on a US
// keyboard, the mouse in the middle).

#include <cstddef>
#include <cstdint>

// Variation is 0..10; a hand-edited value outside is taken as its nearest end.
inline constexpr int kMaxVariation = 10;
int VariationLevel(int setting);

struct PressVariation {
  double rate = 1.0;    // playback rate: 1.05 plays 5 % higher (and shorter)
  double gainDb = 0.0;  // level change
};

// The pitch changes by up to ±level × 0.5 % and the level by up to
// ±level × 0.3 dB. Each press differs clearly from the one before it (by at
// least an eighth of the range, in pitch and in level); level 0 is the file
// as it is. Seeded, so that a sequence can be repeated.
class VariationGenerator {
 public:
  explicit VariationGenerator(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  PressVariation Next(int level);

 private:
  uint64_t Random();
  // A step in -range..range at least `gap` away from `last`.
  int StepAwayFrom(int last, int range, int gap);

  uint64_t state_;
  int lastPitch_ = 0;
  int lastGain_ = 0;
};

// A play volume (0..100) changed by gainDb, within 0..100.
int VariedVolume(int volume, double gainDb);

// Steps of the variation: 0.05 % of pitch and 0.03 dB of level, ten of each
// per level.
inline constexpr double kPitchStep = 0.0005;
inline constexpr double kGainStepDb = 0.03;

// The place of a key between the speakers, -0.6 (left) .. 0.6 (right), by
// its column on a US keyboard: Escape, Tab, Caps Lock and the left Shift far
// left, Backspace, Enter and the keys right of them far right, Space in the
// middle. `flags` are the keystroke flags of the hook's message (the scan code
// tells the right Shift, the extended bit the right Ctrl and Alt and the
// keypad's Enter).
inline constexpr double kMaxPan = 0.6;
double KeyPan(uint32_t virtualKey, uint32_t flags);

// Which of `count` variants of a sound a press plays, from `random`: any but
// `last` (the one played before; count or more when none was) while there
// are others.
size_t PickVariant(size_t count, size_t last, uint64_t random);

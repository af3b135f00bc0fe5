#pragma once
// What a scheme names as a sound: one file, a slice of one, or variants of
// which each press plays one at random. Written as text in schemes.cfg, with
// the two characters no Windows file name holds as separators:
//   Schemes\Pack\click.wav                    a whole file
//   Schemes\Pack\sprite.ogg<1200,85>          85 ms of it from 1200 ms on
//   press\GENERIC_R0.mp3|press\GENERIC_R1.mp3 one of two, never the same twice in a row
// so a reference to a plain file is the file's name, exactly as before.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SoundPart {
  std::string file;       // relative to the program folder, or absolute with a drive
  uint32_t startMs = 0;   // with lengthMs: a slice of the file
  uint32_t lengthMs = 0;  // 0: the whole file

  bool IsSlice() const { return lengthMs != 0; }
  bool operator==(const SoundPart&) const = default;
};

// Variants hold at most this many parts; more are dropped.
inline constexpr size_t kMaxSoundVariants = 100;

// The parts of a reference, in order; empty for empty text. A part whose
// slice cannot be read ("a.wav<x,3>", a length of 0, a start and length past
// 2^32 ms) is the text before '<' as a whole file; empty parts ("a.wav||b.wav")
// are left out.
std::vector<SoundPart> ParseSoundReference(std::string_view text);

// The text of the parts: ParseSoundReference(FormatSoundReference(p)) == p
// for parts whose files hold neither '|' nor '<'.
std::string FormatSoundReference(const std::vector<SoundPart>& parts);

#pragma once
// The config.json of a sound pack in the community pack format: read from a
// downloaded (untrusted) pack into a PackConfig, and written back for export.
//
// A pack is a folder with config.json and its sound files. It is either
// "single" (one sprite file, every key a slice of it in milliseconds) or
// "multi" (every key its own file, relative to the pack folder). Keys are
// decimal key codes, kept as integers here; "<code>-up" is the release of a key.
// Version 2 adds "sound" and "soundup" to multi packs: the press and release
// sounds of every key the defines do not name.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The largest config.json read, and the deepest nesting and most defines in it:
// far above any real pack, low enough that a hostile one costs little to refuse.
inline constexpr size_t kPackConfigMaxBytes = 1024 * 1024;
inline constexpr int kPackConfigMaxDepth = 64;
inline constexpr size_t kPackConfigMaxDefines = 5000;
// The most files a "{lo-hi}" range in a file name may stand for.
inline constexpr size_t kPackMaxVariants = 100;
// A pack's shown name is cut to this many characters (code points).
inline constexpr size_t kPackMaxNameChars = 100;

struct PackSound {
  enum Kind {
    kNone,   // null in the pack: the key is silent (it does not fall back to a default)
    kFile,   // a file of the pack folder
    kSlice,  // a slice of the sprite of a single pack
  };
  Kind kind = kNone;
  // kFile: the name as the pack writes it, '/' or '\' between folders; may hold
  // one "{lo-hi}" range (see ExpandVariants). A safe relative path
  // (packs/safe_path.h), as is the sprite.
  std::string file;
  // kSlice: lengthMs > 0 and startMs + lengthMs fits 32 bits.
  uint32_t startMs = 0;
  uint32_t lengthMs = 0;

  bool operator==(const PackSound&) const = default;
};

struct PackConfig {
  int version = 2;  // 1 (no "version" field) or 2
  std::string id;    // as the pack gives it, cleaned like the name; may be empty
  std::string name;  // never empty after reading: the name, else the id, else "Sound pack"
  bool single = false;
  std::string sprite;  // single: the file "sound" names; empty for multi
  // Multi, version 2: "sound" and "soundup". kNone when absent, and always for
  // single packs, whose "sound" is the sprite.
  PackSound defaultPress;
  PackSound defaultRelease;
  // By key code; a kNone entry silences that key.
  std::map<uint32_t, PackSound> press;
  std::map<uint32_t, PackSound> release;

  bool operator==(const PackConfig&) const = default;
};

struct PackConfigResult {
  bool ok = false;
  std::string error;  // when !ok: one sentence for the user, naming config.json or the field
  // Entries left out of a pack that was read: one line each, naming the key.
  std::vector<std::string> warnings;

  explicit operator bool() const { return ok; }
};

// Reads config.json; on failure `out` is left empty (a default PackConfig).
// A UTF-8 byte order mark is skipped. In slices, numbers may be numeric
// strings and non-negative fractions (rounded to the nearest millisecond).
// Entries whose key is neither a decimal code nor "<code>-up", and entries
// that cannot be used, are left out (a warning each); the pack is refused
// when no sound remains. Never throws.
PackConfigResult ReadPackConfig(std::string_view json, PackConfig& out);

// The files a name stands for: "GENERIC_R{0-4}.mp3" is GENERIC_R0.mp3 ..
// GENERIC_R4.mp3. A low bound written with leading zeros sets the width of
// every number ("{08-10}" is 08, 09, 10). A name without a well-formed range
// (one "{", one "}", 1 to 9 digits on each side of the "-", low <= high) is a
// file literally so named. Empty when the range is more than kPackMaxVariants.
std::vector<std::string> ExpandVariants(std::string_view file);

// A version-2 config.json for `config`, pretty-printed with keys in a fixed
// order (codes ascending, each press before its release) so that one pack
// always exports to the same bytes. Reading it back gives `config` again
// (with version 2). Never throws.
std::string WritePackConfig(const PackConfig& config);

#include "packs/pack_config.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

#include "packs/safe_path.h"

namespace {

using Json = nlohmann::json;
// Written objects keep the order their keys are added in, so that an export
// reads like a hand-written pack and is the same bytes every time.
using OrderedJson = nlohmann::ordered_json;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReleaseSuffix = "-up";
constexpr uint32_t kMaxMs = std::numeric_limits<uint32_t>::max();
// A key code is at most 4294967295: ten digits.
constexpr size_t kMaxCodeDigits = 10;
// Range bounds in file names: nine digits cannot overflow 32 bits.
constexpr size_t kMaxRangeDigits = 9;
constexpr std::string_view kFallbackName = "Sound pack";

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Only for text of at most nine digits, which always fits.
uint32_t SmallNumber(std::string_view digits) {
  uint32_t value = 0;
  for (char c : digits) value = value * 10 + static_cast<uint32_t>(c - '0');
  return value;
}

// The parser keeps its own stack, but copying, comparing and printing the tree
// it builds recurse, so the nesting is counted on the text before parsing.
// Brackets inside strings do not count; the count is exact for valid JSON, and
// for invalid JSON the parser stops at the fault before it could go deeper.
bool NestsTooDeep(std::string_view text) {
  int depth = 0;
  bool inString = false;
  bool escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      if (++depth > kPackConfigMaxDepth) return true;
    } else if ((c == '}' || c == ']') && depth > 0) {
      --depth;
    }
  }
  return false;
}

// nlohmann reports the 1-based offset of the last byte it read; that byte
// belongs to the line it ends, so only the newlines before it count.
size_t LineOfOffset(std::string_view text, size_t byte) {
  const size_t end = std::min(byte == 0 ? size_t{0} : byte - 1, text.size());
  return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
}

// The length of the UTF-8 sequence `lead` begins; the parser has checked the
// text, so the caller only keeps the length inside what remains.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// C0 and C1 controls and DEL, which a name shown in a menu or a message box
// must not carry, and plain whitespace: all become one space between words.
bool IsSeparator(std::string_view sequence) {
  if (sequence.size() == 1) {
    const auto c = static_cast<unsigned char>(sequence[0]);
    return c <= 0x20 || c == 0x7F;
  }
  return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
         static_cast<unsigned char>(sequence[1]) <= 0x9F;
}

// Trimmed, runs of blanks and controls made one space, cut to
// kPackMaxNameChars code points. Cleaning a cleaned name changes nothing.
std::string CleanName(std::string_view text) {
  std::string out;
  size_t chars = 0;
  bool pendingSpace = false;
  for (size_t i = 0; i < text.size();) {
    const size_t length = std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
    const std::string_view sequence = text.substr(i, length);
    i += length;
    if (IsSeparator(sequence)) {
      pendingSpace = !out.empty();
      continue;
    }
    const size_t needed = pendingSpace ? 2 : 1;
    if (chars + needed > kPackMaxNameChars) break;
    if (pendingSpace) out += ' ';
    out += sequence;
    chars += needed;
    pendingSpace = false;
  }
  return out;
}

std::string TextOf(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  // An id written as a number is taken as its digits.
  if (value.is_number_unsigned()) return std::to_string(value.get<uint64_t>());
  if (value.is_number_integer()) return std::to_string(value.get<int64_t>());
  return {};
}

std::string TextField(const Json& root, const char* key) {
  const auto it = root.find(key);
  return it == root.end() ? std::string() : TextOf(*it);
}

// Whole milliseconds from a number, a numeric string ("120", "120.5") or a
// non-negative fraction, rounded half up; nothing for anything else, negative
// values and values past 32 bits.
std::optional<uint32_t> MillisecondsFromText(std::string_view text) {
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (!IsDigits(whole) || (point != std::string_view::npos && !IsDigits(fraction))) return std::nullopt;
  uint64_t value = 0;
  for (char c : whole) {
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > kMaxMs) return std::nullopt;
  }
  if (!fraction.empty() && fraction[0] >= '5') ++value;
  if (value > kMaxMs) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<uint32_t> Milliseconds(const Json& value) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<uint64_t>();
    if (number > kMaxMs) return std::nullopt;
    return static_cast<uint32_t>(number);
  }
  if (value.is_number_integer()) {
    const auto number = value.get<int64_t>();
    if (number < 0 || static_cast<uint64_t>(number) > kMaxMs) return std::nullopt;
    return static_cast<uint32_t>(number);
  }
  if (value.is_number_float()) {
    const double number = value.get<double>();
    // The bound keeps the rounded value inside 32 bits.
    if (!std::isfinite(number) || number < 0 || number >= static_cast<double>(kMaxMs) + 0.5) return std::nullopt;
    return static_cast<uint32_t>(std::llround(number));
  }
  if (value.is_string()) return MillisecondsFromText(value.get_ref<const std::string&>());
  return std::nullopt;
}

struct DefineKey {
  uint32_t code = 0;
  bool release = false;
};

// "30" or "30-up". Keys are looked up by the code's decimal text, so "030" or
// "+30" would never be found by any program: they are not keys.
std::optional<DefineKey> ParseDefineKey(std::string_view key) {
  DefineKey parsed;
  if (key.ends_with(kReleaseSuffix)) {
    parsed.release = true;
    key.remove_suffix(kReleaseSuffix.size());
  }
  if (!IsDigits(key) || key.size() > kMaxCodeDigits || (key.size() > 1 && key[0] == '0')) return std::nullopt;
  uint64_t code = 0;
  for (char c : key) code = code * 10 + static_cast<uint64_t>(c - '0');
  if (code > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  parsed.code = static_cast<uint32_t>(code);
  return parsed;
}

std::optional<int> ReadVersion(const Json& root) {
  const auto it = root.find("version");
  if (it == root.end() || it->is_null()) return 1;
  if (it->is_number_integer()) {  // true for unsigned numbers too
    const auto version = it->get<int64_t>();
    if (version == 1 || version == 2) return static_cast<int>(version);
  } else if (it->is_number_float()) {
    const double version = it->get<double>();
    if (version == 1.0 || version == 2.0) return static_cast<int>(version);
  } else if (it->is_string()) {
    const auto& version = it->get_ref<const std::string&>();
    if (version == "1" || version == "2") return version[0] - '0';
  }
  return std::nullopt;
}

// Why a file name cannot be used, or nothing. The names go through the same
// rules as the paths of the pack's zip: a name that leaves the folder would
// play, or export, any file of the machine, and one Windows cannot create is
// a file the pack cannot have. Each variant of a range is checked, since
// "COM{1-3}.wav" is a plain name while "COM1.wav" is a device.
std::optional<std::string> FileProblem(const Json& value) {
  if (!value.is_string()) return "its value is not a file name";
  const auto& file = value.get_ref<const std::string&>();
  if (const PathFault fault = FindPathFault(file); fault != PathFault::kNone) return DescribePathFault(file, fault);
  const std::vector<std::string> variants = ExpandVariants(file);
  if (variants.empty()) {
    // Appended rather than added to a literal: GCC 12 warns falsely (-Wrestrict) on "\"" + std::string.
    return std::string("\"").append(QuotablePath(file)).append("\" names more than ")
        .append(std::to_string(kPackMaxVariants)).append(" files");
  }
  for (const std::string& variant : variants) {
    if (const PathFault fault = FindPathFault(variant); fault != PathFault::kNone) {
      return DescribePathFault(variant, fault);
    }
  }
  return std::nullopt;
}

std::optional<std::string> SliceProblem(const Json& value, PackSound& sound) {
  if (!value.is_array() || value.size() != 2) return "its value is not a slice [start, length]";
  const auto start = Milliseconds(value[0]);
  const auto length = Milliseconds(value[1]);
  if (!start || !length) return "the slice is not two non-negative numbers of milliseconds";
  if (*length == 0) return "the slice has length 0";
  if (*start > kMaxMs - *length) return "the slice ends past 2^32 milliseconds";
  sound.kind = PackSound::kSlice;
  sound.startMs = *start;
  sound.lengthMs = *length;
  return std::nullopt;
}

// "sound" or "soundup" of a version-2 multi pack: "" and null are no sound.
PackSound ReadDefaultSound(const Json& root, const char* field, std::vector<std::string>& warnings) {
  PackSound sound;
  const auto it = root.find(field);
  if (it == root.end() || it->is_null() || (it->is_string() && it->get_ref<const std::string&>().empty())) {
    return sound;
  }
  if (const auto problem = FileProblem(*it)) {
    warnings.push_back(std::string("\"") + field + "\" left out: " + *problem);
    return sound;
  }
  sound.kind = PackSound::kFile;
  sound.file = it->get<std::string>();
  return sound;
}

bool HasSound(const PackConfig& config) {
  const auto audible = [](const auto& entry) { return entry.second.kind != PackSound::kNone; };
  return config.defaultPress.kind != PackSound::kNone || config.defaultRelease.kind != PackSound::kNone ||
         std::any_of(config.press.begin(), config.press.end(), audible) ||
         std::any_of(config.release.begin(), config.release.end(), audible);
}

PackConfigResult Fail(std::string message) {
  PackConfigResult result;
  result.error = std::move(message);
  return result;
}

PackConfigResult ReadParsed(const Json& root, PackConfig& config) {
  PackConfigResult result;
  if (!root.is_object()) return Fail("config.json does not hold a JSON object");

  const auto version = ReadVersion(root);
  if (!version) return Fail("config.json has a \"version\" Brisolt cannot read (it reads 1 and 2)");
  config.version = *version;

  const auto type = root.find("key_define_type");
  if (type != root.end() && *type == "single") {
    config.single = true;
  } else if (type == root.end() || *type != "multi") {
    return Fail("\"key_define_type\" must be \"single\" or \"multi\"");
  }

  const auto defines = root.find("defines");
  if (defines == root.end() || defines->is_null()) return Fail("config.json has no \"defines\"");
  if (!defines->is_object()) return Fail("\"defines\" in config.json must be an object of key codes");
  if (defines->size() > kPackConfigMaxDefines) {
    return Fail("config.json has more than " + std::to_string(kPackConfigMaxDefines) + " defines");
  }

  config.id = CleanName(TextField(root, "id"));
  config.name = CleanName(TextField(root, "name"));
  if (config.name.empty()) config.name = config.id.empty() ? std::string(kFallbackName) : config.id;

  if (config.single) {
    const auto sound = root.find("sound");
    if (sound == root.end() || !sound->is_string() || sound->get_ref<const std::string&>().empty()) {
      return Fail("the sprite \"sound\" is missing");
    }
    // The sprite is one file: a "{lo-hi}" in its name belongs to the name.
    const auto& sprite = sound->get_ref<const std::string&>();
    if (const PathFault fault = FindPathFault(sprite); fault != PathFault::kNone) {
      return Fail("the sprite " + DescribePathFault(sprite, fault));
    }
    config.sprite = sound->get<std::string>();
  } else if (config.version >= 2) {
    config.defaultPress = ReadDefaultSound(root, "sound", result.warnings);
    config.defaultRelease = ReadDefaultSound(root, "soundup", result.warnings);
  }

  size_t notKeys = 0;
  for (const auto& [key, value] : defines->items()) {
    const auto parsed = ParseDefineKey(key);
    if (!parsed) {
      ++notKeys;
      continue;
    }
    PackSound sound;
    std::optional<std::string> problem;
    if (value.is_null()) {
      // kNone: silent
    } else if (config.single) {
      problem = SliceProblem(value, sound);
    } else if (!(problem = FileProblem(value))) {
      sound.kind = PackSound::kFile;
      sound.file = value.get<std::string>();
    }
    if (problem) {
      result.warnings.push_back("key " + key + " left out: " + *problem);
      continue;
    }
    (parsed->release ? config.release : config.press)[parsed->code] = std::move(sound);
  }
  if (notKeys > 0) {
    result.warnings.push_back(std::to_string(notKeys) + (notKeys == 1 ? " entry" : " entries") +
                              " of \"defines\" left out: not named by a key code");
  }

  if (!HasSound(config)) return Fail("the pack names no sounds");
  result.ok = true;
  return result;
}

PackConfigResult ReadText(std::string_view json, PackConfig& config) {
  if (json.size() > kPackConfigMaxBytes) {
    return Fail("config.json is larger than " + std::to_string(kPackConfigMaxBytes / (1024 * 1024)) + " MB");
  }
  if (json.starts_with(kByteOrderMark)) json.remove_prefix(kByteOrderMark.size());
  if (NestsTooDeep(json)) {
    return Fail("config.json nests deeper than " + std::to_string(kPackConfigMaxDepth) + " levels");
  }
  // A key given twice keeps its last value, as in JavaScript. Comments and
  // trailing commas are not JSON: refused.
  Json root;
  try {
    root = Json::parse(json.begin(), json.end());
  } catch (const Json::parse_error& error) {
    return Fail("config.json is not valid JSON at line " + std::to_string(LineOfOffset(json, error.byte)));
  }
  return ReadParsed(root, config);
}

OrderedJson SoundValue(const PackSound& sound) {
  switch (sound.kind) {
    case PackSound::kFile:
      return sound.file;
    case PackSound::kSlice:
      return OrderedJson::array({sound.startMs, sound.lengthMs});
    case PackSound::kNone:
      break;
  }
  return nullptr;
}

}  // namespace

PackConfigResult ReadPackConfig(std::string_view json, PackConfig& out) {
  PackConfigResult result;
  PackConfig config;
  try {
    result = ReadText(json, config);
  } catch (const std::bad_alloc&) {
    result = Fail("there is not enough memory to read config.json");
  } catch (const std::exception&) {
    result = Fail("config.json could not be read");
  }
  out = result.ok ? std::move(config) : PackConfig{};
  return result;
}

std::vector<std::string> ExpandVariants(std::string_view file) {
  std::vector<std::string> literal{std::string(file)};
  const size_t open = file.find('{');
  const size_t close = file.find('}');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open ||
      file.find('{', open + 1) != std::string_view::npos || file.find('}', close + 1) != std::string_view::npos) {
    return literal;
  }
  const std::string_view range = file.substr(open + 1, close - open - 1);
  const size_t dash = range.find('-');
  if (dash == std::string_view::npos) return literal;
  const std::string_view low = range.substr(0, dash);
  const std::string_view high = range.substr(dash + 1);
  if (!IsDigits(low) || !IsDigits(high) || low.size() > kMaxRangeDigits || high.size() > kMaxRangeDigits) {
    return literal;
  }
  const uint32_t first = SmallNumber(low);
  const uint32_t last = SmallNumber(high);
  if (first > last) return literal;
  if (last - first >= kPackMaxVariants) return {};

  // "{00-03}": the width of the low bound when it is written with zeros in front.
  const size_t width = low.size() > 1 && low[0] == '0' ? low.size() : 0;
  const std::string_view before = file.substr(0, open);
  const std::string_view after = file.substr(close + 1);
  std::vector<std::string> names;
  names.reserve(last - first + 1);
  for (uint32_t n = first; n <= last; ++n) {
    std::string number = std::to_string(n);
    if (number.size() < width) number.insert(0, width - number.size(), '0');
    names.push_back(std::string(before) + number + std::string(after));
  }
  return names;
}

std::string WritePackConfig(const PackConfig& config) {
  try {
    OrderedJson root = OrderedJson::object();
    // The string form: some readers compare the version as text.
    root["version"] = "2";
    root["id"] = config.id;
    root["name"] = config.name;
    root["key_define_type"] = config.single ? "single" : "multi";
    root["includes_numpad"] = true;
    if (config.single) {
      root["sound"] = config.sprite;
    } else {
      // Always strings: "" is no sound for a reader that treats an empty name
      // as none, and still a string for one that requires the field's type.
      root["sound"] = config.defaultPress.kind == PackSound::kFile ? config.defaultPress.file : std::string();
      root["soundup"] = config.defaultRelease.kind == PackSound::kFile ? config.defaultRelease.file : std::string();
    }
    OrderedJson defines = OrderedJson::object();
    auto press = config.press.begin();
    auto release = config.release.begin();
    while (press != config.press.end() || release != config.release.end()) {
      const uint32_t code = release == config.release.end() ? press->first
                            : press == config.press.end()   ? release->first
                                                            : std::min(press->first, release->first);
      if (press != config.press.end() && press->first == code) {
        defines[std::to_string(code)] = SoundValue(press->second);
        ++press;
      }
      if (release != config.release.end() && release->first == code) {
        defines[std::to_string(code) + std::string(kReleaseSuffix)] = SoundValue(release->second);
        ++release;
      }
    }
    root["defines"] = std::move(defines);
    // Text that is not UTF-8 cannot be written as JSON: it becomes U+FFFD
    // rather than failing the export.
    return root.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
  } catch (const std::exception&) {
    return {};
  }
}

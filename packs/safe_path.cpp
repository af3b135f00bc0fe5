#include "packs/safe_path.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace {

// Names Windows opens as devices in any folder, whatever extension follows
// (in "NUL.wav" or "nul .txt" the device is still meant). The superscript
// digits count as digits there too.
constexpr std::array<std::string_view, 32> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "CONIN$", "CONOUT$", "COM0", "COM1",
    "COM2", "COM3", "COM4", "COM5", "COM6",   "COM7",    "COM8", "COM9",
    "LPT0", "LPT1", "LPT2", "LPT3", "LPT4",   "LPT5",    "LPT6", "LPT7",
    "LPT8", "LPT9", "COM\xC2\xB9", "COM\xC2\xB2", "COM\xC2\xB3", "LPT\xC2\xB9", "LPT\xC2\xB2", "LPT\xC2\xB3"};

constexpr std::string_view kForbiddenCharacters = "<>\"|?*:";
constexpr size_t kQuotedBytes = 120;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// One code point from UTF-8 at text[i], advancing i; false for overlong
// forms, surrogates, values past U+10FFFF and cut sequences.
bool NextCodePoint(std::string_view text, size_t& i, char32_t& codePoint) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    ++i;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return false;
  }
  if (length > text.size() - i) return false;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return false;
    codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
  i += length;
  return true;
}

// The length of valid UTF-8 text in UTF-16 units, as Windows counts a name.
size_t Utf16Units(std::string_view text) {
  size_t units = 0;
  char32_t codePoint = 0;
  for (size_t i = 0; i < text.size() && NextCodePoint(text, i, codePoint);) units += codePoint >= 0x10000 ? 2 : 1;
  return units;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDeviceName(std::string_view part) {
  std::string_view base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : kDeviceNames) {
    if (device.size() != base.size()) continue;
    bool same = true;
    for (size_t i = 0; i < base.size() && same; ++i) same = UpperAscii(base[i]) == device[i];
    if (same) return true;
  }
  return false;
}

bool HasForbiddenCharacter(std::string_view part) {
  for (char c : part) {
    if (static_cast<unsigned char>(c) < 0x20 || kForbiddenCharacters.find(c) != std::string_view::npos) return true;
  }
  return false;
}

std::vector<std::string_view> SplitParts(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

}  // namespace

PathFault FindPathFault(std::string_view path) {
  if (path.empty()) return PathFault::kEmpty;
  if (path.size() > kMaxPackPathBytes) return PathFault::kTooLong;
  if (!IsValidUtf8(path)) return PathFault::kNotUtf8;
  // "C:x" is relative to the drive's current folder, not to the pack's.
  const bool drive = path.size() >= 2 && path[1] == ':' && UpperAscii(path[0]) >= 'A' && UpperAscii(path[0]) <= 'Z';
  if (IsSeparator(path[0]) || drive) return PathFault::kLeavesFolder;
  const std::vector<std::string_view> parts = SplitParts(path);
  for (std::string_view part : parts) {
    if (part == "..") return PathFault::kLeavesFolder;
  }
  if (parts.size() > kMaxPackPathParts) return PathFault::kTooDeep;
  for (std::string_view part : parts) {
    // ':' would open an NTFS stream ("x.wav:hidden") instead of the file.
    if (HasForbiddenCharacter(part)) return PathFault::kForbiddenCharacter;
    // Windows drops a trailing dot or space, so "a." and "a" would be one file.
    if (part.empty() || part == "." || part.back() == '.' || part.back() == ' ') return PathFault::kNotPlain;
    if (IsDeviceName(part)) return PathFault::kDeviceName;
    if (Utf16Units(part) > kMaxPackNameUnits) return PathFault::kTooLong;
  }
  return PathFault::kNone;
}

std::string DescribePathFault(std::string_view path, PathFault fault) {
  const std::string quoted = QuotedPath(path);
  switch (fault) {
    case PathFault::kNone:
      return quoted + " is a safe path";
    case PathFault::kEmpty:
      return "a file in the pack has no name";
    case PathFault::kLeavesFolder:
      return quoted + " would leave the pack's folder";
    case PathFault::kNotPlain:
      return quoted + " has an empty or \".\" part, or a name ending in a dot or a space";
    case PathFault::kDeviceName:
      return quoted + " uses a name that Windows keeps for a device";
    case PathFault::kForbiddenCharacter:
      return quoted + " holds a character that Windows does not allow in file names";
    case PathFault::kNotUtf8:
      return quoted + " is not valid UTF-8 text";
    case PathFault::kTooLong:
      return quoted + " is too long a path or name";
    case PathFault::kTooDeep:
      return quoted + " is nested in more than " + std::to_string(kMaxPackPathParts - 1) + " folders";
  }
  return quoted + " is not a safe path";
}

bool IsValidUtf8(std::string_view text) {
  char32_t ignored = 0;
  for (size_t i = 0; i < text.size();) {
    if (!NextCodePoint(text, i, ignored)) return false;
  }
  return true;
}

std::string NormalizePackPath(std::string_view path) {
  std::string normal(path);
  for (char& c : normal) {
    if (c == '\\') c = '/';
  }
  size_t start = 0;
  while (normal.compare(start, 2, "./") == 0) start += 2;
  return normal.substr(start);
}

std::string FoldedPackPath(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

std::vector<std::string> WalkedPathParts(std::string_view path) {
  std::vector<std::string> parts;
  for (std::string_view part : SplitParts(path)) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
  }
  return parts;
}

std::string ComparablePathPart(std::string_view part) {
  while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.remove_suffix(1);
  return FoldedPackPath(part);
}

std::string WindowsPackPath(std::string_view path) {
  std::string windows(path);
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

std::string QuotablePath(std::string_view path) {
  std::string quoted;
  for (size_t i = 0; i < path.size();) {
    if (quoted.size() >= kQuotedBytes) {
      quoted += "...";
      break;
    }
    const size_t start = i;
    char32_t codePoint = 0;
    if (!NextCodePoint(path, i, codePoint)) {
      quoted += "\xEF\xBF\xBD";
      i = start + 1;
    } else if (codePoint < 0x20 || codePoint == 0x7F) {
      quoted += '?';
    } else {
      quoted.append(path.substr(start, i - start));
    }
  }
  return quoted;
}

std::string QuotedPath(std::string_view path) {
  // Appended, not added: GCC 12 warns falsely (-Wrestrict) about "\"" + string.
  std::string quoted = "\"";
  quoted += QuotablePath(path);
  quoted += '"';
  return quoted;
}

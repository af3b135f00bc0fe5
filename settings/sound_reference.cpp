#include "settings/sound_reference.h"

#include <charconv>

namespace {

bool ReadNumber(std::string_view text, uint32_t& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

SoundPart ParsePart(std::string_view text) {
  SoundPart part;
  const size_t open = text.find('<');
  if (open == std::string_view::npos) {
    part.file = std::string(text);
    return part;
  }
  part.file = std::string(text.substr(0, open));
  std::string_view slice = text.substr(open + 1);
  const size_t comma = slice.find(',');
  uint32_t start = 0, length = 0;
  if (slice.empty() || slice.back() != '>' || comma == std::string_view::npos ||
      !ReadNumber(slice.substr(0, comma), start) ||
      !ReadNumber(slice.substr(comma + 1, slice.size() - comma - 2), length) || length == 0 ||
      start > UINT32_MAX - length) {
    return part;
  }
  part.startMs = start;
  part.lengthMs = length;
  return part;
}

}  // namespace

std::vector<SoundPart> ParseSoundReference(std::string_view text) {
  std::vector<SoundPart> parts;
  while (!text.empty() && parts.size() < kMaxSoundVariants) {
    const size_t bar = text.find('|');
    const std::string_view piece = text.substr(0, bar);
    if (!piece.empty()) {
      SoundPart part = ParsePart(piece);
      if (!part.file.empty()) parts.push_back(std::move(part));
    }
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  return parts;
}

std::string FormatSoundReference(const std::vector<SoundPart>& parts) {
  std::string text;
  for (const SoundPart& part : parts) {
    if (!text.empty()) text += '|';
    text += part.file;
    if (part.IsSlice()) text += '<' + std::to_string(part.startMs) + ',' + std::to_string(part.lengthMs) + '>';
  }
  return text;
}

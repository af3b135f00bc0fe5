#include "packs/pack_scheme.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "input/dispatch.h"
#include "packs/safe_path.h"
#include "settings/key_table.h"

namespace {

constexpr int kFullVolume = 100;

// Turns the pack's sounds into references, noting the files they use.
class ImportNames {
 public:
  ImportNames(const PackConfig& config, const PackHasFile& hasFile, const std::string& folder, PackImport& out)
      : config_(config), hasFile_(hasFile), folder_(folder), out_(out) {}

  // The reference of a sound: "" for a silent one; nullopt when none of its
  // files is in the pack.
  std::optional<std::string> Reference(const PackSound& sound) {
    switch (sound.kind) {
      case PackSound::kNone:
        return std::string();
      case PackSound::kSlice:
        if (!Have(config_.sprite)) return std::nullopt;
        return FormatSoundReference({{folder_ + WindowsPackPath(NormalizePackPath(config_.sprite)), sound.startMs,
                                      sound.lengthMs}});
      case PackSound::kFile: {
        std::vector<SoundPart> parts;
        for (const std::string& variant : ExpandVariants(sound.file)) {
          if (Have(variant)) parts.push_back({folder_ + WindowsPackPath(NormalizePackPath(variant)), 0, 0});
        }
        if (parts.empty()) return std::nullopt;
        return FormatSoundReference(parts);
      }
    }
    return std::nullopt;
  }

  // "press/A.wav" or "sprite.ogg", for the lines of missing files.
  std::string Named(const PackSound& sound) const {
    return QuotedPath(sound.kind == PackSound::kSlice ? config_.sprite : sound.file);
  }

 private:
  bool Have(const std::string& file) {
    const std::string path = NormalizePackPath(file);
    const std::string folded = FoldedPackPath(path);
    if (known_.count(folded)) return known_[folded];
    const bool here = hasFile_(path);
    known_[folded] = here;
    if (here) out_.files.push_back(path);
    return here;
  }

  const PackConfig& config_;
  const PackHasFile& hasFile_;
  const std::string& folder_;
  PackImport& out_;
  std::map<std::string, bool> known_;
};

// The entry for a key: its own code first, then the alias packs may use.
const PackSound* EntryOf(const std::map<uint32_t, PackSound>& entries, const KeyInfo& key) {
  if (auto found = entries.find(key.packCode); found != entries.end()) return &found->second;
  if (key.packAlias != 0) {
    if (auto found = entries.find(key.packAlias); found != entries.end()) return &found->second;
  }
  return nullptr;
}

}  // namespace

bool PlanPackImport(const PackConfig& config, const PackHasFile& hasFile, const std::string& folder,
                    PackImport& out, std::string& error) {
  out = PackImport{};
  error.clear();
  ImportNames names(config, hasFile, folder, out);
  TScheme& scheme = out.scheme;
  scheme.KeyboardEnabled = true;
  scheme.MouseEnabled = false;

  // The defaults of a version-2 pack sound for every keyboard category; the
  // categories are on in any case, so that the keys' own sounds are heard.
  std::optional<std::string> press = names.Reference(config.defaultPress);
  std::optional<std::string> release = names.Reference(config.defaultRelease);
  if (!press && config.defaultPress.kind != PackSound::kNone) {
    out.missing.push_back("The pack's \"sound\" " + names.Named(config.defaultPress) + " is not in the pack");
  }
  if (!release && config.defaultRelease.kind != PackSound::kNone) {
    out.missing.push_back("The pack's \"soundup\" " + names.Named(config.defaultRelease) + " is not in the pack");
  }
  for (int c = 0; c < kKeyboardCategoryCount; ++c) {
    TSoundKey& key = scheme.Keys[static_cast<size_t>(c)];
    key.Enabled = true;
    key.Volume = kFullVolume;
    key.FileName = press.value_or(std::string());
    key.ReleaseFileName = release.value_or(std::string());
  }
  for (int c = kKeyboardCategoryCount; c < kKeyCategoryCount; ++c) scheme.Keys[static_cast<size_t>(c)].Volume = kFullVolume;

  const auto table = KeyTable();
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = table[static_cast<size_t>(row)];
    TKeyOwnSound own;
    bool any = false;
    for (bool up : {false, true}) {
      const PackSound* entry = EntryOf(up ? config.release : config.press, key);
      if (!entry) continue;
      std::optional<std::string> reference = names.Reference(*entry);
      if (!reference) {
        out.missing.push_back("Key " + std::string(key.name) + (up ? " (release)" : "") + ": " + names.Named(*entry) +
                              " is not in the pack");
        continue;
      }
      (up ? own.ReleaseFileName : own.FileName) = std::move(*reference);
      any = true;
    }
    if (any) scheme.OwnKeys[row] = std::move(own);
    // What the key now sounds, its own or by the defaults.
    if (ChooseKeySound(scheme, row, key.category, false).reference) ++out.keys;
    if (ChooseKeySound(scheme, row, key.category, true).reference) ++out.releases;
  }
  if (out.keys == 0 && out.releases == 0) {
    error = out.missing.empty() ? "the pack names no sounds" : "none of the pack's sound files is in the pack";
    if (config.single && !hasFile(NormalizePackPath(config.sprite))) {
      error = "the pack's sound file " + QuotedPath(config.sprite) + " is missing";
    }
    return false;
  }
  return true;
}

// ---- Export -------------------------------------------------------------------

namespace {

std::string FileNameOnly(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

std::string StemOf(const std::string& name) { return name.substr(0, name.size() - ExtensionOf(name).size()); }

// Names the pack's files: each distinct sound once, every name unique
// without regard to case and safe for any reader.
class ExportNames {
 public:
  // The pack's config.json is written beside the sounds: no sound takes its name.
  explicit ExportNames(PackExport& out) : out_(out) { Take("config.json"); }

  // The pack's sound for a reference played at `volume`.
  PackSound SoundOf(const std::string& reference, int volume) {
    const std::string key = reference + '\x1f' + std::to_string(volume);
    if (auto found = made_.find(key); found != made_.end()) return found->second;
    PackSound sound = Make(ParseSoundReference(reference), volume);
    made_[key] = sound;
    return sound;
  }

 private:
  PackSound Make(const std::vector<SoundPart>& parts, int volume) {
    if (parts.empty()) return {};
    std::string extension = ExtensionOf(FileNameOnly(parts[0].file));
    bool decode = volume != kFullVolume;
    for (const SoundPart& part : parts) {
      decode = decode || part.IsSlice() || ExtensionOf(FileNameOnly(part.file)) != extension;
    }
    if (decode) extension = ".wav";
    std::string stem = Clean(StemOf(FileNameOnly(parts[0].file)));
    if (parts.size() == 1) {
      if (parts[0].IsSlice()) stem += "_" + std::to_string(parts[0].startMs) + "_" + std::to_string(parts[0].lengthMs);
      const std::string name = Unique(stem, extension);
      out_.files.push_back({name, parts[0], decode, volume});
      return {PackSound::kFile, name, 0, 0};
    }
    // Variants: stem0.ext .. stemN.ext, written "stem{0-N}.ext".
    std::string base = stem + "_";
    for (int n = 2; !FreeRange(base, extension, parts.size()); ++n) base = stem + " (" + std::to_string(n) + ")_";
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string name = base + std::to_string(i) + extension;
      Take(name);
      out_.files.push_back({name, parts[i], decode, volume});
    }
    return {PackSound::kFile, base + "{0-" + std::to_string(parts.size() - 1) + "}" + extension, 0, 0};
  }

  // Only what every reader takes in a name: letters, digits and a few signs.
  static std::string Clean(const std::string& stem) {
    std::string clean;
    for (char c : stem) {
      const auto u = static_cast<unsigned char>(c);
      clean += (std::isalnum(u) || c == '_' || c == '-' || c == ' ') ? c : '_';
    }
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    if (clean.empty() || !IsSafeRelativePath(clean + ".wav")) clean = "sound";
    return clean.substr(0, 60);
  }

  bool Free(const std::string& name) const { return !taken_.count(FoldedPackPath(name)); }
  void Take(const std::string& name) { taken_.insert(FoldedPackPath(name)); }

  bool FreeRange(const std::string& base, const std::string& extension, size_t count) const {
    for (size_t i = 0; i < count; ++i) {
      if (!Free(base + std::to_string(i) + extension)) return false;
    }
    // "{" and "}" never appear in a plain name written here, so a range name
    // is never read back as a plain file.
    return true;
  }

  std::string Unique(const std::string& stem, const std::string& extension) {
    std::string name = stem + extension;
    for (int n = 2; !Free(name); ++n) name = stem + " (" + std::to_string(n) + ")" + extension;
    Take(name);
    return name;
  }

  PackExport& out_;
  std::map<std::string, PackSound> made_;
  std::set<std::string> taken_;
};

}  // namespace

PackExport PlanPackExport(const std::string& name, const TScheme& scheme) {
  PackExport out;
  PackConfig& config = out.config;
  config.version = 2;
  config.name = name;
  config.id = name;
  config.single = false;
  ExportNames names(out);

  const TSoundKey& other = scheme.Key(KeyCategory::Other);
  if (other.Enabled && !other.FileName.empty()) config.defaultPress = names.SoundOf(other.FileName, other.Volume);
  if (other.Enabled && !other.ReleaseFileName.empty()) {
    config.defaultRelease = names.SoundOf(other.ReleaseFileName, other.Volume);
  }
  const auto table = KeyTable();
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = table[static_cast<size_t>(row)];
    for (bool up : {false, true}) {
      const ChosenSound chosen = ChooseKeySound(scheme, row, key.category, up);
      const PackSound& fallback = up ? config.defaultRelease : config.defaultPress;
      std::map<uint32_t, PackSound>& defines = up ? config.release : config.press;
      if (chosen.reference && !chosen.reference->empty()) {
        defines[key.packCode] = names.SoundOf(*chosen.reference, chosen.volume);
      } else if (fallback.kind != PackSound::kNone) {
        defines[key.packCode] = PackSound{};  // silent here, where the pack's default would sound
      }
    }
  }
  return out;
}

std::vector<uint8_t> WavFile16(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels) {
  std::vector<uint8_t> bytes;
  const auto put = [&](uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  const auto text = [&](const char* four) { bytes.insert(bytes.end(), four, four + 4); };
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  text("RIFF");
  put(36 + dataBytes, 4);
  text("WAVE");
  text("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * channels * 2, 4);
  put(channels * 2u, 2);
  put(16, 2);
  text("data");
  put(dataBytes, 4);
  for (int16_t sample : samples) put(static_cast<uint16_t>(sample), 2);
  return bytes;
}

namespace {

// The folder right under the root that holds `file`, as its name is written
// in the path, or nothing when the file is elsewhere.
std::optional<std::string> FolderUnder(const std::vector<std::string>& root, const std::string& file) {
  std::vector<std::string> parts = WalkedPathParts(file);
  if (parts.size() < root.size() + 2) return std::nullopt;  // a folder and a file in it
  for (size_t i = 0; i < root.size(); ++i) {
    if (ComparablePathPart(parts[i]) != ComparablePathPart(root[i])) return std::nullopt;
  }
  return parts[root.size()];
}

}  // namespace

std::vector<std::string> PackFoldersLeftUnused(const TScheme& deleted, const std::vector<const TScheme*>& kept,
                                               const std::string& schemesRoot, const SoundPathResolver& resolve) {
  const std::vector<std::string> root = WalkedPathParts(schemesRoot);
  auto foldersOf = [&](const TScheme& scheme, auto&& found) {
    for (const std::string& reference : SoundReferencesOf(scheme)) {
      for (const SoundPart& part : ParseSoundReference(reference)) {
        if (std::optional<std::string> folder = FolderUnder(root, resolve(part.file))) found(*folder);
      }
    }
  };
  std::set<std::string> used;  // as ComparablePathPart gives them
  for (const TScheme* scheme : kept) {
    foldersOf(*scheme, [&](const std::string& folder) { used.insert(ComparablePathPart(folder)); });
  }
  std::vector<std::string> unused;
  std::set<std::string> given;
  foldersOf(deleted, [&](const std::string& folder) {
    const std::string comparable = ComparablePathPart(folder);
    if (!used.count(comparable) && given.insert(comparable).second) unused.push_back(schemesRoot + "\\" + folder);
  });
  return unused;
}

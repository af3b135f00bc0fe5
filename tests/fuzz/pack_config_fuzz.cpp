// libFuzzer target: config.json of a sound pack on arbitrary bytes. Besides
// the sanitizers' findings, a broken promise of the interface aborts, and so
// does a pack that does not come back the same from its own export. A pack
// that reads is also made a scheme (its files there or not, by a bit of the
// input) whose every sound lies inside the pack's folder, and that scheme
// exported again.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "packs/pack_config.h"
#include "packs/pack_scheme.h"
#include "packs/safe_path.h"
#include "settings/key_table.h"
#include "settings/sound_reference.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

size_t CodePoints(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool Audible(const PackSound& sound) { return sound.kind != PackSound::kNone; }

void RequireUsable(const PackConfig& config, const PackSound& sound) {
  switch (sound.kind) {
    case PackSound::kNone:
      Require(sound.file.empty() && sound.startMs == 0 && sound.lengthMs == 0);
      break;
    case PackSound::kFile:
      Require(!config.single && IsSafeRelativePath(sound.file) && !ExpandVariants(sound.file).empty());
      for (const std::string& variant : ExpandVariants(sound.file)) Require(IsSafeRelativePath(variant));
      break;
    case PackSound::kSlice:
      Require(config.single && sound.lengthMs > 0 && sound.startMs <= UINT32_MAX - sound.lengthMs);
      break;
  }
}

// The pack made a scheme: every reference inside its folder, the counts
// within the table, and its export a pack that reads.
void RequireScheme(const PackConfig& config, bool filesThere) {
  const std::string folder = "Schemes\\Pack\\";
  PackImport plan;
  std::string error;
  const bool ok = PlanPackImport(config, [&](const std::string&) { return filesThere; }, folder, plan, error);
  Require(ok == error.empty());
  if (!ok) return;
  Require(plan.keys <= kKeyCount && plan.releases <= kKeyCount && (plan.keys > 0 || plan.releases > 0));
  auto inside = [&](const std::optional<std::string>& reference) {
    for (const SoundPart& part : ParseSoundReference(reference.value_or(""))) {
      Require(part.file.rfind(folder, 0) == 0 && IsSafeRelativePath(part.file.substr(folder.size())));
    }
  };
  for (const TSoundKey& key : plan.scheme.Keys) {
    inside(key.FileName);
    inside(key.ReleaseFileName);
  }
  for (const auto& [row, own] : plan.scheme.OwnKeys) {
    Require(row >= 0 && row < kKeyCount);
    inside(own.FileName);
    inside(own.ReleaseFileName);
  }
  const PackExport exported = PlanPackExport(config.name, plan.scheme);
  for (const PackExportFile& file : exported.files) Require(IsSafeRelativePath(file.name));
  const std::string written = WritePackConfig(exported.config);
  PackConfig again;
  Require(written.size() > kPackConfigMaxBytes || ReadPackConfig(written, again).ok);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PackConfig config;
  const PackConfigResult result = ReadPackConfig(std::string_view(reinterpret_cast<const char*>(data), size), config);
  if (!result) {
    Require(!result.error.empty() && result.warnings.empty());
    Require(config == PackConfig{});
    return 0;
  }
  Require(result.error.empty());
  Require(config.version == 1 || config.version == 2);
  Require(!config.name.empty() && CodePoints(config.name) <= kPackMaxNameChars);
  Require(CodePoints(config.id) <= kPackMaxNameChars);
  Require(config.single ? IsSafeRelativePath(config.sprite) : config.sprite.empty());
  Require(config.press.size() + config.release.size() <= kPackConfigMaxDefines);
  RequireUsable(config, config.defaultPress);
  RequireUsable(config, config.defaultRelease);
  Require(!config.single || (!Audible(config.defaultPress) && !Audible(config.defaultRelease)));
  bool audible = Audible(config.defaultPress) || Audible(config.defaultRelease);
  for (const auto* keys : {&config.press, &config.release}) {
    for (const auto& [code, sound] : *keys) {
      RequireUsable(config, sound);
      audible = audible || Audible(sound);
    }
  }
  Require(audible);
  RequireScheme(config, size % 2 == 0);

  // The export is pretty-printed, so a pack read near the size limit may come
  // back larger than the limit; everything else must read back the same.
  const std::string written = WritePackConfig(config);
  Require(!written.empty());
  if (written.size() > kPackConfigMaxBytes) return 0;
  PackConfig again;
  Require(ReadPackConfig(written, again).ok);
  config.version = 2;
  Require(again == config);
  Require(WritePackConfig(again) == written);
  return 0;
}

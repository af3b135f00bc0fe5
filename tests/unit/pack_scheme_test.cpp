// Sound packs as schemes and schemes as packs, at the level of plans: which
// key plays what after an import, what an export writes, and that the one
// undoes the other. The files themselves: tests/win/sound_pack_test.cpp.

#include "packs/pack_scheme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "input/dispatch.h"
#include "packs/pack_config.h"
#include "packs/safe_path.h"
#include "settings/key_table.h"

namespace {

PackSound File(std::string name) { return {PackSound::kFile, std::move(name), 0, 0}; }
PackSound Slice(uint32_t start, uint32_t length) { return {PackSound::kSlice, "", start, length}; }

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int Row(std::string_view name) {
  const int row = FindKeyByName(name);
  EXPECT_GE(row, 0) << name;
  return row;
}

const KeyInfo& Key(std::string_view name) { return KeyTable()[static_cast<size_t>(Row(name))]; }

// A pack holding these files, found without regard to case as Windows does;
// every path asked about is kept.
struct FakePack {
  explicit FakePack(std::set<std::string> held = {}) : files(std::move(held)) {}
  std::set<std::string> files;
  std::vector<std::string> asked;

  PackHasFile HasFile() {
    return [this](const std::string& path) {
      asked.push_back(path);
      return std::any_of(files.begin(), files.end(), [&](const std::string& f) { return Folded(f) == Folded(path); });
    };
  }
};

// What a key of the scheme plays: its reference, or "-" when silent.
std::string Plays(const TScheme& scheme, std::string_view name, bool release = false) {
  const ChosenSound chosen = ChooseKeySound(scheme, Row(name), Key(name).category, release);
  return chosen.reference ? *chosen.reference : "-";
}

PackConfig Read(const std::string& json) {
  PackConfig config;
  const PackConfigResult read = ReadPackConfig(json, config);
  EXPECT_TRUE(read.ok) << read.error;
  return config;
}

}  // namespace

TEST(PackSchemeImport, SpritePackGivesSlicesOfOneFileAndNothingElse) {
  PackConfig config;
  config.version = 1;
  config.single = true;
  config.name = "Cream";
  config.sprite = "sounds\\Sprite.ogg";
  config.press = {{Key("A").packCode, Slice(1200, 85)},
                  {Key("Space").packCode, Slice(0, 90)},
                  {Key("Up").packCode, Slice(10, 20)},
                  {Key("Escape").packCode, {}}};
  config.release = {{Key("A").packCode, Slice(1300, 40)}};

  FakePack pack({"sounds/sprite.ogg"});
  PackImport plan;
  std::string error;
  ASSERT_TRUE(PlanPackImport(config, pack.HasFile(), "Schemes\\Cream\\", plan, error)) << error;
  EXPECT_EQ(error, "");
  const std::string sprite = "Schemes\\Cream\\sounds\\Sprite.ogg";
  EXPECT_EQ(Plays(plan.scheme, "A"), sprite + "<1200,85>");
  EXPECT_EQ(Plays(plan.scheme, "A", true), sprite + "<1300,40>");
  EXPECT_EQ(Plays(plan.scheme, "Space"), sprite + "<0,90>");
  EXPECT_EQ(Plays(plan.scheme, "Space", true), "-");
  EXPECT_EQ(Plays(plan.scheme, "Up"), sprite + "<10,20>");
  EXPECT_EQ(Plays(plan.scheme, "Escape"), "-");
  // A version-1 pack has no default: the keys it does not name are silent.
  EXPECT_EQ(Plays(plan.scheme, "B"), "-");
  EXPECT_EQ(Plays(plan.scheme, "B", true), "-");
  EXPECT_EQ(plan.keys, 3);
  EXPECT_EQ(plan.releases, 1);
  EXPECT_EQ(plan.files, std::vector<std::string>{"sounds/Sprite.ogg"});
  EXPECT_TRUE(plan.missing.empty());
  EXPECT_TRUE(plan.scheme.KeyboardEnabled);
  EXPECT_FALSE(plan.scheme.MouseEnabled);
  for (const std::string& asked : pack.asked) EXPECT_EQ(asked, "sounds/Sprite.ogg");  // normalized, asked once
  EXPECT_EQ(pack.asked.size(), 1u);

  // Without its sprite the pack is refused, naming the file, and every key is listed.
  FakePack empty;
  ASSERT_FALSE(PlanPackImport(config, empty.HasFile(), "Schemes\\Cream\\", plan, error));
  EXPECT_NE(error.find("Sprite.ogg"), std::string::npos) << error;
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  EXPECT_EQ(plan.missing.size(), 4u);  // A, A's release, Space, Up
  EXPECT_EQ(plan.keys, 0);
  EXPECT_TRUE(plan.files.empty());
}

TEST(PackSchemeImport, MultiPackWithDefaultsVariantsAliasesAndSilentKeys) {
  const std::string json = R"({"version": 2, "name": "Board", "key_define_type": "multi",
    "sound": "press/GENERIC_R{0-2}.mp3", "soundup": "release/GENERIC.mp3",
    "defines": {
      "28": "press/ENTER.mp3", "57": "space [big] (1).mp3", "14-up": "release\\BACKSPACE.mp3",
      "1": null, "30": "press/A.mp3", "31": "press/S{0-1}.mp3",
      "60999": "nav/home.wav", "60999-up": "nav/home-up.wav", "61000": "nav/up.wav",
      "3666": "nav/insert-code.wav", "61010": "nav/insert-alias.wav",
      "9999": "unknown.wav"}})";
  const PackConfig config = Read(json);
  FakePack pack({"press/GENERIC_R0.mp3", "press/generic_r2.MP3", "release/GENERIC.mp3", "Press/Enter.mp3",
                 "space [big] (1).mp3", "release/BACKSPACE.mp3", "nav/home.wav", "nav/home-up.wav", "nav/up.wav",
                 "nav/insert-code.wav", "nav/insert-alias.wav", "unknown.wav"});
  const std::string at = "C:\\Data\\Schemes\\Board\\";
  PackImport plan;
  std::string error;
  ASSERT_TRUE(PlanPackImport(config, pack.HasFile(), at, plan, error)) << error;

  const std::string generic = at + "press\\GENERIC_R0.mp3|" + at + "press\\GENERIC_R2.mp3";  // R1 is not there
  const std::string genericUp = at + "release\\GENERIC.mp3";
  EXPECT_EQ(Plays(plan.scheme, "Enter"), at + "press\\ENTER.mp3");
  EXPECT_EQ(Plays(plan.scheme, "Enter", true), genericUp);
  EXPECT_EQ(Plays(plan.scheme, "Space"), at + "space [big] (1).mp3");
  EXPECT_EQ(Plays(plan.scheme, "Backspace"), generic);
  EXPECT_EQ(Plays(plan.scheme, "Backspace", true), at + "release\\BACKSPACE.mp3");
  EXPECT_EQ(Plays(plan.scheme, "Escape"), "-");  // null: silent although "sound" would play
  EXPECT_EQ(Plays(plan.scheme, "Escape", true), genericUp);
  // Navigation keys named by their alias alone; a code beats its alias.
  EXPECT_EQ(Plays(plan.scheme, "Home"), at + "nav\\home.wav");
  EXPECT_EQ(Plays(plan.scheme, "Home", true), at + "nav\\home-up.wav");
  EXPECT_EQ(Plays(plan.scheme, "Up"), at + "nav\\up.wav");
  EXPECT_EQ(Plays(plan.scheme, "Insert"), at + "nav\\insert-code.wav");
  // The numpad keys that share those scan codes are not the navigation keys.
  EXPECT_EQ(Plays(plan.scheme, "Numpad7"), generic);
  EXPECT_EQ(Plays(plan.scheme, "Numpad8"), generic);
  // Keys whose files are missing, and keys the pack does not name, play the default.
  EXPECT_EQ(Plays(plan.scheme, "A"), generic);
  EXPECT_EQ(Plays(plan.scheme, "S"), generic);
  EXPECT_EQ(Plays(plan.scheme, "B"), generic);
  EXPECT_EQ(Plays(plan.scheme, "F13", true), genericUp);
  EXPECT_EQ(plan.keys, kKeyCount - 1);  // all but Escape
  EXPECT_EQ(plan.releases, kKeyCount);
  ASSERT_EQ(plan.missing.size(), 2u);
  EXPECT_NE(plan.missing[0].find("Key A:"), std::string::npos) << plan.missing[0];
  EXPECT_NE(plan.missing[0].find("\"press/A.mp3\""), std::string::npos) << plan.missing[0];
  EXPECT_NE(plan.missing[1].find("Key S:"), std::string::npos) << plan.missing[1];
  EXPECT_NE(plan.missing[1].find("press/S{0-1}.mp3"), std::string::npos) << plan.missing[1];
  // Each file used, once; neither the overruled alias's nor the unknown key's.
  EXPECT_EQ(std::set<std::string>(plan.files.begin(), plan.files.end()),
            (std::set<std::string>{"press/GENERIC_R0.mp3", "press/GENERIC_R2.mp3", "release/GENERIC.mp3",
                                   "press/ENTER.mp3", "space [big] (1).mp3", "release/BACKSPACE.mp3", "nav/home.wav",
                                   "nav/home-up.wav", "nav/up.wav", "nav/insert-code.wav"}));
  EXPECT_EQ(plan.files.size(), 10u);
  // Every keyboard category on at 100 %, the mouse silent.
  for (int c = 0; c < kKeyboardCategoryCount; ++c) {
    EXPECT_TRUE(plan.scheme.Keys[static_cast<size_t>(c)].Enabled) << c;
    EXPECT_EQ(plan.scheme.Keys[static_cast<size_t>(c)].Volume, 100) << c;
  }
  EXPECT_FALSE(plan.scheme.MouseEnabled);
  for (KeyCategory button : {KeyCategory::LeftButton, KeyCategory::RightButton}) {
    EXPECT_EQ(ChooseKeySound(plan.scheme, -1, button, false).reference, nullptr);
    EXPECT_EQ(ChooseKeySound(plan.scheme, -1, button, true).reference, nullptr);
  }
  for (const auto& [row, own] : plan.scheme.OwnKeys) EXPECT_EQ(own.Volume, 100) << row;
  // A key outside the table (-1) sounds by its category: the default.
  ASSERT_NE(ChooseKeySound(plan.scheme, -1, KeyCategory::Other, false).reference, nullptr);
  EXPECT_EQ(*ChooseKeySound(plan.scheme, -1, KeyCategory::Other, false).reference, generic);

  // The same defines as version 1: no defaults, so unnamed keys are silent.
  std::string v1 = json;
  v1.replace(v1.find(R"("version": 2, )"), 14, "");
  ASSERT_TRUE(PlanPackImport(Read(v1), pack.HasFile(), at, plan, error)) << error;
  EXPECT_EQ(Plays(plan.scheme, "B"), "-");
  EXPECT_EQ(Plays(plan.scheme, "A"), "-");
  EXPECT_EQ(Plays(plan.scheme, "Enter", true), "-");
  EXPECT_EQ(Plays(plan.scheme, "Enter"), at + "press\\ENTER.mp3");
  EXPECT_EQ(plan.keys, 5);      // Enter, Space, Home, Up, Insert
  EXPECT_EQ(plan.releases, 2);  // Backspace, Home
  EXPECT_EQ(plan.missing.size(), 2u);

  // A missing default is listed, and its keys are silent.
  const PackConfig noDefault =
      Read(R"({"version": 2, "key_define_type": "multi", "sound": "gone.wav", "defines": {"28": "press/ENTER.mp3"}})");
  ASSERT_TRUE(PlanPackImport(noDefault, pack.HasFile(), at, plan, error)) << error;
  ASSERT_EQ(plan.missing.size(), 1u);
  EXPECT_NE(plan.missing[0].find("\"sound\" \"gone.wav\""), std::string::npos) << plan.missing[0];
  EXPECT_EQ(Plays(plan.scheme, "B"), "-");
  EXPECT_EQ(plan.keys, 1);  // Enter alone: Numpad Enter has a code of its own
}

TEST(PackSchemeImport, PacksWithNothingThatWouldSoundAreRefused) {
  PackImport plan;
  std::string error;
  FakePack pack({"here.wav"});
  // Every file missing.
  const PackConfig gone = Read(R"({"version": 2, "key_define_type": "multi", "sound": "a{0-3}.wav",
    "defines": {"28": "b.wav", "28-up": "c.wav"}})");
  EXPECT_FALSE(PlanPackImport(gone, pack.HasFile(), "S\\", plan, error));
  EXPECT_EQ(error, "none of the pack's sound files is in the pack");
  EXPECT_EQ(plan.missing.size(), 3u);
  EXPECT_TRUE(plan.files.empty());
  // Only keys outside the table.
  const PackConfig unknown = Read(R"({"key_define_type": "multi", "defines": {"9999": "here.wav"}})");
  EXPECT_FALSE(PlanPackImport(unknown, pack.HasFile(), "S\\", plan, error));
  EXPECT_EQ(error, "the pack names no sounds");
  EXPECT_TRUE(plan.missing.empty());
  // One present file is enough.
  const PackConfig one = Read(R"({"key_define_type": "multi", "defines": {"28-up": "HERE.wav", "9999": "x.wav"}})");
  ASSERT_TRUE(PlanPackImport(one, pack.HasFile(), "S\\", plan, error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_EQ(plan.keys, 0);
  EXPECT_EQ(plan.releases, 1);
  EXPECT_EQ(plan.files, std::vector<std::string>{"HERE.wav"});
}

namespace {

// A scheme that uses every kind of sound an export meets.
TScheme RichScheme() {
  TScheme scheme;
  scheme.KeyboardEnabled = true;
  scheme.MouseEnabled = true;
  auto set = [&](KeyCategory category, std::string press, std::string release = "", int volume = 100,
                 bool enabled = true) {
    scheme.Key(category) = {enabled, std::move(press), volume, std::move(release)};
  };
  set(KeyCategory::Other, "Sounds\\click.wav", "Sounds\\up.wav");
  set(KeyCategory::Enter, "C:\\Music\\Enter.WAV", "", 60);                             // decoded at 60 %
  set(KeyCategory::Space, "Sounds\\sprite.ogg<100,50>");                                // a slice
  set(KeyCategory::Digits, "Sounds\\d0.wav|Sounds\\d1.wav|Sounds\\d2.wav");            // variants, copied
  set(KeyCategory::Functions, "Sounds\\f.wav", "", 100, false);                         // off: silent
  set(KeyCategory::Tab, "Other\\Click.wav");                                            // a name taken, case aside
  set(KeyCategory::Shift, "Sounds\\sprite.ogg<0,10>|Sounds\\b.mp3", "Sounds\\up.wav");  // variants with a slice
  set(KeyCategory::LeftButton, "Sounds\\mouse.wav");
  scheme.OwnKeys[Row("A")] = {std::string(), std::nullopt, 100};               // silent press, category's release
  scheme.OwnKeys[Row("B")] = {"Sounds\\b.mp3", std::string(), 100};            // own, and no release
  scheme.OwnKeys[Row("C")] = {"Sounds\\click.wav", std::nullopt, 50};          // the default's file at 50 %
  scheme.OwnKeys[Row("Grave")] = {"Sounds\\click.wav|Sounds\\CLICK.mp3", std::nullopt, 100};
  return scheme;
}

const PackExportFile* FileNamed(const PackExport& pack, const std::string& name) {
  for (const PackExportFile& file : pack.files) {
    if (file.name == name) return &file;
  }
  return nullptr;
}

// What a key plays, as the source parts of the scheme exported and each
// part's volume: comparable across an export and an import.
using Played = std::vector<std::pair<SoundPart, int>>;

}  // namespace

TEST(PackSchemeExport, EverySoundingKeyIsDefinedWithUniqueFiles) {
  const TScheme scheme = RichScheme();
  const PackExport pack = PlanPackExport("Rich", scheme);
  const PackConfig& config = pack.config;
  EXPECT_EQ(config.version, 2);
  EXPECT_FALSE(config.single);
  EXPECT_EQ(config.name, "Rich");
  EXPECT_EQ(config.defaultPress, File("click.wav"));
  EXPECT_EQ(config.defaultRelease, File("up.wav"));

  // Every key: defined with a file where it sounds, null where it is silent
  // (the defaults would sound there); nothing else is defined.
  const auto table = KeyTable();
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = table[static_cast<size_t>(row)];
    for (bool up : {false, true}) {
      const auto& defines = up ? config.release : config.press;
      const auto found = defines.find(key.packCode);
      ASSERT_NE(found, defines.end()) << key.name << (up ? " up" : "");
      const ChosenSound chosen = ChooseKeySound(scheme, row, key.category, up);
      EXPECT_EQ(found->second.kind, chosen.reference ? PackSound::kFile : PackSound::kNone) << key.name;
      if (found->second.kind != PackSound::kFile) continue;
      for (const std::string& name : ExpandVariants(found->second.file)) {
        EXPECT_NE(FileNamed(pack, name), nullptr) << key.name << ": " << name;
      }
    }
  }
  EXPECT_EQ(config.press.size(), static_cast<size_t>(kKeyCount));
  EXPECT_EQ(config.release.size(), static_cast<size_t>(kKeyCount));
  EXPECT_EQ(config.press.at(Key("Escape").packCode), PackSound{});  // its category is off
  EXPECT_EQ(config.press.at(Key("F5").packCode), PackSound{});
  EXPECT_EQ(config.press.at(Key("A").packCode), PackSound{});       // silent by its own sound
  EXPECT_EQ(config.release.at(Key("A").packCode), File("up.wav"));
  EXPECT_EQ(config.press.at(Key("B").packCode), File("b.mp3"));
  EXPECT_EQ(config.release.at(Key("B").packCode), PackSound{});
  EXPECT_EQ(config.press.at(Key("Q").packCode), File("click.wav"));  // the default's sound, defined all the same

  // Each distinct sound at each volume once: click, up, the two variants of
  // Grave, three digits, Tab's, Enter's, the slice, Shift's two, B's, C's.
  EXPECT_EQ(pack.files.size(), 14u);
  std::set<std::string> names;
  for (const PackExportFile& file : pack.files) {
    EXPECT_TRUE(names.insert(Folded(file.name)).second) << "two files named " << file.name;
    EXPECT_TRUE(IsSafeRelativePath(file.name)) << file.name;
    EXPECT_EQ(file.name.find_first_of("{}/\\"), std::string::npos) << file.name;
    EXPECT_EQ(file.decode, file.volume != 100 || file.source.IsSlice() || file.name.starts_with("click_") ||
                               file.name.starts_with("sprite_"))
        << file.name;
    if (file.decode) {
      EXPECT_TRUE(file.name.ends_with(".wav")) << file.name;
    } else {
      EXPECT_EQ(file.volume, 100) << file.name;
      EXPECT_EQ(Folded(file.name.substr(file.name.rfind('.'))),
                Folded(file.source.file.substr(file.source.file.rfind('.'))));
    }
    EXPECT_NE(file.source.file, "Sounds\\mouse.wav");  // the mouse is not part of a pack
    EXPECT_NE(file.source.file, "Sounds\\f.wav");      // nor is what no key plays
  }
  // Slices and other volumes are decoded; variants are numbered files.
  const PackSound enter = config.press.at(Key("Enter").packCode);
  ASSERT_NE(FileNamed(pack, enter.file), nullptr) << enter.file;
  EXPECT_EQ(*FileNamed(pack, enter.file), (PackExportFile{"Enter.wav", {"C:\\Music\\Enter.WAV", 0, 0}, true, 60}));
  EXPECT_EQ(config.press.at(Key("NumpadEnter").packCode), enter);
  const PackSound space = config.press.at(Key("Space").packCode);
  ASSERT_NE(FileNamed(pack, space.file), nullptr) << space.file;
  EXPECT_EQ(FileNamed(pack, space.file)->source, (SoundPart{"Sounds\\sprite.ogg", 100, 50}));
  EXPECT_TRUE(FileNamed(pack, space.file)->decode);
  EXPECT_EQ(config.press.at(Key("D7").packCode), File("d0_{0-2}.wav"));
  for (int i = 0; i < 3; ++i) {
    const PackExportFile* digit = FileNamed(pack, "d0_" + std::to_string(i) + ".wav");
    ASSERT_NE(digit, nullptr) << i;
    EXPECT_EQ(digit->source, (SoundPart{"Sounds\\d" + std::to_string(i) + ".wav", 0, 0}));
    EXPECT_FALSE(digit->decode);
  }
  const PackSound grave = config.press.at(Key("Grave").packCode);  // .wav and .mp3: both decoded
  EXPECT_EQ(ExpandVariants(grave.file).size(), 2u) << grave.file;
  for (const std::string& name : ExpandVariants(grave.file)) {
    ASSERT_NE(FileNamed(pack, name), nullptr) << name;
    EXPECT_TRUE(FileNamed(pack, name)->decode) << name;
  }
  // "Other\Click.wav" is not "Sounds\click.wav": a name of its own, case aside.
  const PackSound tab = config.press.at(Key("Tab").packCode);
  ASSERT_NE(FileNamed(pack, tab.file), nullptr) << tab.file;
  EXPECT_EQ(FileNamed(pack, tab.file)->source.file, "Other\\Click.wav");
  EXPECT_NE(Folded(tab.file), "click.wav");
  const PackSound c = config.press.at(Key("C").packCode);
  ASSERT_NE(FileNamed(pack, c.file), nullptr) << c.file;
  EXPECT_EQ(*FileNamed(pack, c.file), (PackExportFile{c.file, {"Sounds\\click.wav", 0, 0}, true, 50}));

  // Without a default, silent keys are left out rather than written null.
  TScheme enterOnly;
  enterOnly.KeyboardEnabled = true;
  enterOnly.Key(KeyCategory::Enter) = {true, "Sounds\\enter.mp3", 100, ""};
  enterOnly.Key(KeyCategory::Space) = {true, "", 100, ""};
  const PackExport small = PlanPackExport("Small", enterOnly);
  EXPECT_EQ(small.config.defaultPress, PackSound{});
  EXPECT_EQ(small.config.press, (std::map<uint32_t, PackSound>{{Key("Enter").packCode, File("enter.mp3")},
                                                                {Key("NumpadEnter").packCode, File("enter.mp3")}}));
  EXPECT_TRUE(small.config.release.empty());
  EXPECT_EQ(small.files, (std::vector<PackExportFile>{{"enter.mp3", {"Sounds\\enter.mp3", 0, 0}, false, 100}}));
}

TEST(PackSchemeExport, ExportThenImportPlaysTheSameOnEveryKey) {
  const TScheme scheme = RichScheme();
  const PackExport pack = PlanPackExport("Round trip", scheme);
  const std::string json = WritePackConfig(pack.config);
  PackConfig read;
  const PackConfigResult result = ReadPackConfig(json, read);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_NE(json.find(R"("version": "2")"), std::string::npos) << json.substr(0, 200);

  FakePack files;
  for (const PackExportFile& file : pack.files) files.files.insert(file.name);
  const std::string at = "Schemes\\Round trip\\";
  PackImport plan;
  std::string error;
  ASSERT_TRUE(PlanPackImport(read, files.HasFile(), at, plan, error)) << error;
  EXPECT_TRUE(plan.missing.empty());
  EXPECT_EQ(plan.files.size(), pack.files.size());  // every file written is used

  const auto original = [&](int row, KeyCategory category, bool up) {
    Played played;
    const ChosenSound chosen = ChooseKeySound(scheme, row, category, up);
    if (!chosen.reference) return played;
    for (const SoundPart& part : ParseSoundReference(*chosen.reference)) played.push_back({part, chosen.volume});
    return played;
  };
  const auto imported = [&](int row, KeyCategory category, bool up) {
    Played played;
    const ChosenSound chosen = ChooseKeySound(plan.scheme, row, category, up);
    if (!chosen.reference) return played;
    EXPECT_EQ(chosen.volume, 100);
    for (const SoundPart& part : ParseSoundReference(*chosen.reference)) {
      EXPECT_FALSE(part.IsSlice()) << part.file;
      EXPECT_TRUE(part.file.starts_with(at)) << part.file;
      const PackExportFile* file = FileNamed(pack, part.file.substr(at.size()));
      if (!file) {
        ADD_FAILURE() << "not a file of the export: " << part.file;
        continue;
      }
      played.push_back({file->source, file->volume});
    }
    return played;
  };
  int sounding = 0;
  const auto table = KeyTable();
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyCategory category = table[static_cast<size_t>(row)].category;
    for (bool up : {false, true}) {
      const Played before = original(row, category, up);
      EXPECT_EQ(imported(row, category, up), before) << table[static_cast<size_t>(row)].name << (up ? " up" : "");
      sounding += before.empty() ? 0 : 1;
    }
  }
  EXPECT_EQ(plan.keys + plan.releases, sounding);
  EXPECT_GT(sounding, kKeyCount);  // presses and releases both
  // The mouse is not carried over.
  EXPECT_FALSE(plan.scheme.MouseEnabled);
  EXPECT_EQ(ChooseKeySound(plan.scheme, -1, KeyCategory::LeftButton, false).reference, nullptr);
}

TEST(PackSchemeExport, WavFile16Header) {
  const std::vector<uint8_t> wav = WavFile16({1, -2, 3, -4}, 22050, 2);
  ASSERT_EQ(wav.size(), 44u + 8u);
  const auto u32 = [&](size_t at) {
    return uint32_t{wav[at]} | uint32_t{wav[at + 1]} << 8 | uint32_t{wav[at + 2]} << 16 | uint32_t{wav[at + 3]} << 24;
  };
  const auto u16 = [&](size_t at) { return static_cast<uint16_t>(wav[at] | wav[at + 1] << 8); };
  const auto text = [&](size_t at) { return std::string(wav.begin() + static_cast<long>(at), wav.begin() + static_cast<long>(at) + 4); };
  EXPECT_EQ(text(0), "RIFF");
  EXPECT_EQ(u32(4), 36u + 8u);
  EXPECT_EQ(text(8), "WAVE");
  EXPECT_EQ(text(12), "fmt ");
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(u16(20), 1);  // PCM
  EXPECT_EQ(u16(22), 2);
  EXPECT_EQ(u32(24), 22050u);
  EXPECT_EQ(u32(28), 22050u * 2 * 2);
  EXPECT_EQ(u16(32), 4);
  EXPECT_EQ(u16(34), 16);
  EXPECT_EQ(text(36), "data");
  EXPECT_EQ(u32(40), 8u);
  EXPECT_EQ(std::vector<uint8_t>(wav.begin() + 44, wav.end()),
            (std::vector<uint8_t>{0x01, 0x00, 0xFE, 0xFF, 0x03, 0x00, 0xFC, 0xFF}));
  const std::vector<uint8_t> mono = WavFile16({}, 8000, 1);
  ASSERT_EQ(mono.size(), 44u);
  EXPECT_EQ(mono[22], 1);
  EXPECT_EQ(mono[32], 2);
  EXPECT_EQ(mono[40], 0);
}

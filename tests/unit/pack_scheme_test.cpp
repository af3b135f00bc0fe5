// Sound packs as schemes and schemes as packs, as plans: what each key plays
// after an import, what an export writes, and that an import undoes an
// export. The files themselves: tests/win/sound_pack_test.cpp.

#include "packs/pack_scheme.h"

#include <gtest/gtest.h>

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

using Expected = std::vector<std::pair<std::string, std::string>>;

PackSound File(std::string name) { return {PackSound::kFile, std::move(name), 0, 0}; }

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const KeyInfo& Key(std::string_view name) { return KeyTable()[static_cast<size_t>(FindKeyByName(name))]; }

// A pack holding these files, found without regard to case as on Windows.
PackHasFile Holding(std::set<std::string> files) {
  return [files](const std::string& path) {
    for (const std::string& file : files) {
      if (Folded(file) == Folded(path)) return true;
    }
    return false;
  };
}

// What a key plays ("A", or "A up" for its release): a reference, or "-".
std::string Plays(const TScheme& scheme, std::string name) {
  const bool up = name.ends_with(" up");
  if (up) name.resize(name.size() - 3);
  const ChosenSound chosen = ChooseKeySound(scheme, FindKeyByName(name), Key(name).category, up);
  return chosen.reference ? *chosen.reference : "-";
}

void ExpectPlays(const TScheme& scheme, const Expected& expected) {
  for (const auto& [key, sound] : expected) EXPECT_EQ(Plays(scheme, key), sound) << key;
}

PackConfig Read(const std::string& json) {
  PackConfig config;
  const PackConfigResult read = ReadPackConfig(json, config);
  EXPECT_TRUE(read.ok) << read.error;
  return config;
}

}  // namespace

TEST(PackSchemeImport, SpritePackPlaysSlicesAndNothingElse) {
  const PackConfig config = Read(R"({"name": "Cream", "key_define_type": "single", "sound": "sounds\\Sprite.ogg",
    "defines": {"30": [1200, 85], "30-up": [1300, 40], "57": [0, 90], "57416": [10, 20], "1": null}})");
  PackImport plan;
  std::string error;
  ASSERT_TRUE(PlanPackImport(config, Holding({"SOUNDS/sprite.ogg"}), "Schemes\\Cream\\", plan, error)) << error;
  const std::string sprite = "Schemes\\Cream\\sounds\\Sprite.ogg";
  // A version-1 pack has no default: keys it does not name are silent.
  ExpectPlays(plan.scheme, {{"A", sprite + "<1200,85>"}, {"A up", sprite + "<1300,40>"}, {"Space", sprite + "<0,90>"},
                            {"Space up", "-"}, {"Up", sprite + "<10,20>"}, {"Escape", "-"}, {"B", "-"}, {"B up", "-"}});
  EXPECT_EQ(plan.keys, 3);
  EXPECT_EQ(plan.releases, 1);
  EXPECT_EQ(plan.files, std::vector<std::string>{"sounds/Sprite.ogg"});
  EXPECT_TRUE(plan.missing.empty());
  EXPECT_TRUE(plan.scheme.KeyboardEnabled);
  EXPECT_FALSE(plan.scheme.MouseEnabled);
  // Without its sprite: refused, naming it, every key listed.
  EXPECT_FALSE(PlanPackImport(config, Holding({}), "Schemes\\Cream\\", plan, error));
  EXPECT_EQ(error, "the pack's sound file \"sounds\\Sprite.ogg\" is missing");
  EXPECT_EQ(plan.missing.size(), 4u);  // A, its release, Space, Up
}

TEST(PackSchemeImport, MultiPackDefaultsVariantsAliasesSilentAndMissingKeys) {
  const std::string json = R"({"version": 2, "key_define_type": "multi",
    "sound": "press/GENERIC_R{0-2}.mp3", "soundup": "release/GENERIC.mp3", "defines": {
      "28": "press/ENTER.mp3", "57": "space [big] (1).mp3", "14-up": "release\\BACKSPACE.mp3", "1": null,
      "30": "press/A.mp3", "31": "press/S{0-1}.mp3", "60999": "nav/home.wav", "60999-up": "nav/home-up.wav",
      "61000": "nav/up.wav", "3666": "nav/insert-code.wav", "61010": "nav/insert-alias.wav", "9999": "x.wav"}})";
  const PackHasFile hasFile = Holding({"press/GENERIC_R0.mp3", "press/generic_r2.MP3", "release/GENERIC.mp3",
                                       "Press/Enter.mp3", "space [big] (1).mp3", "release/BACKSPACE.mp3",
                                       "nav/home.wav", "nav/home-up.wav", "nav/up.wav", "nav/insert-code.wav",
                                       "nav/insert-alias.wav", "x.wav"});
  const std::string at = "C:\\Data\\Schemes\\Board\\";
  const std::string generic = at + "press\\GENERIC_R0.mp3|" + at + "press\\GENERIC_R2.mp3";  // no R1
  const std::string genericUp = at + "release\\GENERIC.mp3";
  PackImport plan;
  std::string error;
  ASSERT_TRUE(PlanPackImport(Read(json), hasFile, at, plan, error)) << error;
  ExpectPlays(plan.scheme, {{"Enter", at + "press\\ENTER.mp3"}, {"Enter up", genericUp},
                            {"Space", at + "space [big] (1).mp3"}, {"Backspace", generic},
                            {"Backspace up", at + "release\\BACKSPACE.mp3"},
                            {"Escape", "-"}, {"Escape up", genericUp},  // null: silent despite "sound"
                            // Navigation keys by their aliases; a code beats its alias.
                            {"Home", at + "nav\\home.wav"}, {"Home up", at + "nav\\home-up.wav"},
                            {"Up", at + "nav\\up.wav"}, {"Insert", at + "nav\\insert-code.wav"},
                            {"Numpad7", generic}, {"Numpad8", generic},
                            // Missing files and unnamed keys play the default.
                            {"A", generic}, {"S", generic}, {"B", generic}, {"F13 up", genericUp}});
  EXPECT_EQ(plan.keys, kKeyCount - 1);  // all but Escape
  EXPECT_EQ(plan.releases, kKeyCount);
  ASSERT_EQ(plan.missing.size(), 2u);
  EXPECT_EQ(plan.missing[0], "Key A: \"press/A.mp3\" is not in the pack");
  EXPECT_EQ(plan.missing[1], "Key S: \"press/S{0-1}.mp3\" is not in the pack");
  // Each file used, once; not the overruled alias's, the unknown key's or R1.
  EXPECT_EQ(std::multiset<std::string>(plan.files.begin(), plan.files.end()),
            (std::multiset<std::string>{"press/GENERIC_R0.mp3", "press/GENERIC_R2.mp3", "release/GENERIC.mp3",
                                        "press/ENTER.mp3", "space [big] (1).mp3", "release/BACKSPACE.mp3",
                                        "nav/home.wav", "nav/home-up.wav", "nav/up.wav", "nav/insert-code.wav"}));
  for (int c = 0; c < kKeyCategoryCount; ++c) {
    const TSoundKey& category = plan.scheme.Keys[static_cast<size_t>(c)];
    EXPECT_EQ(category.Enabled, c < kKeyboardCategoryCount) << c;
    EXPECT_EQ(category.Volume, 100) << c;
  }
  EXPECT_FALSE(plan.scheme.MouseEnabled);
  EXPECT_EQ(ChooseKeySound(plan.scheme, -1, KeyCategory::LeftButton, false).reference, nullptr);
  EXPECT_EQ(ChooseKeySound(plan.scheme, -1, KeyCategory::RightButton, true).reference, nullptr);
  EXPECT_EQ(*ChooseKeySound(plan.scheme, -1, KeyCategory::Other, false).reference, generic);  // outside the table

  // As version 1 there are no defaults: unnamed keys and missing files are silent.
  ASSERT_TRUE(PlanPackImport(Read(json.substr(0, 1) + json.substr(json.find("\"key_define"))), hasFile, at, plan,
                             error)) << error;
  ExpectPlays(plan.scheme, {{"B", "-"}, {"A", "-"}, {"Enter up", "-"}, {"Enter", at + "press\\ENTER.mp3"}});
  EXPECT_EQ(plan.keys, 5);      // Enter, Space, Home, Up, Insert
  EXPECT_EQ(plan.releases, 2);  // Backspace, Home
  // A missing default is listed; nothing sounding is refused.
  ASSERT_TRUE(PlanPackImport(Read(R"({"version": 2, "key_define_type": "multi", "sound": "gone.wav",
    "defines": {"28": "press/ENTER.mp3"}})"), hasFile, at, plan, error)) << error;
  EXPECT_EQ(plan.missing, std::vector<std::string>{"The pack's \"sound\" \"gone.wav\" is not in the pack"});
  EXPECT_EQ(plan.keys, 1);
  EXPECT_FALSE(PlanPackImport(Read(R"({"version": 2, "key_define_type": "multi", "sound": "a{0-3}.wav",
    "defines": {"28": "b.wav", "28-up": "c.wav"}})"), hasFile, at, plan, error));
  EXPECT_EQ(error, "none of the pack's sound files is in the pack");
  EXPECT_EQ(plan.missing.size(), 3u);
  EXPECT_FALSE(PlanPackImport(Read(R"({"key_define_type": "multi", "defines": {"9999": "x.wav"}})"), hasFile, at,
                              plan, error));
  EXPECT_EQ(error, "the pack names no sounds");
}

namespace {

// Every kind of sound an export meets.
TScheme RichScheme() {
  TScheme scheme;
  scheme.KeyboardEnabled = scheme.MouseEnabled = true;
  const auto set = [&](KeyCategory category, std::string press, std::string release = "", int volume = 100) {
    scheme.Key(category) = {true, std::move(press), volume, std::move(release)};
  };
  set(KeyCategory::Other, "Sounds\\click.wav", "Sounds\\up.wav");
  set(KeyCategory::Enter, "C:\\Music\\Enter.WAV", "", 60);                              // decoded at 60 %
  set(KeyCategory::Space, "Sounds\\sprite.ogg<100,50>");                                 // a slice
  set(KeyCategory::Digits, "Sounds\\d0.wav|Sounds\\d1.wav|Sounds\\d2.wav");             // variants, copied
  set(KeyCategory::Tab, "Other\\Click.wav");                                             // its name taken, case aside
  set(KeyCategory::Shift, "Sounds\\sprite.ogg<0,10>|Sounds\\b.mp3", "Sounds\\up.wav");   // variants with a slice
  set(KeyCategory::CapsLock, "Sounds\\Config.JSON");                                     // not the pack's config.json
  set(KeyCategory::LeftButton, "Sounds\\mouse.wav");                                     // not in a pack
  scheme.Key(KeyCategory::Functions) = {false, "Sounds\\f.wav", 100, ""};                // off: silent
  scheme.OwnKeys[FindKeyByName("A")] = {std::string(), std::nullopt, 100};                // silent press
  scheme.OwnKeys[FindKeyByName("B")] = {"Sounds\\b.mp3", std::string(), 100};
  scheme.OwnKeys[FindKeyByName("C")] = {"Sounds\\click.wav", std::nullopt, 50};           // the default's file at 50 %
  scheme.OwnKeys[FindKeyByName("Grave")] = {"Sounds\\click.wav|Sounds\\CLICK.mp3", std::nullopt, 100};
  return scheme;
}

const PackExportFile* FileNamed(const PackExport& pack, const std::string& name) {
  for (const PackExportFile& file : pack.files) {
    if (file.name == name) return &file;
  }
  return nullptr;
}

}  // namespace

TEST(PackSchemeExport, EverySoundingKeyDefinedWithUniqueNamedFiles) {
  const TScheme scheme = RichScheme();
  const PackExport pack = PlanPackExport("Rich", scheme);
  const PackConfig& config = pack.config;
  EXPECT_EQ(config.version, 2);
  EXPECT_FALSE(config.single);
  EXPECT_EQ(config.name, "Rich");
  EXPECT_EQ(config.defaultPress, File("click.wav"));
  EXPECT_EQ(config.defaultRelease, File("up.wav"));
  // Every key defined: a file where it sounds, null where it is silent.
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = KeyTable()[static_cast<size_t>(row)];
    for (bool up : {false, true}) {
      const auto found = (up ? config.release : config.press).find(key.packCode);
      ASSERT_NE(found, (up ? config.release : config.press).end()) << key.name << up;
      EXPECT_EQ(found->second.kind, ChooseKeySound(scheme, row, key.category, up).reference ? PackSound::kFile
                                                                                            : PackSound::kNone)
          << key.name << up;
      for (const std::string& name : ExpandVariants(found->second.file)) {
        EXPECT_TRUE(found->second.file.empty() || FileNamed(pack, name)) << key.name << ": " << name;
      }
    }
  }
  EXPECT_EQ(config.press.size() + config.release.size(), 2u * kKeyCount);
  ExpectPlays(scheme, {{"F5", "-"}, {"A", "-"}, {"B up", "-"}});
  for (const char* silent : {"Escape", "F5", "A"}) EXPECT_EQ(config.press.at(Key(silent).packCode), PackSound{});
  EXPECT_EQ(config.release.at(Key("A").packCode), File("up.wav"));
  EXPECT_EQ(config.press.at(Key("B").packCode), File("b.mp3"));
  EXPECT_EQ(config.press.at(Key("D7").packCode), File("d0_{0-2}.wav"));
  // Each sound at each volume once: click, up, Grave's two, the digits' three,
  // Tab's, Enter's, the slice, Shift's two, Caps Lock's, B's, C's.
  EXPECT_EQ(pack.files.size(), 15u);
  std::set<std::string> names{"config.json"};
  for (const PackExportFile& file : pack.files) {
    EXPECT_TRUE(names.insert(Folded(file.name)).second) << "two files named " << file.name;
    EXPECT_TRUE(IsSafeRelativePath(file.name) && file.name.find_first_of("{}") == std::string::npos) << file.name;
    // Slices, other volumes and variants of mixed types are decoded to WAV.
    const bool mixed = file.name.starts_with("click_") || file.name.starts_with("sprite_");
    EXPECT_EQ(file.decode, file.volume != 100 || file.source.IsSlice() || mixed) << file.name;
    EXPECT_TRUE(!file.decode || file.name.ends_with(".wav")) << file.name;
    const std::string extension = file.source.file.substr(file.source.file.rfind('.'));
    EXPECT_TRUE(file.decode || Folded(file.name).ends_with(Folded(extension))) << file.name;
    EXPECT_TRUE(file.source.file != "Sounds\\mouse.wav" && file.source.file != "Sounds\\f.wav") << file.name;
  }
  const auto fileOf = [&](const char* key) {
    const PackExportFile* file = FileNamed(pack, config.press.at(Key(key).packCode).file);
    return file ? *file : PackExportFile{};
  };
  EXPECT_EQ(fileOf("Enter"), (PackExportFile{"Enter.wav", {"C:\\Music\\Enter.WAV", 0, 0}, true, 60}));
  EXPECT_EQ(fileOf("Space").source, (SoundPart{"Sounds\\sprite.ogg", 100, 50}));
  EXPECT_EQ(fileOf("C").source.file, "Sounds\\click.wav");
  EXPECT_EQ(fileOf("C").volume, 50);
  EXPECT_EQ(fileOf("Tab").source.file, "Other\\Click.wav");
  EXPECT_EQ(*FileNamed(pack, "d0_1.wav"), (PackExportFile{"d0_1.wav", {"Sounds\\d1.wav", 0, 0}, false, 100}));

  // Without a default, silent keys are left out rather than null.
  TScheme enterOnly;
  enterOnly.Key(KeyCategory::Enter) = {true, "Sounds\\enter.mp3", 100, ""};
  enterOnly.Key(KeyCategory::Space) = {true, "", 100, ""};
  const PackExport small = PlanPackExport("Small", enterOnly);
  EXPECT_EQ(small.config.defaultPress, PackSound{});
  EXPECT_EQ(small.config.press, (std::map<uint32_t, PackSound>{{Key("Enter").packCode, File("enter.mp3")},
                                                                {Key("NumpadEnter").packCode, File("enter.mp3")}}));
  EXPECT_TRUE(small.config.release.empty());
  EXPECT_EQ(small.files, (std::vector<PackExportFile>{{"enter.mp3", {"Sounds\\enter.mp3", 0, 0}, false, 100}}));
}

TEST(PackSchemeExport, ImportOfTheExportPlaysTheSameOnEveryKey) {
  const TScheme scheme = RichScheme();
  const PackExport pack = PlanPackExport("Round trip", scheme);
  PackConfig read;
  const PackConfigResult result = ReadPackConfig(WritePackConfig(pack.config), read);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.warnings.empty());
  std::set<std::string> names;
  for (const PackExportFile& file : pack.files) names.insert(file.name);
  const std::string at = "Schemes\\Round trip\\";
  PackImport plan;
  std::string error;
  ASSERT_TRUE(PlanPackImport(read, Holding(names), at, plan, error)) << error;
  EXPECT_TRUE(plan.missing.empty());
  EXPECT_EQ(plan.files.size(), pack.files.size());

  // What a key plays, as the scheme's parts and their volumes: a file copied
  // plays whole at 100 %, a decoded one its part at its volume.
  using Played = std::vector<std::pair<SoundPart, int>>;
  int sounding = 0;
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = KeyTable()[static_cast<size_t>(row)];
    for (bool up : {false, true}) {
      Played before, after;
      if (const ChosenSound was = ChooseKeySound(scheme, row, key.category, up); was.reference) {
        for (const SoundPart& part : ParseSoundReference(*was.reference)) before.push_back({part, was.volume});
      }
      if (const ChosenSound now = ChooseKeySound(plan.scheme, row, key.category, up); now.reference) {
        EXPECT_EQ(now.volume, 100);
        for (const SoundPart& part : ParseSoundReference(*now.reference)) {
          const PackExportFile* file =
              part.file.starts_with(at) ? FileNamed(pack, part.file.substr(at.size())) : nullptr;
          ASSERT_TRUE(file && !part.IsSlice()) << part.file;
          after.push_back(file->decode ? std::pair{file->source, file->volume}
                                       : std::pair{SoundPart{file->source.file, 0, 0}, 100});
        }
      }
      EXPECT_EQ(after, before) << key.name << (up ? " up" : "");
      sounding += before.empty() ? 0 : 1;
    }
  }
  EXPECT_EQ(plan.keys + plan.releases, sounding);
  EXPECT_GT(plan.releases, 0);
  EXPECT_FALSE(plan.scheme.MouseEnabled);
}

TEST(PackSchemeExport, WavFile16Header) {
  const std::vector<uint8_t> header = {'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                       16, 0, 0, 0, 1, 0, 2, 0, 0x22, 0x56, 0, 0, 0x88, 0x58, 0x01, 0,  // 22050, 88200
                                       4, 0, 16, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0,
                                       0x01, 0x00, 0xFE, 0xFF, 0x03, 0x00, 0xFC, 0xFF};
  EXPECT_EQ(WavFile16({1, -2, 3, -4}, 22050, 2), header);
  const std::vector<uint8_t> mono = WavFile16({}, 8000, 1);
  ASSERT_EQ(mono.size(), 44u);
  EXPECT_EQ(std::vector<uint8_t>(mono.begin() + 22, mono.begin() + 36),
            (std::vector<uint8_t>{1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0}));
  EXPECT_EQ(mono[4], 36);
  EXPECT_EQ(mono[40], 0);
}

namespace {

// A resolver as the program's: a name without a drive is in the program folder.
std::string InProgram(const std::string& file) {
  return file.size() >= 2 && file[1] == ':' ? file : "C:\\Brisolt\\" + file;
}

TScheme SchemeOf(std::initializer_list<std::string> categoryFiles, std::string ownKeyFile = "") {
  TScheme scheme;
  size_t i = 0;
  for (const std::string& file : categoryFiles) scheme.Keys[i++].FileName = file;
  if (!ownKeyFile.empty()) scheme.OwnKeys[3].ReleaseFileName = ownKeyFile;
  return scheme;
}

}  // namespace

// A deleted scheme leaves unused only the pack folders no other scheme plays
// a sound of, however the other schemes name their files.
TEST(PackSchemeRemoval, OnlyFoldersNoOtherSchemeUsesAreLeftUnused) {
  const std::string root = "C:\\Brisolt\\Schemes";
  const TScheme deleted = SchemeOf({"Schemes\\Alpha\\sprite.ogg<0,80>", "Schemes\\Beta\\a.wav|Schemes\\Beta\\b.wav",
                                    "C:\\Elsewhere\\own.wav", "Schemes\\loose.wav"},
                                   "schemes\\GAMMA\\up.wav");
  // Nothing else: every pack folder it plays from, each once, as it names it.
  EXPECT_EQ(PackFoldersLeftUnused(deleted, {}, root, InProgram),
            (std::vector<std::string>{root + "\\Alpha", root + "\\Beta", root + "\\GAMMA"}));
  EXPECT_EQ(PackFoldersLeftUnused(deleted, {&deleted}, root, InProgram), std::vector<std::string>{});

  // Other schemes keep a folder by any spelling of a file in it: another
  // case, '/', "." and "..", a trailing dot, a full path, a variant, a slice,
  // a key's own release sound.
  const std::vector<TScheme> keepers = {
      SchemeOf({"", "schemes/alpha/other.wav"}),
      SchemeOf({"Schemes\\.\\x\\..\\Beta.\\b.wav<10,20>"}),
      SchemeOf({"C:\\BRISOLT\\SCHEMES\\gamma\\z.wav"}),
      SchemeOf({}, "q.wav|Schemes\\Alpha\\q.wav"),
  };
  const std::vector<std::string> alone[] = {
      {root + "\\Beta", root + "\\GAMMA"}, {root + "\\Alpha", root + "\\GAMMA"}, {root + "\\Alpha", root + "\\Beta"},
      {root + "\\Beta", root + "\\GAMMA"}};
  for (size_t i = 0; i < keepers.size(); ++i) {
    EXPECT_EQ(PackFoldersLeftUnused(deleted, {&keepers[i]}, root, InProgram), alone[i]) << i;
  }

  // A file right in the root, a folder that only shares the beginning of a
  // name, and a path that climbs out of the root are no pack folders.
  const TScheme outside = SchemeOf({"Schemes\\file.wav", "C:\\Brisolt\\SchemesOld\\A\\a.wav",
                                    "Schemes\\A\\..\\..\\B\\b.wav"});
  EXPECT_EQ(PackFoldersLeftUnused(outside, {}, root, InProgram), std::vector<std::string>{});
}

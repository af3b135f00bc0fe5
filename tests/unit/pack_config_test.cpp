#include "packs/pack_config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

PackSound File(std::string name) { return {PackSound::kFile, std::move(name), 0, 0}; }
PackSound Slice(uint32_t start, uint32_t length) { return {PackSound::kSlice, "", start, length}; }

// A multi pack: `extra` holds fields (each with its comma), `defines` the entries.
std::string Multi(const std::string& defines, const std::string& extra = "") {
  return R"({"key_define_type": "multi", )" + extra + R"("defines": {)" + defines + "}}";
}

std::string ErrorOf(const std::string& json) {
  PackConfig config;
  const PackConfigResult result = ReadPackConfig(json, config);
  EXPECT_FALSE(result.ok) << json.substr(0, 200);
  EXPECT_EQ(config, PackConfig{});
  return result.error;
}

}  // namespace

TEST(PackConfig, ReadsVersionOneSpriteWithSlicesAndReleases) {
  PackConfig config;
  const auto result = ReadPackConfig(R"({"id": "sound-pack-1", "name": "Cream", "key_define_type": "single",
    "includes_numpad": false, "sound": "sound.ogg",
    "defines": {"30": [1200, 85], "30-up": [1300, 40], "3612": [0, 90], "57416": null}})", config);
  ASSERT_TRUE(result) << result.error;
  EXPECT_EQ(config.version, 1);
  EXPECT_TRUE(config.single);
  EXPECT_EQ(config.sprite, "sound.ogg");
  EXPECT_EQ(config.defaultPress, PackSound{});  // the sprite is not a sound of its own
  EXPECT_EQ(config.press, (std::map<uint32_t, PackSound>{{30, Slice(1200, 85)}, {3612, Slice(0, 90)}, {57416, {}}}));
  EXPECT_EQ(config.release, (std::map<uint32_t, PackSound>{{30, Slice(1300, 40)}}));
  EXPECT_TRUE(result.warnings.empty());
}

TEST(PackConfig, ReadsVersionTwoMultiWithDefaultsFoldersAndSilentKeys) {
  PackConfig config;
  ASSERT_TRUE(ReadPackConfig(Multi(R"("28": "press/ENTER.mp3", "57": "space [big] (1).mp3", "1": null,
    "14-up": "release/BACKSPACE.mp3")", R"("version": 2, "sound": "press/GENERIC_R{0-4}.mp3",
    "soundup": "release/GENERIC.mp3", "author": "x", "tags": ["a"], "icon": "i.png", )"), config));
  EXPECT_EQ(config.version, 2);
  EXPECT_FALSE(config.single);
  EXPECT_EQ(config.defaultPress, File("press/GENERIC_R{0-4}.mp3"));
  EXPECT_EQ(config.defaultRelease, File("release/GENERIC.mp3"));
  EXPECT_EQ(config.press, (std::map<uint32_t, PackSound>{
                              {1, {}}, {28, File("press/ENTER.mp3")}, {57, File("space [big] (1).mp3")}}));
  EXPECT_EQ(config.release, (std::map<uint32_t, PackSound>{{14, File("release/BACKSPACE.mp3")}}));
}

TEST(PackConfig, VersionIsANumberOrAStringAndOnlyVersionTwoHasDefaults) {
  PackConfig config;
  for (const char* version : {"2", "\"2\""}) {
    ASSERT_TRUE(ReadPackConfig(Multi(R"("2": "a.mp3")", "\"version\": " + std::string(version) +
                                                           ", \"sound\": \"d.mp3\", "), config));
    EXPECT_EQ(config.version, 2);
    EXPECT_EQ(config.defaultPress, File("d.mp3"));
  }
  ASSERT_TRUE(ReadPackConfig(Multi(R"("2": "a.mp3")", R"("sound": "d.mp3", )"), config));
  EXPECT_EQ(config.version, 1);
  EXPECT_EQ(config.defaultPress, PackSound{});
  EXPECT_EQ(ErrorOf(Multi(R"("2": "a.mp3")", R"("version": 3, )")),
            "config.json has a \"version\" Brisolt cannot read (it reads 1 and 2)");
  // A version-2 pack may name no key at all.
  ASSERT_TRUE(ReadPackConfig(Multi("", R"("version": "2", "sound": "", "soundup": "up.mp3", )"), config));
  EXPECT_EQ(config.defaultRelease, File("up.mp3"));
}

TEST(PackConfig, SliceNumbersMayBeStringsOrFractionsAndBadSlicesAreLeftOutByKey) {
  PackConfig config;
  const auto result = ReadPackConfig(R"({"key_define_type": "single", "sound": "s.ogg", "defines": {
    "2": ["120", "80"], "3": [120.5, 80.4], "4": ["12.5", "7.49"], "5": [0, -1], "6": ["abc", 5], "7": [10, 0],
    "8": [4294967295, 1], "9": [1, 2, 3], "10": "a.mp3", "11": [4294967294, 1],
    "12": [1e300, 5], "13": [0, -2.5]}})", config);
  ASSERT_TRUE(result);
  EXPECT_EQ(config.press, (std::map<uint32_t, PackSound>{{2, Slice(120, 80)}, {3, Slice(121, 80)},
                                                         {4, Slice(13, 7)}, {11, Slice(4294967294, 1)}}));
  ASSERT_EQ(result.warnings.size(), 8u);
  for (const char* key : {"5", "6", "7", "8", "9", "10", "12", "13"}) {
    const std::string prefix = "key " + std::string(key) + " ";
    EXPECT_EQ(std::count_if(result.warnings.begin(), result.warnings.end(),
                            [&](const std::string& warning) { return warning.starts_with(prefix); }),
              1)
        << key;
  }
}

TEST(PackConfig, SkipsAByteOrderMarkAndIgnoresEntriesThatAreNotKeyCodes) {
  PackConfig config;
  const auto result = ReadPackConfig(
      "\xEF\xBB\xBF" + Multi(R"("30": "a.mp3", "030": "b.mp3", "+31": "c.mp3", "32-down": "d.mp3", "-up": "e.mp3",
        "4294967296": "f.mp3", "4294967295-up": "g.mp3")"), config);
  ASSERT_TRUE(result) << result.error;
  EXPECT_EQ(config.press, (std::map<uint32_t, PackSound>{{30, File("a.mp3")}}));
  EXPECT_EQ(config.release, (std::map<uint32_t, PackSound>{{4294967295u, File("g.mp3")}}));
  EXPECT_EQ(result.warnings, std::vector<std::string>{"5 entries of \"defines\" left out: not named by a key code"});
}

TEST(PackConfig, NameFallsBackToIdThenToAPlainNameAndIsCleaned) {
  PackConfig config;
  ASSERT_TRUE(ReadPackConfig(Multi(R"("2": "a.mp3")", R"("id": " pack\u0001 7 ", "name": " \t ", )"), config));
  EXPECT_EQ(config.name, "pack 7");
  ASSERT_TRUE(ReadPackConfig(Multi(R"("2": "a.mp3")", R"("name": ["x"], )"), config));
  EXPECT_EQ(config.name, "Sound pack");
  // A hundred characters are kept, not a hundred bytes; the 101st, two bytes
  // long, is cut whole.
  const std::string name = std::string(98, 'x') + "\u00e9\u00e9\u00e9";
  ASSERT_TRUE(ReadPackConfig(Multi(R"("2": "a.mp3")", "\"name\": \"" + name + "\", "), config));
  EXPECT_EQ(config.name, std::string(98, 'x') + "\u00e9\u00e9");
  ASSERT_TRUE(ReadPackConfig(Multi(R"("2": "a.mp3")", R"("name": "Bright\n\u0085\u0007 Blue  ", )"), config));
  EXPECT_EQ(config.name, "Bright Blue");
}

TEST(PackConfig, RefusesFilesOutsideThePackFolder) {
  PackConfig config;
  const auto result = ReadPackConfig(Multi(R"("1": "../x.mp3", "2": "/etc/x.mp3", "3": "C:\\x.mp3",
    "4": "a/../../x.mp3", "5": "a\\..\\x.mp3", "6": "\\\\server\\x.mp3", "7": "a..b/..c.mp3", "8": "",
    "9": "COM{1-3}.wav", "10": "COM{5-5}{.wav")"), config);
  ASSERT_TRUE(result);
  EXPECT_EQ(config.press, (std::map<uint32_t, PackSound>{{7, File("a..b/..c.mp3")}, {10, File("COM{5-5}{.wav")}}));
  EXPECT_EQ(result.warnings.size(), 8u);
  EXPECT_NE(std::find(result.warnings.begin(), result.warnings.end(),
                      "key 9 left out: \"COM1.wav\" uses a name that Windows keeps for a device"),
            result.warnings.end());
  EXPECT_EQ(ErrorOf(R"({"key_define_type": "single", "sound": "../s.ogg", "defines": {"1": [0, 5]}})"),
            "the sprite \"../s.ogg\" would leave the pack's folder");
}

TEST(PackConfigErrors, SyntaxErrorsNameTheirLine) {
  EXPECT_EQ(ErrorOf("{\n  \"defines\": {},\n}\n"), "config.json is not valid JSON at line 3");
  EXPECT_EQ(ErrorOf("{\n  \"defines\": {},\n  // keys\n}"), "config.json is not valid JSON at line 3");
  EXPECT_EQ(ErrorOf("\xEF\xBB\xBF{\"a\": 1,\n\n \"b\" 2}"), "config.json is not valid JSON at line 3");
  EXPECT_EQ(ErrorOf("{\n\"defines\": {\n"), "config.json is not valid JSON at line 3");
  // The fault is the line break itself, which still belongs to line 2.
  EXPECT_EQ(ErrorOf("{\n\"name\": \"A\nB\"}"), "config.json is not valid JSON at line 2");
  EXPECT_EQ(ErrorOf(""), "config.json is not valid JSON at line 1");
}

TEST(PackConfigErrors, TextPastOneMegabyteIsRefused) {
  std::string json = Multi(R"("2": "a.mp3")");
  json.resize(kPackConfigMaxBytes, ' ');
  PackConfig config;
  EXPECT_TRUE(ReadPackConfig(json, config));
  EXPECT_EQ(ErrorOf(json + " "), "config.json is larger than 1 MB");
}

TEST(PackConfigErrors, NestingPastSixtyFourLevelsIsRefused) {
  // The pack object is the first level; brackets inside strings do not count.
  const auto nested = [](int levels) {
    return Multi(R"("2": "[[[{{{.mp3")", R"("x": )" + std::string(levels - 1, '[') + std::string(levels - 1, ']') +
                                            ", ");
  };
  PackConfig config;
  EXPECT_TRUE(ReadPackConfig(nested(kPackConfigMaxDepth), config));
  EXPECT_EQ(ErrorOf(nested(kPackConfigMaxDepth + 1)), "config.json nests deeper than 64 levels");
}

TEST(PackConfigErrors, EachFaultOfThePackHasItsMessage) {
  EXPECT_EQ(ErrorOf(R"({"key_define_type": "multi"})"), "config.json has no \"defines\"");
  EXPECT_EQ(ErrorOf(R"({"key_define_type": "multi", "defines": ["a.mp3"]})"),
            "\"defines\" in config.json must be an object of key codes");
  for (const char* type : {"", R"("key_define_type": "both", )", R"("key_define_type": 1, )"}) {
    EXPECT_EQ(ErrorOf(std::string("{") + type + R"("defines": {"2": "a.mp3"}})"),
              "\"key_define_type\" must be \"single\" or \"multi\"");
  }
  EXPECT_EQ(ErrorOf(R"({"key_define_type": "single", "sound": 5, "defines": {"1": [0, 5]}})"),
            "the sprite \"sound\" is missing");
  EXPECT_EQ(ErrorOf(R"({"key_define_type": "single", "defines": {"1": [0, 5]}})"), "the sprite \"sound\" is missing");
  EXPECT_EQ(ErrorOf(Multi(R"("1": null, "2": "../a.mp3", "3": 7)", R"("version": 2, "sound": "", )")),
            "the pack names no sounds");
  EXPECT_EQ(ErrorOf(R"(["key_define_type"])"), "config.json does not hold a JSON object");
}

TEST(PackConfigErrors, MoreThanFiveThousandDefinesAreRefused) {
  std::string defines;
  for (size_t i = 1; i <= kPackConfigMaxDefines; ++i) defines += "\"" + std::to_string(i) + "\": \"a.mp3\", ";
  defines += "\"x\": null";  // the limit counts every entry
  EXPECT_EQ(ErrorOf(Multi(defines)), "config.json has more than 5000 defines");
  defines.resize(defines.size() - std::string(", \"x\": null").size());
  PackConfig config;
  EXPECT_TRUE(ReadPackConfig(Multi(defines), config));
  EXPECT_EQ(config.press.size(), kPackConfigMaxDefines);
}

TEST(PackConfigVariants, ARangeNamesEveryFileFromLowToHigh) {
  EXPECT_EQ(ExpandVariants("GENERIC_R{0-4}.mp3"), (std::vector<std::string>{"GENERIC_R0.mp3", "GENERIC_R1.mp3",
                                                                            "GENERIC_R2.mp3", "GENERIC_R3.mp3",
                                                                            "GENERIC_R4.mp3"}));
  EXPECT_EQ(ExpandVariants("{00-03}"), (std::vector<std::string>{"00", "01", "02", "03"}));
  EXPECT_EQ(ExpandVariants("k{8-10}"), (std::vector<std::string>{"k8", "k9", "k10"}));
  EXPECT_EQ(ExpandVariants("k{7-7}"), std::vector<std::string>{"k7"});
  EXPECT_EQ(ExpandVariants("{0-99}").size(), 100u);
  EXPECT_EQ(ExpandVariants("{0-99}").back(), "99");
  EXPECT_TRUE(ExpandVariants("{0-100}").empty());
  EXPECT_TRUE(ExpandVariants("{1-999999999}").empty());
}

TEST(PackConfigVariants, AnythingButOneWellFormedRangeIsALiteralName) {
  for (const char* name : {"plain.mp3", "{4-0}.mp3", "{a-b}.mp3", "{0-.mp3", "0-3}.mp3", "{{0-1}}.mp3",
                           "{0-1}{2-3}.mp3", "{-3}.mp3", "{3}.mp3", "{0-1234567890}.mp3", "}0-3{.mp3", ""}) {
    EXPECT_EQ(ExpandVariants(name), std::vector<std::string>{name}) << name;
  }
}

TEST(PackConfigVariants, AKeyWithTooManyVariantsIsLeftOut) {
  PackConfig config;
  const auto result = ReadPackConfig(Multi(R"("1": "a{0-100}.mp3", "2": "a{0-99}.mp3")"), config);
  ASSERT_TRUE(result);
  EXPECT_EQ(config.press, (std::map<uint32_t, PackSound>{{2, File("a{0-99}.mp3")}}));
  EXPECT_EQ(result.warnings, std::vector<std::string>{"key 1 left out: \"a{0-100}.mp3\" names more than 100 files"});
}

TEST(PackConfigExport, WritesVersionTwoMultiWithCodesInNumericOrder) {
  PackConfig config;
  config.id = "brisolt-typewriter";
  config.name = "Typewriter \"Olympia\"";
  config.defaultRelease = File("up.wav");
  config.press = {{3612, File("enter.wav")}, {9, {}}, {30, File("keys/a b.wav")}};
  config.release = {{30, File("keys/a-up.wav")}, {100, {}}};
  EXPECT_EQ(WritePackConfig(config), R"({
  "version": "2",
  "id": "brisolt-typewriter",
  "name": "Typewriter \"Olympia\"",
  "key_define_type": "multi",
  "includes_numpad": true,
  "sound": "",
  "soundup": "up.wav",
  "defines": {
    "9": null,
    "30": "keys/a b.wav",
    "30-up": "keys/a-up.wav",
    "100-up": null,
    "3612": "enter.wav"
  }
}
)");
}

TEST(PackConfigExport, ReadingWhatWasWrittenGivesThePackBack) {
  for (const std::string& json :
       {Multi(R"("2": "a.mp3", "2-up": null, "57416": "n/{00-09}.mp3")",
              R"("version": 2, "name": "N", "sound": "d{1-3}.ogg", "soundup": "u.ogg", )"),
        Multi(R"("2": "a.mp3")", R"("id": "only-id", )"),
        std::string(R"({"key_define_type": "single", "sound": "s.ogg", "defines": {"1": [0, 5], "1-up": ["5", 2.5],
          "7": null}})")}) {
    PackConfig first;
    PackConfig second;
    ASSERT_TRUE(ReadPackConfig(json, first));
    const std::string written = WritePackConfig(first);
    ASSERT_TRUE(ReadPackConfig(written, second)) << written;
    first.version = 2;
    EXPECT_EQ(second, first) << written;
    EXPECT_EQ(WritePackConfig(second), written);
  }
}

// Sound packs on the disk: a pack's folder, config.json or zip installed;
// hostile packs refused with the disk left as it was; a scheme exported as a
// zip that installs back to the same sounds.

#include "packs/pack_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_rules.h"
#include "base/program_paths.h"
#include "base/wide_text.h"
#include "input/dispatch.h"
#include "packs/pack_config.h"
#include "packs/pack_scheme.h"
#include "packs/zip_archive.h"
#include "settings/key_table.h"
#include "tests/win_test_util.h"

using testutil::TempFolder;

namespace {

// Pairs of text; as files, a pack path ('/' between folders) and its bytes.
using Pairs = std::vector<std::pair<std::string, std::string>>;
using Files = Pairs;

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A tiny WAV file, different for every seed.
std::string Tone(int seed) {
  std::vector<int16_t> samples{static_cast<int16_t>(seed), 0};
  for (int i = 0; i < 62; ++i) samples.push_back(static_cast<int16_t>((i * 37 + seed) % 2000 * (i % 2 ? -1 : 1)));
  const std::vector<uint8_t> wav = WavFile16(samples, 8000, 1);
  return std::string(wav.begin(), wav.end());
}

std::string Read(const std::string& path) { return testutil::ReadFileBytes(Wide(path)); }
bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }
void MakeFolder(const std::string& path) { CreateDirectoryW(Wide(path).c_str(), nullptr); }

// Writes folder\relative, making the folders it needs.
void Put(const std::string& folder, const std::string& relative, const std::string& bytes) {
  std::string path = folder + "\\" + relative;
  for (char& c : path) c = c == '/' ? '\\' : c;
  for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    MakeFolder(path.substr(0, slash));
  }
  testutil::WriteFileBytes(Wide(path), bytes);
}

// Everything under a folder: relative path -> bytes, or "<folder>".
using Listing = std::map<std::string, std::string>;
Listing List(const std::string& folder, const std::string& prefix = "") {
  Listing out;
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    const std::string name = Utf8(found.cFileName);
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[prefix + name] = "<folder>";
      out.merge(List(folder + "\\" + name, prefix + name + "\\"));
    } else {
      out[prefix + name] = Read(folder + "\\" + name);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return out;
}
std::set<std::string> Names(const Listing& listing) {
  std::set<std::string> names;
  for (const auto& entry : listing) names.insert(entry.first);
  return names;
}

SchemeNameTaken Taken(std::set<std::string> names) {
  return [names](const std::string& name) {
    for (const std::string& taken : names) {
      if (Folded(taken) == Folded(name)) return true;
    }
    return false;
  };
}

// What a key plays ("A", or "A up" for its release): a reference, or "-".
std::string Plays(const TScheme& scheme, std::string name) {
  const bool up = name.ends_with(" up");
  if (up) name.resize(name.size() - 3);
  const int row = FindKeyByName(name);
  const ChosenSound chosen = ChooseKeySound(scheme, row, KeyTable()[static_cast<size_t>(row)].category, up);
  return chosen.reference ? *chosen.reference : "-";
}

// config.json and the files a pack's config.json names.
std::set<std::string> NamedFiles(const std::string& json) {
  PackConfig config;
  EXPECT_TRUE(ReadPackConfig(json, config).ok) << json;
  std::set<std::string> names{"config.json"};
  std::vector<PackSound> sounds{config.defaultPress, config.defaultRelease};
  for (const auto* defines : {&config.press, &config.release}) {
    for (const auto& entry : *defines) sounds.push_back(entry.second);
  }
  for (const PackSound& sound : sounds) {
    if (sound.kind == PackSound::kFile) {
      for (const std::string& name : ExpandVariants(sound.file)) names.insert(name);
    }
  }
  return names;
}

std::string Zip(const Files& files) {
  ZipWriter writer;
  for (const auto& [name, bytes] : files) {
    EXPECT_TRUE(writer.AddFile(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()).Ok()) << name;
  }
  const std::vector<uint8_t> zip = writer.Finish();
  return std::string(zip.begin(), zip.end());
}

// A zip laid out by hand, for the names and sizes ZipWriter refuses; each
// entry stored, unless `method` says otherwise, with its size as declared.
struct RawEntry {
  std::string name;
  std::string data;
  std::optional<uint32_t> size = {};
  uint16_t method = 0;
};
std::string RawZip(const std::vector<RawEntry>& entries) {
  std::string zip, directory;
  const auto le = [](std::string& out, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  };
  for (const RawEntry& e : entries) {
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
    const size_t offset = zip.size();
    for (std::string* out : {&zip, &directory}) {
      const bool central = out == &directory;
      le(*out, central ? 0x02014B50 : 0x04034B50, 4);
      if (central) le(*out, 20, 2);
      le(*out, 20, 2), le(*out, 0x0800, 2), le(*out, e.method, 2), le(*out, 0, 2), le(*out, 0x21, 2), le(*out, crc, 4);
      le(*out, e.data.size(), 4), le(*out, e.size.value_or(e.data.size()), 4), le(*out, e.name.size(), 2);
      le(*out, 0, 2);
      if (central) le(*out, 0, 10), le(*out, offset, 4);
      *out += e.name;
      if (!central) *out += e.data;
    }
  }
  const size_t directoryOffset = zip.size();
  zip += directory;
  le(zip, 0x06054B50, 4), le(zip, 0, 4), le(zip, entries.size(), 2), le(zip, entries.size(), 2);
  le(zip, directory.size(), 4), le(zip, directoryOffset, 4), le(zip, 0, 2);
  return zip;
}

// A good pack, and what installing it copies: config.json and the files it
// names, not "../evil.wav" (a warning), unused.wav or readme.txt.
const Files kGoodPack = {
    {"config.json", R"({"version": 2, "name": "My Pack", "key_define_type": "multi", "sound": "press/key{0-1}.wav",
      "soundup": "release/up.wav", "defines": {"28": "Enter.wav", "57": "space [big] (1).wav", "1": null,
      "30": "../evil.wav"}})"},
    {"press/key0.wav", Tone(1)}, {"press/key1.wav", Tone(2)}, {"release/up.wav", Tone(3)}, {"Enter.wav", Tone(4)},
    {"space [big] (1).wav", Tone(5)}, {"unused.wav", Tone(6)}, {"readme.txt", "hi"}};
const Listing kInstalled = {{"config.json", kGoodPack[0].second}, {"press", "<folder>"},
                            {"press\\key0.wav", Tone(1)}, {"press\\key1.wav", Tone(2)}, {"release", "<folder>"},
                            {"release\\up.wav", Tone(3)}, {"Enter.wav", Tone(4)}, {"space [big] (1).wav", Tone(5)}};

void ExpectInstalled(const PackInstall& install, const std::string& program, const std::string& folder,
                     const std::string& references) {
  ASSERT_TRUE(install.ok) << install.error;
  EXPECT_EQ(install.folder, folder);
  EXPECT_TRUE(List(folder) == kInstalled);
  EXPECT_EQ(Names(List(folder)), Names(kInstalled));
  const std::string keys = references + "press\\key0.wav|" + references + "press\\key1.wav";
  for (const auto& [key, sound] : Pairs{{"Enter", references + "Enter.wav"}, {"B", keys}, {"A", keys},
                                        {"Space", references + "space [big] (1).wav"}, {"Escape", "-"},
                                        {"Escape up", references + "release\\up.wav"}}) {
    EXPECT_EQ(Plays(install.plan.scheme, key), sound) << key;
  }
  EXPECT_EQ(Read(ResolveSoundPath(program, Plays(install.plan.scheme, "Enter"))), Tone(4));
  EXPECT_EQ(install.plan.keys + install.plan.releases, 2 * kKeyCount - 1);
  ASSERT_EQ(install.warnings.size(), 1u);
  EXPECT_NE(install.warnings[0].find("../evil.wav"), std::string::npos) << install.warnings[0];
  for (const std::string& name : Names(List(FolderOf(folder)))) EXPECT_EQ(name.find("~import"), std::string::npos);
}

}  // namespace

TEST(SoundPackInstall, FromAFolderItsConfigJsonAndZips) {
  TempFolder root;
  const std::string program = root / "prog", elsewhere = root / "appdata", pack = root / "src\\My Pack";
  for (const auto& [name, bytes] : kGoodPack) Put(pack, name, bytes);
  Put(root / "src", "evil.wav", Tone(66));  // what "../evil.wav" would reach
  MakeFolder(program);
  MakeFolder(elsewhere);

  // Into a data folder inside the program's, references are relative. The
  // folder is numbered when taken, the name when the caller says so.
  ExpectInstalled(InstallSoundPack(pack, program, program, Taken({})), program, program + "\\Schemes\\My Pack",
                  "Schemes\\My Pack\\");
  const PackInstall second = InstallSoundPack(pack + "\\config.json", program, program, Taken({}));
  ExpectInstalled(second, program, program + "\\Schemes\\My Pack (2)", "Schemes\\My Pack (2)\\");
  EXPECT_EQ(second.name, "My Pack");
  const PackInstall third = InstallSoundPack(pack + "\\CONFIG.JSON", program, program, Taken({"my pack"}));
  ExpectInstalled(third, program, program + "\\Schemes\\My Pack (3)", "Schemes\\My Pack (3)\\");
  EXPECT_EQ(third.name, "My Pack (2)");

  // A zip with config.json at its top, into a data folder elsewhere: full references.
  Put(root / "src", "top.zip", Zip(kGoodPack));
  const PackInstall top =
      InstallSoundPack(root / "src\\top.zip", elsewhere, program, Taken({"My Pack", "MY PACK (2)"}));
  ExpectInstalled(top, program, elsewhere + "\\Schemes\\My Pack", elsewhere + "\\Schemes\\My Pack\\");
  EXPECT_EQ(top.name, "My Pack (3)");
  // A zip of the pack's folder, beside a folder without config.json; names in another case.
  Files nested{{"extras/notes.txt", "notes"}};
  for (const auto& [name, bytes] : kGoodPack) {
    nested.push_back({"My Pack v1/" + (name == "Enter.wav" ? "ENTER.WAV" : name), bytes});
  }
  Put(root / "src", "nested.ZIP", Zip(nested));
  ExpectInstalled(InstallSoundPack(root / "src\\nested.ZIP", elsewhere, program, Taken({})), program,
                  elsewhere + "\\Schemes\\My Pack (2)", elsewhere + "\\Schemes\\My Pack (2)\\");
  const Listing all = List(root.Path());
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const auto& e) { return e.first.ends_with("evil.wav"); }), 1);

  EXPECT_TRUE(LooksLikeSoundPack(pack) && LooksLikeSoundPack(pack + "\\Config.json"));
  EXPECT_TRUE(LooksLikeSoundPack(root / "src\\nested.ZIP"));
  EXPECT_FALSE(LooksLikeSoundPack(pack + "\\readme.txt"));
  // Folder names: what Windows refuses becomes '_'; cut to 60 bytes, then
  // trimmed, never inside a character.
  EXPECT_EQ(SafeFileNameFor(" a<b>c:d\"e/f\\g|h?i*j. "), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileNameFor("CON"), "Sound pack");
  EXPECT_EQ(SafeFileNameFor(std::string(100, 'x')), std::string(60, 'x'));
  EXPECT_EQ(SafeFileNameFor(std::string(59, 'x') + " and more"), std::string(59, 'x'));
  EXPECT_EQ(SafeFileNameFor(std::string(59, 'x') + "\xC3\xA9t\xC3\xA9"), std::string(59, 'x'));
}

TEST(SoundPackInstall, BadPacksAreRefusedAndLeaveTheDiskAsItWas) {
  TempFolder root;
  const std::string program = root / "prog", data = root / "data", bare = root / "bare", bad = root / "bad";
  for (const std::string& folder : {program, bare, bad}) MakeFolder(folder);
  Put(data, "config.cfg", "[Options]\r\n");
  Put(data, "Schemes\\Old\\old.wav", Tone(9));
  const auto pack = [&](const std::string& name, const std::string& config, const Files& files = {}) {
    Put(bad + "\\" + name, "config.json", config);
    for (const auto& [file, bytes] : files) Put(bad + "\\" + name, file, bytes);
    return bad + "\\" + name;
  };
  const auto zip = [&](const std::string& name, const std::string& bytes) {
    Put(bad, name, bytes);
    return bad + "\\" + name;
  };
  const std::string multi = R"({"key_define_type": "multi", "defines": {"28": "a.wav"}})";
  const std::string a = Tone(1);
  const auto hostile = [&](const std::string& name) {
    return RawZip({{"config.json", multi}, {name, a}, {"a.wav", a}});
  };
  std::vector<RawEntry> many{{"config.json", multi}, {"a.wav", a}};
  for (size_t i = 0; i < kMaxZipEntries; ++i) many.push_back({std::string("f").append(std::to_string(i)), ""});

  const Pairs cases = {  // source, a part of the error
      {pack("json", "{\n  \"key_define_type\": \"multi\",\n  \"defines\": {\n    \"28\": \"a.wav\",\n  }\n}",
            {{"a.wav", a}}), "not valid JSON at line 5"},
      {pack("silent", R"({"key_define_type": "multi", "defines": {"28": null, "57-up": null}})"), "no sounds"},
      {pack("out", R"({"key_define_type": "multi", "defines": {"28": "../evil.wav"}})"), "no sounds"},
      {pack("huge", multi + std::string(kPackConfigMaxBytes, ' '), {{"a.wav", a}}), "larger than 1 MB"},
      {pack("sprite", R"({"key_define_type": "single", "sound": "sprite.ogg", "defines": {"28": [0, 50]}})"),
       "\"sprite.ogg\" is missing"},
      {pack("missing", multi), "none of the pack's sound files"},
      {bad + "\\nothing here", "cannot be found"},
      {pack("text", multi, {{"a.wav", a}}) + "\\a.wav", "is not a sound pack"},
      {zip("slip.zip", hostile("../evil.wav")), "\"../evil.wav\" would leave"},
      {zip("drive.zip", hostile("C:\\x.wav")), "x.wav"},
      {zip("abs.zip", hostile("/abs.wav")), "\"/abs.wav\" would leave"},
      {zip("device.zip", hostile("CON.wav")), "device"},
      {zip("stream.zip", hostile("a.wav:stream")), "character"},
      {zip("two.zip", Zip({{"one/config.json", multi}, {"one/a.wav", a}, {"two/config.json", multi},
                           {"two/a.wav", a}})), "several packs"},
      {zip("deep.zip", Zip({{"a/b/config.json", multi}, {"a.wav", a}})), "no config.json"},
      {zip("many.zip", RawZip(many)), std::to_string(kMaxZipEntries)},
      {zip("big.zip", RawZip({{"config.json", multi}, {"a.wav", std::string("\x03\x00", 2), 1u << 30, 8}})),
       "unpacks to more than"},  // an empty deflate stream that declares 1 GB
  };
  const std::string temp = FolderOf(root.Path());
  for (const std::string& target : {data, bare}) {  // with a Schemes folder, and without
    const Listing before = List(root.Path());
    for (const auto& [source, message] : cases) {
      const PackInstall install = InstallSoundPack(source, target, program, Taken({}));
      EXPECT_FALSE(install.ok) << source;
      EXPECT_TRUE(!install.error.empty() && install.error.find(message) != std::string::npos)
          << source << ": " << install.error;
      EXPECT_TRUE(List(root.Path()) == before) << source;
      EXPECT_EQ(Names(List(root.Path())), Names(before)) << source;
    }
    for (const char* name : {"evil.wav", "x.wav", "abs.wav"}) EXPECT_FALSE(Exists(temp + "\\" + name)) << name;
  }

  // A file held open by another program that shares nothing: refused, naming it, and nothing is left.
  const std::string locked =
      pack("locked", R"({"key_define_type": "multi", "defines": {"28": "a.wav", "57": "b.wav"}})",
           {{"a.wav", a}, {"b.wav", Tone(2)}});
  HANDLE held = CreateFileW(Wide(locked + "\\b.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  for (const std::string& target : {data, bare}) {
    const Listing before = List(target);
    const PackInstall install = InstallSoundPack(locked, target, program, Taken({}));
    EXPECT_FALSE(install.ok);
    EXPECT_NE(install.error.find("\"b.wav\""), std::string::npos) << install.error;
    EXPECT_TRUE(List(target) == before);
    EXPECT_EQ(Names(List(target)), Names(before)) << target;
  }
  CloseHandle(held);
  const PackInstall install = InstallSoundPack(locked, data, program, Taken({}));
  ASSERT_TRUE(install.ok) << install.error;
  EXPECT_EQ(Read(data + "\\Schemes\\Sound pack\\b.wav"), Tone(2));
}

TEST(SoundPackExport, AZipThatInstallsBackToTheSameSounds) {
  TempFolder root;
  const std::string program = root / "prog", out = root / "out", zipPath = out + "\\My Scheme.zip";
  MakeFolder(program);
  MakeFolder(out);
  const std::string enter = root / "elsewhere\\Enter.WAV", tab = root / "elsewhere\\tab.wav";
  const std::map<std::string, std::string> sources = {  // each file different
      {"Sounds\\click.wav", Tone(1)}, {"Sounds\\up.wav", Tone(2)}, {"Sounds\\d0.wav", Tone(3)},
      {"Sounds\\d1.wav", Tone(4)}, {"Sounds\\b.mp3", "ID3 fake"}, {"Sounds\\sprite.ogg", "OggS fake"},
      {"Other\\Click.wav", Tone(6)}, {enter, Tone(7)}, {tab, Tone(8)}};
  MakeFolder(root / "elsewhere");
  for (const auto& [path, bytes] : sources) {
    if (path[1] == ':') {
      testutil::WriteFileBytes(Wide(path), bytes);
    } else {
      Put(program, path, bytes);
    }
  }
  TScheme scheme;
  scheme.KeyboardEnabled = scheme.MouseEnabled = true;
  scheme.Key(KeyCategory::Other) = {true, "Sounds\\click.wav", 100, "Sounds\\up.wav"};
  scheme.Key(KeyCategory::Enter) = {true, enter, 60, ""};
  scheme.Key(KeyCategory::Tab) = {true, tab, 100, ""};
  scheme.Key(KeyCategory::Space) = {true, "Sounds\\sprite.ogg<100,50>", 100, "Sounds\\sprite.ogg<200,50>"};
  scheme.Key(KeyCategory::Digits) = {true, "Sounds\\d0.wav|Sounds\\d1.wav", 100, ""};
  scheme.Key(KeyCategory::BackSpace) = {true, "Other\\Click.wav", 100, ""};
  scheme.Key(KeyCategory::Shift) = {true, "Sounds\\sprite.ogg<0,10>|Sounds\\b.mp3", 100, ""};
  scheme.Key(KeyCategory::Escape) = {true, "", 100, ""};
  scheme.Key(KeyCategory::LeftButton) = {true, "Sounds\\click.wav", 100, ""};
  scheme.OwnKeys[FindKeyByName("A")] = {std::string(), std::nullopt, 100};
  scheme.OwnKeys[FindKeyByName("B")] = {"Sounds\\b.mp3", std::string(), 100};
  scheme.OwnKeys[FindKeyByName("C")] = {"Sounds\\click.wav", std::nullopt, 40};

  // Stands for the audio engine: each part and volume becomes a WAV file of
  // a tone of its own, remembered by its bytes.
  std::map<std::string, std::pair<SoundPart, int>> decoded;
  std::string undecodable;  // a part of the names it fails on
  const PackDecoder decoder = [&](const SoundPart& part, int volume, std::vector<uint8_t>& wav, std::string& problem) {
    if (!undecodable.empty() && part.file.find(undecodable) != std::string::npos) {
      problem = "no decoder here";
      return false;
    }
    const std::string tone = Tone(1000 + static_cast<int>(decoded.size()));
    decoded[tone] = {part, volume};
    wav.assign(tone.begin(), tone.end());
    return true;
  };
  std::vector<std::string> skipped;
  std::string error;
  ASSERT_TRUE(ExportSoundPack(zipPath, "My Scheme", scheme, program, decoder, skipped, error)) << error;
  EXPECT_TRUE(skipped.empty());
  EXPECT_EQ(Names(List(out)), std::set<std::string>{"My Scheme.zip"});

  // config.json at the top, version 2, and the files planned: copies unchanged.
  const auto unzip = [&](const std::string& path) {
    const std::string zip = Read(path);
    ZipReader reader;
    std::map<std::string, std::string> entries;
    EXPECT_TRUE(ZipReader::Open(reinterpret_cast<const uint8_t*>(zip.data()), zip.size(), reader).Ok()) << path;
    for (const ZipEntry& entry : reader.Entries()) {
      std::vector<uint8_t> bytes;
      EXPECT_TRUE(!entry.folder && reader.Extract(entry, bytes).Ok()) << entry.name;
      entries[entry.name] = std::string(bytes.begin(), bytes.end());
    }
    return entries;
  };
  std::map<std::string, std::string> entries = unzip(zipPath);
  EXPECT_NE(entries["config.json"].find(R"("version": "2")"), std::string::npos) << entries["config.json"];
  std::set<std::string> planned{"config.json"};
  for (const PackExportFile& file : PlanPackExport("My Scheme", scheme).files) {
    planned.insert(file.name);
    EXPECT_TRUE(file.decode || entries[file.name] == sources.at(file.source.file)) << file.name;
  }
  EXPECT_EQ(Names(entries), planned);
  EXPECT_EQ(NamedFiles(entries["config.json"]), planned);
  EXPECT_EQ(decoded.size(), 6u);  // Enter at 60 %, Space's two slices, Shift's two, C at 40 %

  // Installed back, each key plays the same file, or the decoding of the same part at the same volume.
  std::map<std::string, std::string> sourceOf;
  for (const auto& [path, bytes] : sources) sourceOf[bytes] = path;
  const auto expectSameSounds = [&](const std::string& zip, const std::set<std::string>& leftOut) {
    const PackInstall install = InstallSoundPack(zip, program, program, Taken({}));
    ASSERT_TRUE(install.ok) << install.error;
    EXPECT_TRUE(install.warnings.empty() && install.plan.missing.empty());
    EXPECT_FALSE(install.plan.scheme.MouseEnabled);
    for (int row = 0; row < kKeyCount; ++row) {
      const KeyInfo& key = KeyTable()[static_cast<size_t>(row)];
      for (bool up : {false, true}) {
        std::vector<std::pair<SoundPart, int>> before, after;
        if (const ChosenSound was = ChooseKeySound(scheme, row, key.category, up); was.reference) {
          for (const SoundPart& part : ParseSoundReference(*was.reference)) before.push_back({part, was.volume});
        }
        if (leftOut.count(std::string(key.name) + (up ? " up" : ""))) before.clear();  // silent, as it was
        if (const ChosenSound now = ChooseKeySound(install.plan.scheme, row, key.category, up); now.reference) {
          for (const SoundPart& part : ParseSoundReference(*now.reference)) {
            const std::string bytes = Read(ResolveSoundPath(program, part.file));
            after.push_back(sourceOf.count(bytes) ? std::pair{SoundPart{sourceOf[bytes], 0, 0}, 100} : decoded[bytes]);
          }
        }
        EXPECT_EQ(after, before) << key.name << (up ? " up" : "");
      }
    }
  };
  expectSameSounds(zipPath, {});

  // A sound that cannot be read is left out, named, and its keys stay
  // silent (null where the pack's default would sound); nothing else changes.
  undecodable = "sprite.ogg";
  skipped.clear();
  ASSERT_TRUE(ExportSoundPack(out + "\\part.zip", "Part", scheme, program, decoder, skipped, error)) << error;
  ASSERT_EQ(skipped.size(), 3u);  // Space's two slices, and one of Shift's variants
  for (const std::string& line : skipped) EXPECT_NE(line.find("sprite.ogg<"), std::string::npos) << line;
  expectSameSounds(out + "\\part.zip", {"Space", "Space up", "LeftShift", "RightShift"});
  entries = unzip(out + "\\part.zip");
  EXPECT_EQ(Names(entries), NamedFiles(entries["config.json"]));  // no file of a sound left out

  // A failing export leaves no zip, no .tmp, and the older zip as it was.
  const Listing kept = List(out);
  const auto fails = [&](const std::string& target, const TScheme& what, const std::string& message) {
    EXPECT_FALSE(ExportSoundPack(target, "Failing", what, program, decoder, skipped, error)) << message;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  };
  TScheme gone;
  gone.Key(KeyCategory::Other) = {true, "Sounds\\gone.wav", 100, "Sounds\\sprite.ogg<0,10>"};
  fails(zipPath, gone, "none of the scheme's sounds can be read");
  fails(out + "\\new.zip", TScheme{}, "no key sounds");
  fails(out + "\\no such folder\\new.zip", scheme, "new.zip.tmp");
  HANDLE held = CreateFileW(Wide(zipPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  fails(zipPath, scheme, "My Scheme.zip");  // held open, sharing nothing: cannot be replaced
  CloseHandle(held);
  EXPECT_TRUE(List(out) == kept);
  EXPECT_EQ(Names(List(out)), Names(kept));
}

// Only the folder of an imported pack goes, whole; a folder without a
// config.json, one that is not there, and a link to a pack's folder are left
// alone, and so is whatever the link leads to.
TEST(SoundPackRemoval, OnlyAnImportedPacksOwnFolderIsRecycled) {
  TempFolder temp;
  const std::string root = temp.Path();
  const std::string pack = root + "\\Schemes\\Pack", plain = root + "\\Schemes\\Plain";
  Put(pack, "config.json", "{}");
  Put(pack, "keys/a.wav", Tone(1));
  Put(plain, "a.wav", Tone(2));
  const std::string elsewhere = root + "\\Elsewhere";
  Put(elsewhere, "config.json", "{}");
  Put(elsewhere, "b.wav", Tone(3));
  const std::string link = root + "\\Schemes\\Linked";
  // Wine says it made a link and makes none.
  const bool linked =
      CreateSymbolicLinkW(Wide(link).c_str(), Wide(elsewhere).c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && Exists(link);

  std::string error;
  EXPECT_EQ(RecyclePackFolder(plain, error), FolderRemoval::kNotAPack);
  EXPECT_EQ(RecyclePackFolder(root + "\\Schemes\\Gone", error), FolderRemoval::kNotAPack);
  EXPECT_EQ(RecyclePackFolder(pack + "\\keys\\a.wav", error), FolderRemoval::kNotAPack) << "a file";
  if (linked) {
    EXPECT_EQ(RecyclePackFolder(link, error), FolderRemoval::kNotAPack);
  } else {
    std::cout << "[ NOTE ] no link made here: the link's case is judged on Windows\n";
  }
  EXPECT_TRUE(Exists(plain + "\\a.wav"));
  EXPECT_EQ(Read(elsewhere + "\\b.wav"), Tone(3)) << "what the link leads to";

  EXPECT_EQ(RecyclePackFolder(pack, error), FolderRemoval::kRecycled) << error;
  EXPECT_FALSE(Exists(pack));
  EXPECT_TRUE(Exists(root + "\\Schemes")) << "only the pack's folder";
}

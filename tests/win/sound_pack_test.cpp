// Sound packs on the disk: installing a pack's folder, config.json or zip
// (good ones, and hostile ones that must leave the disk as it was), and
// exporting a scheme as a zip that installs back to the same sounds.

#include "packs/pack_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
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
#include "packs/pack_scheme.h"
#include "packs/zip_archive.h"
#include "settings/key_table.h"
#include "tests/win_test_util.h"

using testutil::TempFolder;

namespace {

using Bytes = std::vector<uint8_t>;

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A tiny WAV file of its own: `seed` makes every one different.
Bytes Tone(int seed) {
  std::vector<int16_t> samples{static_cast<int16_t>(seed & 0xFFFF), static_cast<int16_t>(seed >> 16)};
  for (int i = 0; i < 62; ++i) samples.push_back(static_cast<int16_t>((i * 37 + seed) % 2000 * (i % 2 ? -1 : 1)));
  return WavFile16(samples, 8000, 1);
}

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

void MakeFolder(const std::string& path) { CreateDirectoryW(Wide(path).c_str(), nullptr); }

// Writes a file, making its folders; `relative` uses '/' or '\'.
void Put(const std::string& root, std::string relative, const Bytes& bytes) {
  for (char& c : relative) c = c == '/' ? '\\' : c;
  for (size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1)) {
    MakeFolder(root + "\\" + relative.substr(0, slash));
  }
  testutil::WriteFileBytes(Wide(root + "\\" + relative), std::string(bytes.begin(), bytes.end()));
}

Bytes Get(const std::string& path) {
  const std::string bytes = testutil::ReadFileBytes(Wide(path));
  return Bytes(bytes.begin(), bytes.end());
}

bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Everything under a folder: relative path -> bytes, or "<folder>".
using Listing = std::map<std::string, std::string>;
void ListInto(const std::string& folder, const std::string& prefix, Listing& out) {
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Utf8(found.cFileName);
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[prefix + name] = "<folder>";
      ListInto(path, prefix + name + "\\", out);
    } else {
      out[prefix + name] = testutil::ReadFileBytes(Wide(path));
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}
Listing List(const std::string& folder) {
  Listing out;
  ListInto(folder, "", out);
  return out;
}
std::set<std::string> Names(const Listing& listing) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : listing) names.insert(name);
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
const SchemeNameTaken kNoneTaken = Taken({});

// What a key plays in a scheme: its reference, or "-".
std::string Plays(const TScheme& scheme, std::string_view name, bool release = false) {
  const int row = FindKeyByName(name);
  const ChosenSound chosen = ChooseKeySound(scheme, row, KeyTable()[static_cast<size_t>(row)].category, release);
  return chosen.reference ? *chosen.reference : "-";
}

// ---- Zip files laid out by hand, for names and sizes ZipWriter refuses ------

void Le(Bytes& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

struct RawEntry {
  std::string name;
  Bytes data;
  std::optional<uint64_t> size = {};  // declared; the data's size unless given
  uint16_t method = 0;
};

Bytes RawZip(const std::vector<RawEntry>& entries) {
  Bytes zip, directory;
  for (const RawEntry& e : entries) {
    const uint64_t size = e.size.value_or(e.data.size());
    const auto crc = static_cast<uint32_t>(crc32(0, e.data.data(), static_cast<uInt>(e.data.size())));
    const size_t offset = zip.size();
    for (Bytes* out : {&zip, &directory}) {
      const bool central = out == &directory;
      Le(*out, central ? 0x02014B50 : 0x04034B50, 4);
      if (central) Le(*out, 20, 2);
      Le(*out, 20, 2), Le(*out, 0x0800, 2), Le(*out, e.method, 2), Le(*out, 0, 2), Le(*out, 0x21, 2);
      Le(*out, crc, 4), Le(*out, e.data.size(), 4), Le(*out, size, 4), Le(*out, e.name.size(), 2), Le(*out, 0, 2);
      if (central) Le(*out, 0, 6), Le(*out, 0, 4), Le(*out, offset, 4);
      out->insert(out->end(), e.name.begin(), e.name.end());
      if (!central) out->insert(out->end(), e.data.begin(), e.data.end());
    }
  }
  const size_t directoryOffset = zip.size();
  zip.insert(zip.end(), directory.begin(), directory.end());
  Le(zip, 0x06054B50, 4), Le(zip, 0, 4), Le(zip, entries.size(), 2), Le(zip, entries.size(), 2);
  Le(zip, directory.size(), 4), Le(zip, directoryOffset, 4), Le(zip, 0, 2);
  return zip;
}

Bytes Zip(const std::vector<std::pair<std::string, Bytes>>& files) {
  ZipWriter writer;
  for (const auto& [name, bytes] : files) EXPECT_TRUE(writer.AddFile(name, bytes).Ok()) << name;
  return writer.Finish();
}

// ---- A good pack ---------------------------------------------------------------

const std::string kGoodConfig = R"({"version": 2, "id": "my-pack", "name": "My Pack", "key_define_type": "multi",
  "sound": "press/key{0-1}.wav", "soundup": "release/up.wav",
  "defines": {"28": "Enter.wav", "57": "space [big] (1).wav", "1": null, "30": "../evil.wav"}})";

// The pack's files by pack path; config.json first.
std::vector<std::pair<std::string, Bytes>> GoodPackFiles() {
  return {{"config.json", AsBytes(kGoodConfig)}, {"press/key0.wav", Tone(1)},  {"press/key1.wav", Tone(2)},
          {"release/up.wav", Tone(3)},           {"Enter.wav", Tone(4)},       {"space [big] (1).wav", Tone(5)},
          {"unused.wav", Tone(6)},               {"readme.txt", AsBytes("hi")}};
}
// What an install copies, as the listing of the pack's folder.
const std::set<std::string> kInstalled = {"config.json", "press",          "press\\key0.wav",      "press\\key1.wav",
                                          "release",     "release\\up.wav", "Enter.wav", "space [big] (1).wav"};

// Checks an installed good pack: its files, and that every key's sound is
// the pack's file.
void ExpectGoodInstall(const PackInstall& install, const std::string& programFolder, const std::string& folder,
                       const std::string& referenceFolder) {
  ASSERT_TRUE(install.ok) << install.error;
  EXPECT_EQ(install.folder, folder);
  const Listing listing = List(folder);
  EXPECT_EQ(Names(listing), kInstalled);
  for (const auto& [name, bytes] : GoodPackFiles()) {
    std::string windows = name;
    for (char& c : windows) c = c == '/' ? '\\' : c;
    if (!kInstalled.count(windows)) continue;
    EXPECT_EQ(listing.at(windows), std::string(bytes.begin(), bytes.end())) << name;
  }
  const TScheme& scheme = install.plan.scheme;
  EXPECT_EQ(Plays(scheme, "Enter"), referenceFolder + "Enter.wav");
  EXPECT_EQ(Plays(scheme, "Space"), referenceFolder + "space [big] (1).wav");
  EXPECT_EQ(Plays(scheme, "B"), referenceFolder + "press\\key0.wav|" + referenceFolder + "press\\key1.wav");
  EXPECT_EQ(Plays(scheme, "A"), Plays(scheme, "B"));  // its "../evil.wav" was left out
  EXPECT_EQ(Plays(scheme, "Escape"), "-");
  EXPECT_EQ(Plays(scheme, "Escape", true), referenceFolder + "release\\up.wav");
  EXPECT_EQ(install.plan.keys, kKeyCount - 1);
  EXPECT_EQ(install.plan.releases, kKeyCount);
  ASSERT_EQ(install.warnings.size(), 1u);
  EXPECT_NE(install.warnings[0].find("../evil.wav"), std::string::npos) << install.warnings[0];
  // Every part of every key is a file of the pack's folder.
  for (int row = 0; row < kKeyCount; ++row) {
    for (bool up : {false, true}) {
      const ChosenSound chosen =
          ChooseKeySound(scheme, row, KeyTable()[static_cast<size_t>(row)].category, up);
      if (!chosen.reference) continue;
      for (const SoundPart& part : ParseSoundReference(*chosen.reference)) {
        const std::string path = ResolveSoundPath(programFolder, part.file);
        EXPECT_TRUE(testutil::FileExists(path)) << part.file;
        EXPECT_EQ(Folded(path.substr(0, folder.size() + 1)), Folded(folder + "\\")) << path;
      }
    }
  }
  // No temporary folder is left beside it.
  for (const std::string& name : Names(List(FolderOf(folder)))) EXPECT_EQ(name.find("~import"), std::string::npos);
}

}  // namespace

TEST(SoundPackInstall, FromAFolderItsConfigJsonAndZips) {
  TempFolder root;
  const std::string program = root / "prog";
  const std::string elsewhere = root / "appdata";
  const std::string pack = root / "src\\My Pack";
  MakeFolder(program);
  MakeFolder(elsewhere);
  MakeFolder(root / "src");
  MakeFolder(pack);
  for (const auto& [name, bytes] : GoodPackFiles()) Put(pack, name, bytes);
  Put(root / "src", "evil.wav", Tone(66));  // what "../evil.wav" would reach

  // The folder, into a data folder inside the program's: relative references.
  ExpectGoodInstall(InstallSoundPack(pack, program, program, kNoneTaken), program, program + "\\Schemes\\My Pack",
                    "Schemes\\My Pack\\");
  // Again: the folder is taken, the name (as the caller says) is not.
  PackInstall second = InstallSoundPack(pack, program, program, kNoneTaken);
  ExpectGoodInstall(second, program, program + "\\Schemes\\My Pack (2)", "Schemes\\My Pack (2)\\");
  EXPECT_EQ(second.name, "My Pack");
  // Its config.json: the name taken (case aside), and both folders.
  PackInstall third = InstallSoundPack(pack + "\\config.json", program, program, Taken({"my pack"}));
  ExpectGoodInstall(third, program, program + "\\Schemes\\My Pack (3)", "Schemes\\My Pack (3)\\");
  EXPECT_EQ(third.name, "My Pack (2)");

  // A zip with config.json at its top, into a data folder elsewhere: full
  // references. The name is numbered on its own, the folder is free.
  std::vector<std::pair<std::string, Bytes>> files = GoodPackFiles();
  Put(root / "src", "top.zip", Zip(files));
  PackInstall top = InstallSoundPack(root / "src\\top.zip", elsewhere, program, Taken({"My Pack", "MY PACK (2)"}));
  ExpectGoodInstall(top, program, elsewhere + "\\Schemes\\My Pack", elsewhere + "\\Schemes\\My Pack\\");
  EXPECT_EQ(top.name, "My Pack (3)");

  // A zip of the pack's folder (one top folder) beside a folder without a
  // config.json; file names in another case than config.json writes them.
  std::vector<std::pair<std::string, Bytes>> nested;
  for (const auto& [name, bytes] : files) nested.push_back({"My Pack v1/" + (name == "Enter.wav" ? "ENTER.WAV" : name), bytes});
  nested.push_back({"extras/notes.txt", AsBytes("notes")});
  Put(root / "src", "nested.ZIP", Zip(nested));
  const std::string fresh = root / "fresh";
  MakeFolder(fresh);
  PackInstall inFolder = InstallSoundPack(root / "src\\nested.ZIP", fresh, program, kNoneTaken);
  ASSERT_TRUE(inFolder.ok) << inFolder.error;
  EXPECT_EQ(inFolder.name, "My Pack");
  const Listing listing = List(fresh + "\\Schemes\\My Pack");
  EXPECT_EQ(listing.size(), kInstalled.size());
  EXPECT_EQ(Get(ResolveSoundPath(program, Plays(inFolder.plan.scheme, "Enter"))), Tone(4));
  EXPECT_EQ(Get(fresh + "\\Schemes\\My Pack\\press\\key1.wav"), Tone(2));
  EXPECT_FALSE(Exists(fresh + "\\Schemes\\My Pack\\extras"));

  // Nothing reached the file beside the pack, and nothing was made beside
  // the data folders.
  EXPECT_EQ(Names(List(root.Path())).count("evil.wav"), 0u);
  for (const std::string& name : Names(List(program + "\\Schemes"))) EXPECT_EQ(name.find("evil"), std::string::npos);

  // What the importer takes, and the folder names it makes.
  EXPECT_TRUE(LooksLikeSoundPack(pack));
  EXPECT_TRUE(LooksLikeSoundPack(pack + "\\CONFIG.JSON"));
  EXPECT_TRUE(LooksLikeSoundPack(root / "src\\nested.ZIP"));
  EXPECT_FALSE(LooksLikeSoundPack(pack + "\\readme.txt"));
  EXPECT_EQ(SafeFileNameFor("a<b>c:d\"e/f\\g|h?i*j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileNameFor("  Cream. "), "Cream");
  EXPECT_EQ(SafeFileNameFor("CON"), "Sound pack");
  EXPECT_EQ(SafeFileNameFor(""), "Sound pack");
  EXPECT_EQ(SafeFileNameFor(std::string(100, 'x')), std::string(60, 'x'));
}

TEST(SoundPackInstall, BadPacksAreRefusedAndLeaveTheDiskAsItWas) {
  TempFolder root;
  const std::string program = root / "prog";
  const std::string data = root / "data";  // with schemes of its own
  const std::string bare = root / "bare";  // without a Schemes folder yet
  const std::string bad = root / "bad";
  for (const std::string& folder : {program, data, bare, bad}) MakeFolder(folder);
  Put(data, "config.cfg", AsBytes("[Options]\r\n"));
  Put(data, "Schemes\\Old\\old.wav", Tone(9));
  MakeFolder(data + "\\Schemes\\My Pack");  // taken: the next would be "My Pack (2)"
  const std::string temp = FolderOf(root.Path());

  const auto pack = [&](const std::string& name, const std::string& config,
                        std::vector<std::pair<std::string, Bytes>> files = {}) {
    const std::string folder = bad + "\\" + name;
    MakeFolder(folder);
    Put(folder, "config.json", AsBytes(config));
    for (const auto& [file, bytes] : files) Put(folder, file, bytes);
    return folder;
  };
  const auto zip = [&](const std::string& name, const Bytes& bytes) {
    Put(bad, name, bytes);
    return bad + "\\" + name;
  };
  const std::string multi = R"({"key_define_type": "multi", "defines": {"28": "a.wav"}})";
  const Bytes config = AsBytes(multi);

  struct Case {
    std::string what;
    std::string source;
    std::string error;  // a part of the message
  };
  std::vector<Case> cases = {
      {"invalid JSON", pack("json", "{\n  \"key_define_type\": \"multi\",\n  \"defines\": {\n    \"28\": \"a.wav\",\n  }\n}",
                            {{"a.wav", Tone(1)}}),
       "line 5"},
      {"no sounds", pack("silent", R"({"key_define_type": "multi", "defines": {"28": null, "57-up": null}})"),
       "no sounds"},
      {"a path out of the pack", pack("dotdot", R"({"key_define_type": "multi", "defines": {"28": "../evil.wav"}})"),
       "no sounds"},
      {"a config.json over 1 MB",
       pack("huge", multi.substr(0, multi.size() - 1) + std::string(kPackConfigMaxBytes, ' ') + "}", {{"a.wav", Tone(1)}}),
       "larger than 1 MB"},
      {"a missing sprite",
       pack("sprite", R"({"key_define_type": "single", "sound": "sprite.ogg", "defines": {"28": [0, 50]}})"),
       "\"sprite.ogg\""},
      {"a missing file", pack("missing", multi), "none of the pack's sound files"},
      {"nothing there", bad + "\\silent\\nothing here", "cannot be found"},
      {"not a pack", pack("text", multi, {{"a.wav", Tone(1)}}) + "\\a.wav", "not a sound pack"},
      {"zip: ../evil.wav", zip("slip1.zip", RawZip({{"config.json", config}, {"../evil.wav", Tone(1)}, {"a.wav", Tone(1)}})),
       "leave"},
      {"zip: C:\\x.wav", zip("slip2.zip", RawZip({{"config.json", config}, {"C:\\x.wav", Tone(1)}, {"a.wav", Tone(1)}})),
       "x.wav"},
      {"zip: /abs.wav", zip("slip3.zip", RawZip({{"config.json", config}, {"/abs.wav", Tone(1)}, {"a.wav", Tone(1)}})),
       "leave"},
      {"zip: CON.wav", zip("device.zip", RawZip({{"config.json", config}, {"CON.wav", Tone(1)}, {"a.wav", Tone(1)}})),
       "device"},
      {"zip: a stream", zip("stream.zip", RawZip({{"config.json", config}, {"a.wav:stream", Tone(1)}, {"a.wav", Tone(1)}})),
       "a.wav:stream"},
      {"zip: two packs", zip("two.zip", Zip({{"one/config.json", config}, {"one/a.wav", Tone(1)},
                                             {"two/config.json", config}, {"two/a.wav", Tone(1)}})),
       "several packs"},
      {"zip: no config.json", zip("none.zip", Zip({{"a/b/config.json", config}, {"a.wav", Tone(1)}})), "config.json"},
      {"zip: not a zip", zip("text.zip", AsBytes("PK but not a zip")), ""},
      {"zip: 1 GB declared",
       zip("big.zip", RawZip({{"config.json", config}, {"a.wav", Bytes{0x03, 0x00}, uint64_t{1} << 30, 8}})), ""},
  };
  std::vector<RawEntry> many{{"config.json", config}, {"a.wav", Tone(1)}};
  for (size_t i = 0; i < kMaxZipEntries; ++i) many.push_back({"f" + std::to_string(i) + ".wav", {}});
  cases.push_back({"zip: too many entries", zip("many.zip", RawZip(many)), std::to_string(kMaxZipEntries)});

  for (const std::string& target : {data, bare}) {
    const Listing before = List(root.Path());
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what + " into " + target);
      const PackInstall install = InstallSoundPack(c.source, target, program, kNoneTaken);
      EXPECT_FALSE(install.ok);
      EXPECT_FALSE(install.error.empty());
      EXPECT_NE(install.error.find(c.error), std::string::npos) << install.error;
      EXPECT_TRUE(install.folder.empty());
      const Listing after = List(root.Path());
      EXPECT_EQ(Names(after), Names(before));
      EXPECT_TRUE(after == before);
    }
    // Nothing was made beside the test's folder either.
    for (const std::string& name : {std::string("evil.wav"), std::string("abs.wav"), std::string("x.wav")}) {
      EXPECT_FALSE(Exists(temp + "\\" + name)) << name;
    }
    EXPECT_FALSE(Exists("C:\\x.wav"));
    EXPECT_FALSE(Exists("C:\\abs.wav"));
  }

  // A file the pack holds but another program has open, sharing nothing:
  // refused with its name, and nothing is left.
  const std::string locked =
      pack("locked", R"({"key_define_type": "multi", "defines": {"28": "a.wav", "57": "b.wav"}})",
           {{"a.wav", Tone(1)}, {"b.wav", Tone(2)}});
  HANDLE held = CreateFileW(Wide(locked + "\\b.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  for (const std::string& target : {data, bare}) {
    SCOPED_TRACE("a held file into " + target);
    const Listing before = List(target);
    const PackInstall install = InstallSoundPack(locked, target, program, kNoneTaken);
    EXPECT_FALSE(install.ok);
    EXPECT_NE(install.error.find("b.wav"), std::string::npos) << install.error;
    EXPECT_TRUE(List(target) == before);
    EXPECT_EQ(Names(List(target)), Names(before));
  }
  CloseHandle(held);
  // Once it is closed, the same pack installs beside the schemes there.
  const PackInstall install = InstallSoundPack(locked, data, program, kNoneTaken);
  ASSERT_TRUE(install.ok) << install.error;
  EXPECT_EQ(install.folder, data + "\\Schemes\\Sound pack");
  EXPECT_EQ(Get(install.folder + "\\b.wav"), Tone(2));
  EXPECT_EQ(Get(data + "\\Schemes\\Old\\old.wav"), Tone(9));
}

namespace {

// Stands for the audio engine: each part and volume it is asked for becomes
// a WAV file of a tone of its own, remembered so that a test can tell which.
struct FakeDecoder {
  std::map<Bytes, std::pair<SoundPart, int>> made;
  std::string fail;  // a file name it cannot decode

  PackDecoder Decoder() {
    return [this](const SoundPart& part, int volume, std::vector<uint8_t>& wav, std::string& problem) {
      if (!fail.empty() && part.file.find(fail) != std::string::npos) {
        problem = "no decoder for this test";
        return false;
      }
      wav = Tone(1000 + static_cast<int>(made.size()));
      made[wav] = {part, volume};
      return true;
    };
  }
};

}  // namespace

TEST(SoundPackExport, AZipThatInstallsBackToTheSameSounds) {
  TempFolder root;
  const std::string program = root / "prog";
  const std::string out = root / "out";
  MakeFolder(program);
  MakeFolder(out);
  // The sound files the scheme names, each different.
  std::map<std::string, Bytes> sources = {
      {"Sounds\\click.wav", Tone(1)},    {"Sounds\\up.wav", Tone(2)},     {"Sounds\\d0.wav", Tone(3)},
      {"Sounds\\d1.wav", Tone(4)},       {"Sounds\\d2.wav", Tone(5)},     {"Sounds\\b.mp3", AsBytes("ID3 not audio")},
      {"Sounds\\sprite.ogg", AsBytes("OggS not audio")}, {"Other\\Click.wav", Tone(6)},
      {root / "elsewhere\\Enter.WAV", Tone(7)},         {root / "elsewhere\\tab.wav", Tone(8)}};
  MakeFolder(root / "elsewhere");
  for (const auto& [path, bytes] : sources) {
    if (path.size() > 1 && path[1] == ':') {
      testutil::WriteFileBytes(Wide(path), std::string(bytes.begin(), bytes.end()));
    } else {
      Put(program, path, bytes);
    }
  }
  TScheme scheme;
  scheme.KeyboardEnabled = true;
  scheme.MouseEnabled = true;
  scheme.Key(KeyCategory::Other) = {true, "Sounds\\click.wav", 100, "Sounds\\up.wav"};
  scheme.Key(KeyCategory::Enter) = {true, root / "elsewhere\\Enter.WAV", 60, ""};
  scheme.Key(KeyCategory::Tab) = {true, root / "elsewhere\\tab.wav", 100, ""};
  scheme.Key(KeyCategory::Space) = {true, "Sounds\\sprite.ogg<100,50>", 100, "Sounds\\sprite.ogg<200,50>"};
  scheme.Key(KeyCategory::Digits) = {true, "Sounds\\d0.wav|Sounds\\d1.wav|Sounds\\d2.wav", 100, ""};
  scheme.Key(KeyCategory::BackSpace) = {true, "Other\\Click.wav", 100, ""};
  scheme.Key(KeyCategory::Shift) = {true, "Sounds\\sprite.ogg<0,10>|Sounds\\b.mp3", 100, ""};
  scheme.Key(KeyCategory::Escape) = {true, "", 100, ""};
  scheme.Key(KeyCategory::LeftButton) = {true, "Sounds\\click.wav", 100, ""};
  scheme.OwnKeys[FindKeyByName("A")] = {std::string(), std::nullopt, 100};
  scheme.OwnKeys[FindKeyByName("B")] = {"Sounds\\b.mp3", std::string(), 100};
  scheme.OwnKeys[FindKeyByName("C")] = {"Sounds\\click.wav", std::nullopt, 40};

  FakeDecoder decoder;
  const std::string zipPath = out + "\\My Scheme.zip";
  std::string error;
  ASSERT_TRUE(ExportSoundPack(zipPath, "My Scheme", scheme, program, decoder.Decoder(), error)) << error;
  EXPECT_EQ(Names(List(out)), std::set<std::string>{"My Scheme.zip"});  // no .tmp beside it

  // The zip: config.json at its top, version 2, and the planned files.
  const Bytes zip = Get(zipPath);
  ZipReader reader;
  ASSERT_TRUE(ZipReader::Open(zip.data(), zip.size(), reader).Ok());
  std::map<std::string, Bytes> entries;
  for (const ZipEntry& entry : reader.Entries()) {
    ASSERT_FALSE(entry.folder) << entry.name;
    ASSERT_TRUE(reader.Extract(entry, entries[entry.name]).Ok()) << entry.name;
  }
  ASSERT_TRUE(entries.count("config.json"));
  const std::string json(entries["config.json"].begin(), entries["config.json"].end());
  EXPECT_NE(json.find(R"("version": "2")"), std::string::npos) << json.substr(0, 300);
  EXPECT_NE(json.find(R"("name": "My Scheme")"), std::string::npos) << json.substr(0, 300);
  const PackExport plan = PlanPackExport("My Scheme", scheme);
  std::set<std::string> planned{"config.json"};
  for (const PackExportFile& file : plan.files) {
    planned.insert(file.name);
    if (!file.decode) EXPECT_EQ(entries[file.name], sources.at(file.source.file)) << file.name;  // copied unchanged
  }
  std::set<std::string> zipped;
  for (const auto& [name, bytes] : entries) zipped.insert(name);
  EXPECT_EQ(zipped, planned);
  EXPECT_EQ(decoder.made.size(), 6u);  // Enter at 60 %, Space's two slices, Shift's two, C at 40 %

  // Installed back, every key plays what it played: the same file, or the
  // decoding of the same part at the same volume.
  const PackInstall install = InstallSoundPack(zipPath, program, program, kNoneTaken);
  ASSERT_TRUE(install.ok) << install.error;
  EXPECT_EQ(install.name, "My Scheme");
  EXPECT_TRUE(install.warnings.empty());
  EXPECT_TRUE(install.plan.missing.empty());
  std::map<Bytes, std::string> sourceOf;
  for (const auto& [path, bytes] : sources) sourceOf[bytes] = path;
  const auto identify = [&](const std::string& file) -> std::pair<SoundPart, int> {
    const Bytes bytes = Get(ResolveSoundPath(program, file));
    if (auto found = sourceOf.find(bytes); found != sourceOf.end()) return {{found->second, 0, 0}, 100};
    if (auto found = decoder.made.find(bytes); found != decoder.made.end()) return found->second;
    ADD_FAILURE() << file << " is neither a source nor a decoding";
    return {};
  };
  int sounding = 0;
  for (int row = 0; row < kKeyCount; ++row) {
    const KeyInfo& key = KeyTable()[static_cast<size_t>(row)];
    for (bool up : {false, true}) {
      SCOPED_TRACE(std::string(key.name) + (up ? " up" : ""));
      std::vector<std::pair<SoundPart, int>> before, after;
      const ChosenSound was = ChooseKeySound(scheme, row, key.category, up);
      if (was.reference) {
        for (const SoundPart& part : ParseSoundReference(*was.reference)) before.push_back({part, was.volume});
      }
      const ChosenSound now = ChooseKeySound(install.plan.scheme, row, key.category, up);
      if (now.reference) {
        EXPECT_EQ(now.volume, 100);
        for (const SoundPart& part : ParseSoundReference(*now.reference)) after.push_back(identify(part.file));
      }
      EXPECT_EQ(after, before);
      sounding += before.empty() ? 0 : 1;
    }
  }
  EXPECT_EQ(install.plan.keys + install.plan.releases, sounding);
  EXPECT_FALSE(install.plan.scheme.MouseEnabled);

  // A failing export leaves no zip, no .tmp, and an older zip as it was.
  const Listing before = List(out);
  const auto fails = [&](const std::string& target, const TScheme& what, FakeDecoder& with, const std::string& part) {
    std::string problem;
    EXPECT_FALSE(ExportSoundPack(target, "Failing", what, program, with.Decoder(), problem));
    EXPECT_NE(problem.find(part), std::string::npos) << problem;
    EXPECT_TRUE(List(out) == before);
    EXPECT_EQ(Names(List(out)), Names(before));
  };
  FakeDecoder failing;
  failing.fail = "sprite.ogg";
  fails(zipPath, scheme, failing, "no decoder for this test");
  fails(out + "\\new.zip", scheme, failing, "sprite.ogg");
  TScheme gone = scheme;
  gone.OwnKeys[FindKeyByName("Z")] = {"Sounds\\gone.wav", std::nullopt, 100};
  fails(out + "\\new.zip", gone, decoder, "gone.wav");
  fails(out + "\\no such folder\\new.zip", scheme, decoder, "new.zip");
  TScheme silent;
  silent.Key(KeyCategory::Other) = {true, "", 100, ""};
  fails(out + "\\new.zip", silent, decoder, "no key sounds");
  MakeFolder(out + "\\folder.zip");
  const Listing withFolder = List(out);
  std::string problem;
  EXPECT_FALSE(ExportSoundPack(out + "\\folder.zip", "Failing", scheme, program, decoder.Decoder(), problem));
  EXPECT_FALSE(problem.empty());
  EXPECT_TRUE(List(out) == withFolder);
  EXPECT_EQ(Names(List(out)), Names(withFolder));
}

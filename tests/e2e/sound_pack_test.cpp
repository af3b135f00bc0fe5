// Sound packs through the program's own doors: the Schemes page's Import...
// and Export..., and a pack dropped on the options window. Each key is
// checked by what it plays, a tone of its own.

#include "packs/zip_archive.h"
#include "tests/e2e/program_fixture.h"
#include "ui/resource.h"

namespace e2e {
namespace {

constexpr double kReleaseHz = 1800;
constexpr double kVariantHz = Tones::kPrint;  // no key of these packs is Print Screen
constexpr int kSchemesPage = 1;
constexpr int kCurrentMarker = 4;  // the list's marker of the current scheme

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class SoundPackTest : public DropTest {
 protected:
  HANDLE StartReady() {
    Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\nEaxEnv=0\r\nGlobalVolume=100\r\n");
    HANDLE process = StartAndWait();
    ShowOptions();
    SendMessageA(FindControl(MainWindow(), IDC_pagMain), TCM_SETCURFOCUS, kSchemesPage, 0);
    return process;
  }

  // A pack outside the program folder: a sprite of tones, a slice each.
  // A presses 2500 Hz and releases 1800 Hz; Enter 3500 Hz; S is a slice
  // past the sprite's end; nothing else.
  std::string MakeSpritePack() {
    std::vector<int16_t> sprite;
    for (double hz : {Tones::kShift, kReleaseHz, Tones::kEnter}) {
      std::vector<int16_t> tone = audiotest::Sine(48000, 0.2, hz, 12000 / 32767.0, 240);
      sprite.insert(sprite.end(), tone.begin(), tone.end());
      sprite.insert(sprite.end(), 4800, 0);  // 100 ms apart
    }
    CreateDirectoryA(packs_.Path().c_str(), nullptr);
    const std::string folder = packs_ / "Tone Sprite";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileText(folder + "\\sprite one.wav", audiotest::WavText(sprite, 1, 48000));
    WriteFileText(folder + "\\config.json",
                  R"({"id": "tone-sprite", "name": "Tone Sprite", "key_define_type": "single",
                      "sound": "sprite one.wav",
                      "defines": {"30": [0, 200], "30-up": [300, 200], "28": [600, 200], "48": null,
                                  "31": [90000, 100]}})");
    return folder;
  }

  // Imports through the page's button and the open dialog.
  void ImportThroughDialog(const std::string& path) {
    PostMessageA(FindControl(MainWindow(), IDC_btnImportScheme), BM_CLICK, 0, 0);
    HWND dialog = WaitDialog("Import sound pack");
    ASSERT_NE(dialog, nullptr);
    HWND name = GetDlgItem(dialog, 0x47C);  // the file name box
    ASSERT_NE(name, nullptr);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Press(dialog, IDOK);
  }

  bool Imported(const std::string& summary) { return WaitFor([&] { return LogHas(summary); }, 10000); }

  RemoteList Schemes() { return RemoteList(FindControl(MainWindow(), IDC_lwShemes)); }

  testutil::TempFolder packs_;
};

}  // namespace

// A sprite pack chosen with Import...: its files are copied beside the
// settings, the scheme is added, current and selected at once, and each key
// plays its slice; keys it does not name are silent. Exported and imported
// again, every key sounds the same.
TEST_F(SoundPackTest, ASpritePackImportsExportsAndImportsBackWithTheSameSounds) {
  const std::string pack = MakeSpritePack();
  HANDLE process = StartReady();
  ImportThroughDialog(pack + "\\config.json");
  ASSERT_TRUE(Imported("Imported Tone Sprite: 3 keys, 1 release sounds")) << ReadFileText(dir_ / "Log.txt");
  EXPECT_TRUE(LogHas("Sound pack Tone Sprite: key S: Schemes\\Tone Sprite\\sprite one.wav<90000,100> cannot be "
                     "played: the slice lies past the end of the file"));
  EXPECT_TRUE(WaitFor(BalloonShown, 5000));
  EXPECT_EQ(ReadFileText(dir_ / "Schemes\\Tone Sprite\\sprite one.wav"), ReadFileText(pack + "\\sprite one.wav"));
  RemoteList list = Schemes();
  ASSERT_TRUE(WaitFor([&] { return list.Text(1) == "Tone Sprite"; }));
  EXPECT_EQ(ListView_GetNextItem(FindControl(MainWindow(), IDC_lwShemes), -1, LVNI_SELECTED), 1);
  EXPECT_EQ(list.Marker(1), kCurrentMarker) << "current at once";
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("CurrentSchem") == "Tone Sprite"; }, 5000)) << "saved";
  EXPECT_NE(ReadFileText(dir_ / "schemes.cfg").find("KeyA=Schemes\\Tone Sprite\\sprite one.wav<0,200>"),
            std::string::npos);

  auto checkKeys = [&](const char* which) {
    EXPECT_EQ(Dominant(Heard([] { SendKey('A', false); })), Tones::kShift) << which;
    const std::string up = Heard([] { SendKey('A', true); });
    EXPECT_GT(ToneLevel(up, kReleaseHz), 10 * ToneLevel(up, Tones::kShift) + 50) << which << ": A's release";
    EXPECT_EQ(Dominant(Heard([] { Chord({VK_RETURN}); })), Tones::kEnter) << which;
    EXPECT_EQ(Dominant(Heard([] { Chord({'S'}); })), 0.0) << which << ": a slice past the end";
    EXPECT_EQ(Dominant(Heard([] { Chord({'D'}); })), 0.0) << which << ": a key the pack does not name";
    EXPECT_EQ(Dominant(Heard([] { Chord({'B'}); })), 0.0) << which << ": a null key";
  };
  checkKeys("imported");

  PostMessageA(FindControl(MainWindow(), IDC_btnExportScheme), BM_CLICK, 0, 0);
  HWND save = WaitDialog("Export sound pack");
  ASSERT_NE(save, nullptr);
  const std::string zip = packs_ / "exported.zip";
  SendMessageA(GetDlgItem(save, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(zip.c_str()));
  Press(save, IDOK);
  ASSERT_TRUE(WaitFor([&] { return LogHas("Exported Tone Sprite to "); }, 10000)) << ReadFileText(dir_ / "Log.txt");
  EXPECT_TRUE(LogHas("Scheme Tone Sprite, left out of its pack: Schemes\\Tone Sprite\\sprite one.wav<90000,100> "
                     "cannot be read"));
  const std::string exported = ReadFileText(zip);
  ZipReader reader;
  ASSERT_TRUE(ZipReader::Open(reinterpret_cast<const uint8_t*>(exported.data()), exported.size(), reader).Ok());
  EXPECT_EQ(reader.Entries().front().name, "config.json");

  ImportThroughDialog(zip);
  ASSERT_TRUE(Imported("Imported Tone Sprite (2): 2 keys, 1 release sounds")) << ReadFileText(dir_ / "Log.txt");
  ASSERT_TRUE(WaitFor([&] { return list.Text(2) == "Tone Sprite (2)" && list.Marker(2) == kCurrentMarker; }));
  checkKeys("exported and imported back");
  Exit(process);
}

// A version-2 zip dropped on the window: per-key files in a subfolder,
// variants, a default press and release for every key it does not name, a
// navigation key named by its alias code.
TEST_F(SoundPackTest, AZipDroppedOnTheWindowImportsWithVariantsAndDefaults) {
  ZipWriter zip;
  const std::string top = "Tone Multi v2/";
  zip.AddFile(top + "config.json",
              Bytes(R"({"version": "2", "name": "Tone Multi", "key_define_type": "multi",
                        "sound": "generic.wav", "soundup": "up/generic up.wav",
                        "defines": {"2": "keys/one{0-1}.wav", "57": "keys/space [wide].wav", "61011": null,
                                    "4": "keys/broken.wav", "5": "keys/gone.wav"}})"));
  zip.AddFile(top + "generic.wav", Bytes(ToneWav(Tones::kOther, 0.15)));
  zip.AddFile(top + "up/generic up.wav", Bytes(ToneWav(kReleaseHz, 0.15)));
  zip.AddFile(top + "keys/one0.wav", Bytes(ToneWav(Tones::kDigits, 0.15)));
  zip.AddFile(top + "keys/one1.wav", Bytes(ToneWav(kVariantHz, 0.15)));
  zip.AddFile(top + "keys/space [wide].wav", Bytes(ToneWav(Tones::kSpace, 0.15)));
  zip.AddFile(top + "keys/broken.wav", Bytes("RIFF, but not a sound"));
  CreateDirectoryA(packs_.Path().c_str(), nullptr);
  const std::string path = packs_ / "multi.zip";
  const std::vector<uint8_t> bytes = zip.Finish();
  WriteFileText(path, std::string(bytes.begin(), bytes.end()));

  HANDLE process = StartReady();
  Drop(MainWindow(), POINT{0, 0}, path);  // as Explorer drops it, at the window's corner
  ASSERT_TRUE(Imported("Imported Tone Multi: 107 keys, 108 release sounds")) << ReadFileText(dir_ / "Log.txt");
  EXPECT_TRUE(LogHas("Sound pack Tone Multi: key D3: Schemes\\Tone Multi\\keys\\broken.wav cannot be played: "
                     "Bass Error 41"))
      << ReadFileText(dir_ / "Log.txt");
  EXPECT_TRUE(LogHas("Sound pack Tone Multi: Key D4: \"keys/gone.wav\" is not in the pack"));
  EXPECT_EQ(Dominant(Heard([] { Chord({'4'}); })), Tones::kOther) << "a missing file: the default";

  double before = 0;
  for (int press = 0; press < 4; ++press) {
    const double now = Dominant(Heard([] { Chord({'1'}); }));
    EXPECT_TRUE(now == Tones::kDigits || now == kVariantHz) << "press " << press << ": " << now;
    EXPECT_NE(now, before) << "press " << press << " played the variant before";
    before = now;
  }
  EXPECT_EQ(Dominant(Heard([] { SendKey(VK_SPACE, false); })), Tones::kSpace);
  const std::string up = Heard([] { SendKey(VK_SPACE, true); });
  EXPECT_GT(ToneLevel(up, kReleaseHz), 50) << "the default release";
  EXPECT_EQ(Dominant(Heard([] { Chord({'Q'}); })), Tones::kOther) << "the default press";
  EXPECT_EQ(Dominant(Heard([] { PressExtendedKey(VK_DELETE); })), 0.0) << "Delete, silenced by its alias code";
  EXPECT_EQ(Dominant(Heard([] { PressExtendedKey(VK_HOME); })), Tones::kOther) << "Home, by the default";
  Exit(process);
}

// Packs that cannot be imported say why in a message box, and leave nothing
// behind: neither a scheme nor a file, inside the program folder or outside.
TEST_F(SoundPackTest, ABadPackSaysWhyAndLeavesNothingBehind) {
  CreateDirectoryA(packs_.Path().c_str(), nullptr);
  // A zip whose entry would land beside the program folder.
  std::string evil;
  {
    ZipWriter zip;
    zip.AddFile("config.json", Bytes(R"({"name": "Evil", "key_define_type": "multi", "defines": {"30": "a.wav"}})"));
    zip.AddFile("a.wav", Bytes(ToneWav(Tones::kOther, 0.1)));
    zip.AddFile("zz.wav", Bytes(ToneWav(Tones::kOther, 0.1)));
    std::vector<uint8_t> bytes = zip.Finish();
    std::string text(bytes.begin(), bytes.end());
    // The writer refuses such a name: the entry's name is changed in place,
    // in its local header and in the directory (same length).
    for (size_t at = text.find("zz.wav"); at != std::string::npos; at = text.find("zz.wav", at + 1)) {
      text.replace(at, 6, "../e.w");
    }
    evil = text;
  }
  WriteFileText(packs_ / "evil.zip", evil);
  CreateDirectoryA((packs_ / "Broken").c_str(), nullptr);
  WriteFileText(packs_ / "Broken\\config.json", "{\n  \"name\": \"Broken\",\n  \"defines\": {,}\n}\n");

  HANDLE process = StartReady();
  // The program's folder but its log, which says what went wrong.
  auto files = [&] {
    std::vector<std::string> entries = Listing();
    std::erase_if(entries, [](const std::string& entry) { return entry.rfind("Log.txt:", 0) == 0; });
    return entries;
  };
  const std::vector<std::string> listing = files();
  for (const auto& [path, words] : {std::pair<std::string, std::string>{packs_ / "evil.zip", "leave the pack"},
                                    {packs_ / "Broken\\config.json", "line 3"}}) {
    ImportThroughDialog(path);
    HWND box = WaitMessageBox("Brisolt");
    ASSERT_NE(box, nullptr) << path;
    EXPECT_NE(MessageBoxText(box).find(words), std::string::npos) << MessageBoxText(box);
    Press(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
  }
  EXPECT_EQ(Schemes().Text(1), "") << "no scheme added";
  EXPECT_EQ(files(), listing) << "nothing added to the program's folder";
  EXPECT_EQ(GetFileAttributesA((packs_ / "e.w").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((dir_.Path() + "\\..\\e.w").c_str()), INVALID_FILE_ATTRIBUTES);
  Exit(process);
}

// A deleted scheme's pack folder goes to the Recycle Bin once no scheme plays
// a sound of it, and the pack imported again finds its folder's name free. A
// folder that is no imported pack stays, whoever played it.
TEST_F(SoundPackTest, DeletingAPackSchemeRecyclesItsFolderOnceNoSchemePlaysIt) {
  const std::string pack = MakeSpritePack();
  CreateDirectoryA((dir_ / "Schemes").c_str(), nullptr);
  CreateDirectoryA((dir_ / "Schemes\\Plain").c_str(), nullptr);
  WriteFileText(dir_ / "Schemes\\Plain\\plain.wav", ToneWav(Tones::kOther, 0.1));
  Configure(ToneScheme("Test", "") + ToneScheme("Keeper", "KeyA=Schemes\\Tone Sprite\\sprite one.wav<0,200>\r\n"
                                                          "KeyB=Schemes\\Plain\\plain.wav\r\n"),
            "CurrentSchem=Test\r\nEaxEnv=0\r\n");
  HANDLE process = StartAndWait();
  ShowOptions();
  SendMessageA(FindControl(MainWindow(), IDC_pagMain), TCM_SETCURFOCUS, kSchemesPage, 0);
  ImportThroughDialog(pack + "\\config.json");
  ASSERT_TRUE(Imported("Imported Tone Sprite: 3 keys")) << ReadFileText(dir_ / "Log.txt");
  RemoteList list = Schemes();
  ASSERT_TRUE(WaitFor([&] { return list.Text(2) == "Tone Sprite"; }));
  auto deleteRow = [&](int row) {
    const int before = list.Count();
    list.Select(row);
    PostMessageA(FindControl(MainWindow(), IDC_btnDeleteScheme), BM_CLICK, 0, 0);
    HWND box = WaitMessageBox("Brisolt");
    ASSERT_NE(box, nullptr);
    Press(box, IDOK);
    // The list answers once the deletion, and what follows it, is done.
    ASSERT_TRUE(WaitFor([&] { return list.Count() == before - 1; }));
  };
  auto exists = [](const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; };
  const std::string folder = dir_ / "Schemes\\Tone Sprite";

  deleteRow(2);
  EXPECT_TRUE(exists(folder + "\\sprite one.wav")) << "Keeper still plays it";
  EXPECT_FALSE(LogHas("went to the Recycle Bin")) << ReadFileText(dir_ / "Log.txt");

  deleteRow(1);  // Keeper
  EXPECT_FALSE(exists(folder));
  EXPECT_TRUE(LogHas("The sound files of Keeper went to the Recycle Bin: ")) << ReadFileText(dir_ / "Log.txt");
  EXPECT_TRUE(LogHas("\\Schemes\\Tone Sprite\r\n"));
  EXPECT_TRUE(exists(dir_ / "Schemes\\Plain\\plain.wav")) << "no imported pack";
  EXPECT_TRUE(exists(dir_ / "other.wav"));

  ImportThroughDialog(pack + "\\config.json");
  ASSERT_TRUE(WaitFor([&] { return list.Count() == 2; }, 10000)) << ReadFileText(dir_ / "Log.txt");
  EXPECT_EQ(list.Text(1), "Tone Sprite");
  EXPECT_TRUE(exists(folder + "\\sprite one.wav")) << "the folder's name is free again";
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kShift);
  Exit(process);
}

}  // namespace e2e

// How keys sound beyond their files, heard in the capture: release sounds,
// a pitch and level that vary from press to press, keys placed between the
// speakers, and sounds that overlap.

#include "tests/e2e/program_fixture.h"

namespace e2e {
namespace {

constexpr double kReleaseHz = 1800;

class PressSoundsTest : public InputTest {
 protected:
  HANDLE StartWith(const std::string& schemeExtra, const std::string& options) {
    Configure(ToneScheme("Test", schemeExtra), "CurrentSchem=Test\r\nEaxEnv=0\r\nGlobalVolume=50\r\n" + options);
    return StartAndWait();
  }
};

}  // namespace

// A release plays the category's release sound; a category without one is
// silent on release, as before. Buttons too.
TEST_F(PressSoundsTest, ReleasesPlayTheirOwnSoundWhereThereIsOne) {
  WriteFileText(dir_ / "up.wav", ToneWav(kReleaseHz, 0.1));
  HANDLE process = StartWith("kOtherRelease=up.wav\r\nkLeftButtonRelease=up.wav\r\n", "");
  std::string press = Heard([] { SendKey('A', false); });
  EXPECT_EQ(Dominant(press), Tones::kOther);
  std::string release = Heard([] { SendKey('A', true); });
  EXPECT_GT(ToneLevel(release, kReleaseHz), 10 * ToneLevel(release, Tones::kOther) + 50) << "the release sound";
  Heard([] { SendKey('1', false); });
  std::string digitUp = Heard([] { SendKey('1', true); });
  EXPECT_LT(ToneLevel(digitUp, kReleaseHz) + ToneLevel(digitUp, Tones::kDigits), 50) << "no release sound, silent";
  Heard([] {
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &down, sizeof down);
  });
  std::string buttonUp = Heard([] {
    INPUT up{};
    up.type = INPUT_MOUSE;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &up, sizeof up);
  });
  EXPECT_GT(ToneLevel(buttonUp, kReleaseHz), 50) << "the button's release sound";
  Exit(process);
}

// Variation 10: ten presses of one key, each at a pitch within ±5 % and a
// level within ±3 dB, and no press like the one before it.
TEST_F(PressSoundsTest, VariationChangesThePitchAndLevelOfEveryPress) {
  WriteFileText(dir_ / "other.wav", ToneWav(Tones::kOther, 0.3));
  HANDLE process = StartWith("", "Variation=10\r\n");
  const double nominalPeak = 12000 * 0.5;  // the tone's peak at volume 50
  std::vector<double> pitches, levels;
  for (int i = 0; i < 10; ++i) {
    std::string heard = Heard([] { Chord({'A'}); });
    pitches.push_back(ToneFrequency(heard, Tones::kOther));
    levels.push_back(20 * std::log10(PeaksOf(heard).left / nominalPeak));
  }
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(pitches[i], Tones::kOther, Tones::kOther * 0.05 + 1.0) << "press " << i;
    EXPECT_NEAR(levels[i], 0.0, 3.0 + 0.3) << "press " << i;
    if (i > 0) {
      EXPECT_GT(std::fabs(pitches[i] - pitches[i - 1]), 5.0) << "press " << i << " sounds like the one before";
      EXPECT_GT(std::fabs(levels[i] - levels[i - 1]), 0.3) << "press " << i;
    }
  }
  Exit(process);
}

// Keys whose sounds are Ogg Vorbis and MP3 files play them, as WAV files
// play. On a Windows without Media Foundation the MP3 key is silent, the Ogg
// key still plays, and the log says once what to install.
TEST_F(PressSoundsTest, KeysPlayOggAndMp3Files) {
  const std::string fixtures = std::string(BRISOLT_TEST_FIXTURES) + "\\";
  WriteFileText(dir_ / "other.ogg", ReadFileText(fixtures + "key1000.ogg"));
  WriteFileText(dir_ / "digits.mp3", ReadFileText(fixtures + "key1500.mp3"));
  Configure("[Test]\r\nkOther=other.ogg\r\nkOtherVol=100\r\nkDigits=digits.mp3\r\nkDigitsVol=100\r\n",
            "CurrentSchem=Test\r\nEaxEnv=0\r\nGlobalVolume=50\r\n");
  HANDLE process = StartAndWait();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  EXPECT_EQ(Dominant(Heard([] { Chord({'1'}); })), Tones::kDigits);
  Exit(process);

  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");  // inherited by the program
  SetEnvironmentVariableA("BRISOLT_TEST_NO_MEDIA_FOUNDATION", "1");
  process = StartAndWait();
  SetEnvironmentVariableA("BRISOLT_TEST_NO_MEDIA_FOUNDATION", nullptr);
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);
  EXPECT_EQ(Dominant(Heard([] { Chord({'1'}); })), 0.0);
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  EXPECT_EQ(Dominant(Heard([] { Chord({'1'}); })), 0.0);
  const std::string log = ReadFileText(dir_ / "Log.txt");
  const std::string line = "no Media Foundation";
  size_t said = 0;
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++said;
  EXPECT_EQ(said, 1u) << log;
  Exit(process);
}

// Keys with sounds of their own play them over their category's: a slice of
// a sprite (six seconds, a tone of its own in each), variants of which no
// press plays the one before, and a key made silent; the other keys of the
// category keep its sound.
TEST_F(PressSoundsTest, KeysWithSoundsOfTheirOwnPlayThem) {
  std::vector<int16_t> sprite;
  for (double hz : {800.0, 1000.0, 1500.0, 2000.0, Tones::kShift, 3000.0}) {
    std::vector<int16_t> tone = audiotest::Sine(48000, 1.0, hz, 12000 / 32767.0, 240);
    sprite.insert(sprite.end(), tone.begin(), tone.end());
  }
  WriteFileText(dir_ / "sprite.wav", audiotest::WavText(sprite, 1, 48000));
  HANDLE process = StartWith("KeyA=sprite.wav<4100,150>\r\nKeyS=digits.wav|space.wav\r\nKeyD=\r\n", "");
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kShift) << "the slice";
  double before = 0;
  for (int press = 0; press < 6; ++press) {
    const double now = Dominant(Heard([] { Chord({'S'}); }));
    EXPECT_TRUE(now == Tones::kDigits || now == Tones::kSpace) << "press " << press << ": " << now;
    EXPECT_NE(now, before) << "press " << press << " played the variant before";
    before = now;
  }
  EXPECT_EQ(Dominant(Heard([] { Chord({'D'}); })), 0.0) << "silent";
  EXPECT_EQ(Dominant(Heard([] { Chord({'F'}); })), Tones::kOther) << "the category's";
  Exit(process);
}

// KeyPanning: Escape stands on the left and Enter on the right; Space stays
// in the middle.
TEST_F(PressSoundsTest, KeyPanningPlacesKeysAsOnTheKeyboard) {
  HANDLE process = StartWith("kEscape=other.wav\r\nkEscapeVol=100\r\n", "KeyPanning=1\r\n");
  ChannelPeaks escape = PeaksOf(Heard([] { Chord({VK_ESCAPE}); }));
  ChannelPeaks enter = PeaksOf(Heard([] { Chord({VK_RETURN}); }));
  ChannelPeaks space = PeaksOf(Heard([] { Chord({VK_SPACE}); }));
  EXPECT_GT(escape.left, 2 * escape.right) << escape.left << " " << escape.right;
  EXPECT_GT(enter.right, 2 * enter.left) << enter.left << " " << enter.right;
  EXPECT_NEAR(space.left / space.right, 1.0, 0.02);
  Exit(process);
}

// Two presses 20 ms apart: with OverlapSounds both are heard to their end;
// without, the second cuts the first, as it always has.
TEST_F(PressSoundsTest, OverlapLetsAPressPlayOnUnderTheNext) {
  WriteFileText(dir_ / "other.wav", ToneWav(Tones::kOther, 0.4));
  WriteFileText(dir_ / "digits.wav", ToneWav(Tones::kDigits, 0.4));
  auto twoPresses = [] {
    Chord({'A'});
    Sleep(20);  // the second press 20 ms after the first, while it sounds
    Chord({'1'});
  };
  double heardAlone = 0, heardOverlapping = 0, heardCut = 0;
  for (bool overlap : {true, false}) {
    HANDLE process = StartWith("", overlap ? "OverlapSounds=1\r\n" : "");
    heardBefore_ = false;
    double alone = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
    double first = ToneAmount(Heard(twoPresses), Tones::kOther);
    (overlap ? heardOverlapping : heardCut) = first / alone;
    heardAlone = alone;
    Exit(process);
    DeleteFileA((dir_ / "Log.txt").c_str());  // the next start is waited for by its own log
  }
  EXPECT_GT(heardAlone, 0);
  EXPECT_NEAR(heardOverlapping, 1.0, 0.1) << "the first press is heard to its end";
  EXPECT_LT(heardCut, 0.5) << "the first press is cut by the second";
}

// Ten keys of ten categories, each a tone of its own 3 s long, pressed
// 100 ms apart with overlap on: after the tenth press the last eight ring on
// together and the two oldest were cut when the ninth and tenth came.
TEST_F(PressSoundsTest, OverlapRingsAtMostEightKeySoundsTogether) {
  struct Key {
    WORD vk;
    const char* category;
    double hz;
  };
  const Key keys[] = {{'A', "Other", 500},       {'1', "Digits", 700},     {VK_SPACE, "Space", 900},
                      {VK_RETURN, "Enter", 1100}, {VK_TAB, "Tab", 1300},    {VK_HOME, "Home", 1500},
                      {VK_END, "End", 1700},      {VK_INSERT, "Insert", 1900}, {VK_BACK, "BackSpace", 2100},
                      {VK_ESCAPE, "Escape", 2300}};
  std::string scheme = "[Test]\r\n";
  for (const Key& key : keys) {
    std::string file = std::string(key.category) + ".wav";
    WriteFileText(dir_ / file, ToneWav(key.hz, 3.0));
    scheme += std::string("k") + key.category + "=" + file + "\r\nk" + key.category + "Vol=100\r\n";
  }
  // Quiet enough that ten tones together never clip (clipping would put
  // their mixtures on the other tones' frequencies).
  Configure(scheme, "CurrentSchem=Test\r\nEaxEnv=0\r\nGlobalVolume=10\r\nOverlapSounds=1\r\n");
  HANDLE process = StartAndWait();
  Heard([] { Chord({'A'}); });  // the output is open from here on
  HeardFor(capture_, 3500, [] {});  // and that tone has ended
  std::string heard = HeardFor(capture_, 3000, [&] {
    // A press every 100 ms, each at its own time.
    ULONGLONG start = GetTickCount64();
    for (size_t i = 0; i < std::size(keys); ++i) {
      WaitFor([&] { return GetTickCount64() >= start + 100 * i; }, 2000);
      Chord({keys[i].vk});
    }
  });
  // Level of each tone in 20 ms blocks.
  const size_t block = 48 * 20 * 4;
  auto level = [&](double hz, size_t from, size_t to) {
    return ToneLevel(heard.substr(from, std::min(to, heard.size()) - from), hz);
  };
  // The tenth tone starts where its level first reaches half its greatest.
  double loudest = 0;
  for (size_t at = 0; at + block <= heard.size(); at += block) loudest = std::max(loudest, level(2300, at, at + block));
  size_t tenth = 0;
  while (tenth + block <= heard.size() && level(2300, tenth, tenth + block) < loudest / 2) tenth += block;
  ASSERT_GT(loudest, 0);
  ASSERT_LT(tenth + 48 * 4 * 600, heard.size()) << "the tenth press was heard in time";
  // From 50 ms after it, for half a second: the last eight only.
  size_t from = tenth + 48 * 4 * 50, to = from + 48 * 4 * 500;
  double reference = level(2300, from, to);
  for (size_t i = 0; i < std::size(keys); ++i) {
    double relative = level(keys[i].hz, from, to) / reference;
    if (i < 2) {
      EXPECT_LT(relative, 0.05) << keys[i].category << " was cut to make room";
    } else {
      EXPECT_GT(relative, 0.5) << keys[i].category << " rings on";
    }
  }
  Exit(process);
}

}  // namespace e2e

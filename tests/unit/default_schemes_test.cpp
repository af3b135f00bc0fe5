// The schemes the program ships with (assets/, made by tools/make_schemes.sh),
// read the way the program reads them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/wav_decoder.h"
#include "settings/option_keys.h"
#include "settings/scheme_store.h"
#include "settings/settings.h"
#include "tests/unit/ini_text.h"

namespace {

namespace fs = std::filesystem;

// tests/unit/<this file> -> the repository's assets/, whatever folder the
// tests run from.
const fs::path kAssets = fs::path(__FILE__).parent_path().parent_path().parent_path() / "assets";

const std::vector<std::string> kShippedSchemes = {"TypeWriter", "Mechanical", "Laptop"};
// The schemes whose keys sound on the way up as well; every category of them.
const std::vector<std::string> kSchemesWithRelease = {"Mechanical", "Laptop"};

// What every scheme section holds: three keys per category and the two
// switches. Release keys, where a scheme has them, follow these.
constexpr size_t kKeysEverySchemeHas = 3 * kKeyCategoryCount + 2;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Shipped {
  FakeIni ini;
  SchemeList list;
};

Shipped LoadShipped() {
  Shipped s{IniFromText(ReadFile(kAssets / "schemes.cfg")), {}};
  LoadSchemes(s.ini, s.list);
  return s;
}

// The stored paths are Windows paths relative to the program folder, which
// in the repository is assets/.
fs::path AssetPath(std::string stored) {
  std::replace(stored.begin(), stored.end(), '\\', '/');
  return kAssets / stored;
}

// The release sounds of one section of schemes.cfg, in the file's order:
// (category, stored file name). A key after the ones every scheme has that
// is no release key of a known category comes back as category -1.
std::vector<std::pair<int, std::string>> ReleaseKeys(const IniPairs& pairs) {
  std::vector<std::pair<int, std::string>> found;
  for (size_t p = std::min(kKeysEverySchemeHas, pairs.size()); p < pairs.size(); ++p) {
    int category = -1;
    for (int c = 0; c < kKeyCategoryCount; ++c) {
      if (pairs[p].first == "k" + std::string(kKeyCategoryNames[c]) + "Release") category = c;
    }
    found.emplace_back(category, pairs[p].second);
  }
  return found;
}

struct StoredFile {
  std::string scheme;
  KeyCategory category;
  bool release;
  std::string file;
};

// Every file the shipped schemes name, presses and releases (of known
// categories; the others are the order test's to report).
std::vector<StoredFile> EveryStoredFile(const Shipped& s) {
  std::vector<StoredFile> files;
  for (int i = 0; i < s.list.Count(); ++i) {
    for (int c = 0; c < kKeyCategoryCount; ++c) {
      files.push_back({s.list.Name(i), static_cast<KeyCategory>(c), false,
                       s.list.Scheme(i).Keys[c].FileName});
    }
    for (const auto& [c, file] : ReleaseKeys(s.ini.sections[i].pairs)) {
      if (c >= 0) files.push_back({s.list.Name(i), static_cast<KeyCategory>(c), true, file});
    }
  }
  return files;
}

bool Decode(const std::string& storedPath, DecodedWav& wav) {
  std::string bytes = ReadFile(AssetPath(storedPath));
  return DecodeWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), wav) == kBassOk;
}

float PeakOf(const std::vector<float>& x) {
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  return peak;
}

// Loudest 50 ms of plain mean square at 44.1 kHz, windows 10 ms apart, in dB.
double LoudestWindowDb(const std::vector<float>& x) {
  const size_t window = 2205, hop = 441;
  double best = 1e-20;
  for (size_t start = 0;; start += hop) {
    double sum = 0;
    for (size_t k = start; k < std::min(x.size(), start + window); ++k) sum += x[k] * x[k];
    best = std::max(best, sum / window);
    if (start + window >= x.size()) break;
  }
  return 10 * std::log10(best);
}

// Centroid of the magnitude spectrum, zero-padded to a power of two.
double CentroidHz(const std::vector<float>& x, double rate) {
  size_t n = 1;
  while (n < x.size()) n <<= 1;
  std::vector<std::complex<double>> a(n);
  std::copy(x.begin(), x.end(), a.begin());
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> step = std::polar(1.0, -2 * 3.141592653589793 / static_cast<double>(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
  double weighted = 0, total = 0;
  for (size_t k = 1; k <= n / 2; ++k) {
    weighted += std::abs(a[k]) * static_cast<double>(k);
    total += std::abs(a[k]);
  }
  return total > 0 ? weighted / total * rate / static_cast<double>(n) : 0;
}

// The typewriter's carriage return rings its bell for most of a second;
// every other sound is a short tap.
bool LongOnPurpose(const std::string& scheme, KeyCategory category) {
  return scheme == "TypeWriter" && category == KeyCategory::Enter;
}

// Share of a sound's energy below about 400 Hz (two one-pole low-passes):
// the weight of the thump a heavy key lands with.
double LowShare(const std::string& storedPath) {
  DecodedWav wav;
  if (!Decode(storedPath, wav)) return -1;
  const double a = std::exp(-2 * 3.141592653589793 * 400 / 44100);
  double y1 = 0, y2 = 0, low = 0, total = 0;
  for (float v : wav.samples) {
    y1 = (1 - a) * v + a * y1;
    y2 = (1 - a) * y1 + a * y2;
    low += y2 * y2;
    total += static_cast<double>(v) * v;
  }
  return total > 0 ? low / total : -1;
}

}  // namespace

TEST(DefaultSchemes, FileHoldsTheThreeSchemesAsTheProgramWritesThem) {
  std::string text = ReadFile(kAssets / "schemes.cfg");
  ASSERT_FALSE(text.empty()) << kAssets / "schemes.cfg";
  for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at byte " << i;
  }

  Shipped s = LoadShipped();
  ASSERT_EQ(s.list.Count(), 3);
  for (int i = 0; i < s.list.Count(); ++i) {
    EXPECT_EQ(s.list.Name(i), kShippedSchemes[i]);
    // The keys, in the same order, that the program writes when it saves
    // this scheme, release sounds included: nothing missing, nothing extra,
    // nothing misspelt.
    EXPECT_EQ(s.ini.sections[i].pairs, SchemeKeyValues(s.list.Scheme(i))) << s.list.Name(i);
    const TScheme& scheme = s.list.Scheme(i);
    EXPECT_TRUE(scheme.MouseEnabled);
    EXPECT_TRUE(scheme.KeyboardEnabled);
    for (int c = 0; c < kKeyCategoryCount; ++c) {
      const TSoundKey& key = scheme.Keys[c];
      EXPECT_TRUE(key.Enabled) << kKeyCategoryNames[c];
      EXPECT_GE(key.Volume, 50) << kKeyCategoryNames[c];
      EXPECT_LE(key.Volume, 100) << kKeyCategoryNames[c];
    }
  }
}

TEST(DefaultSchemes, FreshSettingsSelectTheTypeWriterScheme) {
  FakeIni noConfig;
  Settings fresh;
  ReadSettings(noConfig, false, true, fresh);
  Shipped s = LoadShipped();
  int index = s.list.FindScheme(fresh.CurrentSchemeName);
  ASSERT_GE(index, 0) << fresh.CurrentSchemeName;
  EXPECT_EQ(s.list.Name(index), "TypeWriter");
}

TEST(DefaultSchemes, EveryCategoryHasItsOwnFileInsideItsScheme) {
  Shipped s = LoadShipped();
  // Presses and releases alike: a release that merely repeats a press, or
  // another release, is no sound of its own.
  std::set<std::string> contents;
  for (const StoredFile& f : EveryStoredFile(s)) {
    EXPECT_EQ(f.file.rfind("Schemes\\" + f.scheme + "\\", 0), 0u) << f.file;
    std::string bytes = ReadFile(AssetPath(f.file));
    EXPECT_FALSE(bytes.empty()) << f.file;
    EXPECT_TRUE(contents.insert(bytes).second) << f.file << " repeats another sound";
  }
}

TEST(DefaultSchemes, ReleaseKeysFollowTheKeysEverySchemeHasInCategoryOrder) {
  Shipped s = LoadShipped();
  ASSERT_EQ(s.ini.sections.size(), kShippedSchemes.size());
  for (const FakeIni::Section& section : s.ini.sections) {
    SCOPED_TRACE(section.name);
    bool hasRelease = std::find(kSchemesWithRelease.begin(), kSchemesWithRelease.end(),
                                section.name) != kSchemesWithRelease.end();
    std::vector<std::pair<int, std::string>> release = ReleaseKeys(section.pairs);
    // A typewriter key rises silently: no release key at all, not even an empty one.
    ASSERT_EQ(release.size(), hasRelease ? static_cast<size_t>(kKeyCategoryCount) : 0u);
    for (size_t r = 0; r < release.size(); ++r) {
      const auto& [category, file] = release[r];
      EXPECT_EQ(category, static_cast<int>(r))
          << "release key " << r << " after the keys every scheme has";
      if (category < 0) continue;
      EXPECT_EQ(file, "Schemes\\" + section.name + "\\" +
                          std::string(kKeyCategoryNames[category]) + "Release.wav");
    }
  }
}

// A key coming back up sounds shorter, softer and brighter than the same key
// going down.
TEST(DefaultSchemes, ReleaseIsShorterQuieterAndBrighterThanItsPress) {
  Shipped s = LoadShipped();
  for (const std::string& name : kSchemesWithRelease) {
    int i = s.list.FindScheme(name);
    ASSERT_GE(i, 0) << name;
    std::vector<std::pair<int, std::string>> release = ReleaseKeys(s.ini.sections[i].pairs);
    ASSERT_EQ(release.size(), static_cast<size_t>(kKeyCategoryCount)) << name;
    for (const auto& [c, file] : release) {
      ASSERT_GE(c, 0) << file;
      const std::string& pressFile = s.list.Scheme(i).Keys[c].FileName;
      SCOPED_TRACE(file);
      DecodedWav press, up;
      ASSERT_TRUE(Decode(pressFile, press)) << pressFile;
      ASSERT_TRUE(Decode(file, up));
      ASSERT_EQ(up.sampleRate, press.sampleRate);
      ASSERT_EQ(up.channels, press.channels);

      EXPECT_LT(up.samples.size(), press.samples.size() * 3 / 4);
      EXPECT_LT(PeakOf(up.samples), PeakOf(press.samples));
      // Clearly softer, yet not so soft that it is lost under the next press.
      double below = LoudestWindowDb(press.samples) - LoudestWindowDb(up.samples);
      EXPECT_GE(below, 6.0);
      EXPECT_LE(below, 14.0);
      EXPECT_GT(CentroidHz(up.samples, up.sampleRate), 1.1 * CentroidHz(press.samples, press.sampleRate));
    }
  }
}

TEST(DefaultSchemes, EverySoundDecodesShortCleanAndBalanced) {
  Shipped s = LoadShipped();
  for (const StoredFile& f : EveryStoredFile(s)) {
    SCOPED_TRACE(f.file);
    DecodedWav wav;
    ASSERT_TRUE(Decode(f.file, wav));
    EXPECT_EQ(wav.sampleRate, 44100u);
    ASSERT_EQ(wav.channels, 1);
    const std::vector<float>& x = wav.samples;
    ASSERT_GT(x.size(), 441u);
    double seconds = static_cast<double>(x.size()) / wav.sampleRate;
    EXPECT_LT(seconds, !f.release && LongOnPurpose(f.scheme, f.category) ? 1.0 : 0.25);

    // No click: the sound rises from silence and returns to it.
    EXPECT_LE(std::fabs(x.front()), 2.0f / 32768);
    EXPECT_LE(std::fabs(x.back()), 2.0f / 32768);
    for (size_t k = 1; k < 4; ++k) {
      EXPECT_LT(std::fabs(x[k]), 0.05f) << "sample " << k;
      EXPECT_LT(std::fabs(x[x.size() - 1 - k]), 0.05f) << "sample -" << k;
    }
    EXPECT_LT(PeakOf(x), 0.8913f + 1.0f / 32768) << "peak above -1 dBFS";
  }

  // The presses are balanced against each other (the releases sit below
  // them on purpose). The generator balances a weighted measure, so plain
  // mean square spreads by a few dB, not by the tens of dB that raw
  // synthesis levels would.
  std::vector<std::pair<double, std::string>> loudness;
  for (int i = 0; i < s.list.Count(); ++i) {
    for (const TSoundKey& key : s.list.Scheme(i).Keys) {
      DecodedWav wav;
      ASSERT_TRUE(Decode(key.FileName, wav)) << key.FileName;
      loudness.emplace_back(LoudestWindowDb(wav.samples), key.FileName);
    }
  }
  std::sort(loudness.begin(), loudness.end());
  double median = loudness[loudness.size() / 2].first;
  for (const auto& [db, file] : loudness) {
    EXPECT_NEAR(db, median, 4.0) << file;
  }
}

TEST(DefaultSchemes, SpaceAndEnterLandHeavierThanLettersAndClicksStayLight) {
  Shipped s = LoadShipped();
  for (int i = 0; i < s.list.Count(); ++i) {
    const TScheme& scheme = s.list.Scheme(i);
    SCOPED_TRACE(s.list.Name(i));
    double letter = LowShare(scheme.Key(KeyCategory::Other).FileName);
    ASSERT_GT(letter, 0);
    EXPECT_GT(LowShare(scheme.Key(KeyCategory::Space).FileName), 1.5 * letter);
    EXPECT_GT(LowShare(scheme.Key(KeyCategory::Enter).FileName), 1.5 * letter);
    EXPECT_LT(LowShare(scheme.Key(KeyCategory::LeftButton).FileName), 0.5 * letter);
    EXPECT_LT(LowShare(scheme.Key(KeyCategory::RightButton).FileName), 0.5 * letter);
  }
}

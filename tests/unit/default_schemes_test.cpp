// The schemes the program ships with (assets/, made by tools/make_schemes.sh),
// read the way the program reads them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "bass/wav_decoder.h"
#include "settings/scheme_store.h"
#include "settings/option_keys.h"
#include "settings/settings.h"
#include "tests/unit/ini_text.h"

namespace {

namespace fs = std::filesystem;

// tests/unit/<this file> -> the repository's assets/, whatever folder the
// tests run from.
const fs::path kAssets = fs::path(__FILE__).parent_path().parent_path().parent_path() / "assets";

const std::vector<std::string> kShippedSchemes = {"TypeWriter", "Mechanical", "Laptop"};

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

// The typewriter's carriage return rings its bell for most of a second;
// every other sound is a short tap.
bool LongOnPurpose(const std::string& scheme, KeyCategory category) {
  return scheme == "TypeWriter" && category == KeyCategory::Enter;
}

// Share of a sound's energy below about 400 Hz (two one-pole low-passes):
// the weight of the thump a heavy key lands with.
double LowShare(const std::string& storedPath) {
  std::string bytes = ReadFile(AssetPath(storedPath));
  DecodedWav wav;
  if (DecodeWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), wav) != kBassOk) {
    return -1;
  }
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
    // The same 80 keys, in the same order, that the program writes when it
    // saves this scheme: nothing missing, nothing extra, nothing misspelt.
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
  for (int i = 0; i < s.list.Count(); ++i) {
    const std::string prefix = "Schemes\\" + s.list.Name(i) + "\\";
    std::set<std::string> contents;
    for (int c = 0; c < kKeyCategoryCount; ++c) {
      const std::string& file = s.list.Scheme(i).Keys[c].FileName;
      EXPECT_EQ(file.rfind(prefix, 0), 0u) << file;
      std::string bytes = ReadFile(AssetPath(file));
      EXPECT_FALSE(bytes.empty()) << file;
      EXPECT_TRUE(contents.insert(bytes).second) << file << " repeats another sound";
    }
  }
}

TEST(DefaultSchemes, EverySoundDecodesShortCleanAndBalanced) {
  Shipped s = LoadShipped();
  std::vector<std::pair<double, std::string>> loudness;
  for (int i = 0; i < s.list.Count(); ++i) {
    for (int c = 0; c < kKeyCategoryCount; ++c) {
      const std::string& file = s.list.Scheme(i).Keys[c].FileName;
      SCOPED_TRACE(file);
      std::string bytes = ReadFile(AssetPath(file));
      DecodedWav wav;
      ASSERT_EQ(DecodeWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), wav),
                kBassOk);
      EXPECT_EQ(wav.sampleRate, 44100u);
      ASSERT_EQ(wav.channels, 1);
      const std::vector<float>& x = wav.samples;
      ASSERT_GT(x.size(), 441u);
      double seconds = static_cast<double>(x.size()) / wav.sampleRate;
      EXPECT_LT(seconds, LongOnPurpose(s.list.Name(i), static_cast<KeyCategory>(c)) ? 1.0 : 0.25);

      // No click: the sound rises from silence and returns to it.
      EXPECT_LE(std::fabs(x.front()), 2.0f / 32768);
      EXPECT_LE(std::fabs(x.back()), 2.0f / 32768);
      for (size_t k = 1; k < 4; ++k) {
        EXPECT_LT(std::fabs(x[k]), 0.05f) << "sample " << k;
        EXPECT_LT(std::fabs(x[x.size() - 1 - k]), 0.05f) << "sample -" << k;
      }

      float peak = 0;
      for (float v : x) peak = std::max(peak, std::fabs(v));
      EXPECT_LT(peak, 0.8913f + 1.0f / 32768) << "peak above -1 dBFS";

      // Loudest 50 ms of plain mean square; the generator balances a weighted
      // measure, so these spread by a few dB, not by the tens of dB that raw
      // synthesis levels would.
      const size_t window = 2205, hop = 441;
      double best = 0;
      for (size_t start = 0;; start += hop) {
        double sum = 0;
        for (size_t k = start; k < std::min(x.size(), start + window); ++k) sum += x[k] * x[k];
        best = std::max(best, sum / window);
        if (start + window >= x.size()) break;
      }
      loudness.emplace_back(10 * std::log10(best), file);
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

// The icons the program ships with (assets/icons, drawn by tools/icon_gen),
// read back the way Windows reads an .ico file.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

namespace fs = std::filesystem;

// tests/unit/<this file> -> the repository's assets/icons.
const fs::path kIcons =
    fs::path(__FILE__).parent_path().parent_path().parent_path() / "assets" / "icons";

const std::vector<std::string> kResourceIcons = {
    "zMainEnableXP",  "zMainDisableXP", "zMainEnableXP1",   "zMainEnableXP2",  "zBallEnableXP",
    "zBallDisableXP", "zOptionsXP",     "zSoundsEnableXP",  "zSoundsDisableXP", "zSchemeXP",
    "zHelpXP",        "zExitXP",        "zschemeEAX",       "Brisolt"};

// Tray pictures that must be told apart at a glance.
const std::vector<std::string> kTrayIcons = {"zMainEnableXP", "zMainDisableXP", "zMainEnableXP1",
                                             "zMainEnableXP2"};

uint32_t Le16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
uint32_t Le32(const std::string& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

uint32_t Be32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
         uint32_t(uint8_t(b[at + 3]));
}

// Decodes an n x n 8-bit RGBA PNG (chunk CRCs, zlib stream and row filters
// all checked), as Windows does for large icon entries.
std::vector<uint8_t> DecodePng(const std::string& png, int n, const std::string& name) {
  std::string idat;
  bool header = false;
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = Be32(png, at);
    if (length > png.size() - at - 12) {
      ADD_FAILURE() << name << ": PNG chunk runs past the entry";
      return {};
    }
    const std::string type = png.substr(at + 4, 4);
    const auto* bytes = reinterpret_cast<const Bytef*>(png.data() + at + 4);
    EXPECT_EQ(crc32(0, bytes, uInt(length + 4)), Be32(png, at + 8 + length)) << name << ": CRC of " << type;
    if (type == "IHDR") {
      header = Be32(png, at + 8) == uint32_t(n) && Be32(png, at + 12) == uint32_t(n) &&
               png.compare(at + 16, 5, std::string("\x08\x06\x00\x00\x00", 5)) == 0;
    } else if (type == "IDAT") {
      idat += png.substr(at + 8, length);
    }
    at += 12 + length;
  }
  if (!header) {
    ADD_FAILURE() << name << ": PNG is not " << n << " px 8-bit RGBA";
    return {};
  }
  const size_t stride = size_t(n) * 4;
  std::vector<uint8_t> raw((stride + 1) * n);
  uLongf size = uLongf(raw.size());
  if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(idat.data()), uLong(idat.size())) != Z_OK ||
      size != raw.size()) {
    ADD_FAILURE() << name << ": PNG data does not inflate to " << n << " rows";
    return {};
  }
  std::vector<uint8_t> rgba(stride * n);
  for (int y = 0; y < n; ++y) {
    const uint8_t type = raw[y * (stride + 1)];
    const uint8_t* in = &raw[y * (stride + 1) + 1];
    uint8_t* out = &rgba[y * stride];
    const uint8_t* up = y > 0 ? out - stride : nullptr;
    for (size_t i = 0; i < stride; ++i) {
      const int a = i >= 4 ? out[i - 4] : 0, b = up ? up[i] : 0, c = up && i >= 4 ? up[i - 4] : 0;
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      const int predicted = type == 0 ? 0 : type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : paeth;
      out[i] = uint8_t(in[i] + predicted);
    }
    if (type > 4) {
      ADD_FAILURE() << name << ": row " << y << " has filter " << int(type);
      return {};
    }
  }
  return rgba;
}

struct Image {
  int size = 0;
  bool png = false;
  std::vector<uint8_t> rgba;  // top-down, straight alpha
};

// Parses an .ico file, checking every size and offset against the file, and
// decodes its bitmap entries. Failures are reported through gtest.
std::map<int, Image> ReadIco(const std::string& name) {
  std::ifstream in(kIcons / (name + ".ico"), std::ios::binary);
  const std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::map<int, Image> images;
  if (b.size() < 6 || Le16(b, 0) != 0 || Le16(b, 2) != 1) {
    ADD_FAILURE() << name << ": not an icon file";
    return images;
  }
  const size_t count = Le16(b, 4);
  if (count == 0 || 6 + 16 * count > b.size()) {
    ADD_FAILURE() << name << ": bad entry count " << count;
    return images;
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    Image img;
    img.size = uint8_t(b[e]) == 0 ? 256 : uint8_t(b[e]);
    const size_t bytes = Le32(b, e + 8), offset = Le32(b, e + 12);
    EXPECT_EQ(uint8_t(b[e]), uint8_t(b[e + 1])) << name << ": entry " << i << " is not square";
    EXPECT_EQ(Le16(b, e + 6), 32u) << name << ": entry " << i;
    if (offset < 6 + 16 * count || offset > b.size() || bytes > b.size() - offset) {
      ADD_FAILURE() << name << ": entry " << i << " lies outside the file";
      continue;
    }
    if (b.compare(offset, 8, "\x89PNG\r\n\x1a\n") == 0) {
      img.png = true;
      img.rgba = DecodePng(b.substr(offset, bytes), img.size, name);
      images[img.size] = img;
      continue;
    }
    const int n = img.size;
    const size_t maskStride = size_t((n + 31) / 32) * 4;
    const size_t need = 40 + size_t(n) * n * 4 + maskStride * n;
    if (bytes < need || Le32(b, offset) != 40 || Le32(b, offset + 4) != uint32_t(n) ||
        Le32(b, offset + 8) != uint32_t(2 * n) || Le16(b, offset + 14) != 32 || Le32(b, offset + 16) != 0) {
      ADD_FAILURE() << name << ": " << n << " px entry is not a 32-bit bitmap of its size";
      continue;
    }
    img.rgba.resize(size_t(n) * n * 4);
    const size_t colour = offset + 40, mask = colour + size_t(n) * n * 4;
    for (int y = 0; y < n; ++y) {
      const int row = n - 1 - y;  // stored bottom-up
      for (int x = 0; x < n; ++x) {
        const size_t s = colour + (size_t(row) * n + x) * 4;
        uint8_t* d = &img.rgba[(size_t(y) * n + x) * 4];
        d[0] = uint8_t(b[s + 2]);
        d[1] = uint8_t(b[s + 1]);
        d[2] = uint8_t(b[s]);
        d[3] = uint8_t(b[s + 3]);
        // Where alpha is ignored the AND mask decides: it must hide exactly
        // the fully transparent pixels.
        const bool masked = uint8_t(b[mask + size_t(row) * maskStride + size_t(x / 8)]) & (0x80 >> (x % 8));
        EXPECT_EQ(masked, d[3] == 0) << name << " " << n << " px, pixel " << x << "," << y;
      }
    }
    images[n] = img;
  }
  return images;
}

// Mean absolute RGB difference of two same-size images, each laid over mid
// grey, over the pixels that are at least half opaque in either.
double MeanDifference(const Image& a, const Image& b) {
  double sum = 0;
  int pixels = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4) {
    if (a.rgba[i + 3] < 128 && b.rgba[i + 3] < 128) continue;
    ++pixels;
    for (size_t c = 0; c < 3; ++c) {
      auto over = [&](const Image& m) { return (m.rgba[i + c] * m.rgba[i + 3] + 128.0 * (255 - m.rgba[i + 3])) / 255; };
      sum += std::abs(over(a) - over(b)) / 3;
    }
  }
  return pixels ? sum / pixels : 0;
}

int CountPixels(const Image& img, bool (*test)(const uint8_t*)) {
  int n = 0;
  for (size_t i = 0; i < img.rgba.size(); i += 4) n += test(&img.rgba[i]) ? 1 : 0;
  return n;
}

TEST(Icons, EveryIconHasItsSmallSizesAsAlphaBitmaps) {
  for (const auto& name : kResourceIcons) {
    SCOPED_TRACE(name);
    const auto images = ReadIco(name);
    for (int size : {16, 20, 24, 32}) {
      ASSERT_TRUE(images.count(size)) << size << " px missing";
      EXPECT_FALSE(images.at(size).png) << size << " px should be a bitmap for old loaders";
    }
    const Image& small = images.at(16);
    EXPECT_GT(CountPixels(small, [](const uint8_t* p) { return p[3] == 0; }), 0) << "no transparent corner";
    EXPECT_GT(CountPixels(small, [](const uint8_t* p) { return p[3] == 255; }), 8) << "nothing solid drawn";
  }
}

TEST(Icons, ProgramIconAlsoHasLargeSizes) {
  const auto images = ReadIco("Brisolt");
  ASSERT_TRUE(images.count(48));
  EXPECT_FALSE(images.at(48).png);
  ASSERT_TRUE(images.count(256));
  EXPECT_TRUE(images.at(256).png);
  // The 256 px picture, shrunk 8:1, is the same design as the 32 px one.
  const Image& large = images.at(256);
  ASSERT_EQ(large.rgba.size(), 256u * 256 * 4);
  Image shrunk{32, false, std::vector<uint8_t>(32 * 32 * 4)};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      double sum[4] = {};
      for (int v = 0; v < 8; ++v) {
        for (int u = 0; u < 8; ++u) {
          const uint8_t* p = &large.rgba[((size_t(y) * 8 + v) * 256 + size_t(x) * 8 + u) * 4];
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * p[3];
          sum[3] += p[3];
        }
      }
      uint8_t* d = &shrunk.rgba[(size_t(y) * 32 + x) * 4];
      for (int c = 0; c < 3; ++c) d[c] = uint8_t(sum[3] > 0 ? sum[c] / sum[3] + 0.5 : 0);
      d[3] = uint8_t(sum[3] / 64 + 0.5);
    }
  }
  EXPECT_LT(MeanDifference(shrunk, images.at(32)), 20.0);
}

TEST(Icons, TrayPicturesDifferAtSixteenPixels) {
  std::vector<Image> tray;
  for (const auto& name : kTrayIcons) tray.push_back(ReadIco(name).at(16));
  for (size_t i = 0; i < tray.size(); ++i) {
    for (size_t j = i + 1; j < tray.size(); ++j) {
      EXPECT_GT(MeanDifference(tray[i], tray[j]), 40.0) << kTrayIcons[i] << " vs " << kTrayIcons[j];
    }
  }
}

TEST(Icons, SoundOffIsMarkedRedAndSoundOnIsNot) {
  auto red = [](const uint8_t* p) { return p[3] > 200 && p[0] > 180 && p[1] < 90 && p[2] < 90; };
  EXPECT_GE(CountPixels(ReadIco("zMainDisableXP").at(16), red), 6);
  EXPECT_GE(CountPixels(ReadIco("zSoundsDisableXP").at(16), red), 6);
  EXPECT_EQ(CountPixels(ReadIco("zMainEnableXP").at(16), red), 0);
  EXPECT_EQ(CountPixels(ReadIco("zSoundsEnableXP").at(16), red), 0);
}

TEST(Icons, OnBallIsGreenOffBallIsGrey) {
  auto green = [](const uint8_t* p) { return p[3] > 200 && p[1] > p[0] + 40 && p[1] > p[2] + 40; };
  auto tinted = [](const uint8_t* p) { return p[3] > 200 && std::abs(p[0] - p[1]) + std::abs(p[1] - p[2]) > 40; };
  const Image on = ReadIco("zBallEnableXP").at(16), off = ReadIco("zBallDisableXP").at(16);
  EXPECT_GT(CountPixels(on, green), 60);
  EXPECT_EQ(CountPixels(off, tinted), 0);
}

TEST(Icons, LogoIsAnUncompressedBitmap) {
  std::ifstream in(kIcons / "logo.bmp", std::ios::binary);
  const std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GE(b.size(), 54u);
  ASSERT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(Le32(b, 2), b.size());
  const uint32_t w = Le32(b, 18), h = Le32(b, 22), bits = Le16(b, 28);
  // The about box shows it 1:1 at 96 dpi in a 301 x 58 picture.
  EXPECT_EQ(w, 301u);
  EXPECT_EQ(h, 58u);
  EXPECT_EQ(bits, 24u);
  EXPECT_EQ(Le32(b, 30), 0u);  // BI_RGB
  EXPECT_EQ(Le32(b, 10) + (w * bits / 8 + 3) / 4 * 4 * h, b.size());
}

}  // namespace

// Zip files of sound packs: ours read back, python3's zipfile as the
// independent reader and writer, and hostile archives built here byte by byte.

#include "packs/zip_archive.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "packs/safe_path.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zip_archive_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  fs::path operator/(const std::string& name) const { return path_ / fs::u8path(name); }
  // Runs a python3 script in this folder: "" when it succeeds, else what it printed.
  std::string Python(const std::string& script) const {
    std::ofstream(path_ / "script.py") << "import zipfile, io\n" << script;
    const std::string command = "cd '" + path_.string() + "' && python3 script.py > python.log 2>&1";
    if (std::system(command.c_str()) == 0) return "";
    std::ifstream log(path_ / "python.log");
    return "python3 failed: " + std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
  }

 private:
  fs::path path_;
};

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}
Bytes Text(const std::string& text, int times = 1) {
  Bytes bytes;
  for (int i = 0; i < times; ++i) bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}
Bytes Noise(size_t size) {
  Bytes bytes(size);
  uint32_t state = 12345;
  for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  return bytes;
}
uint32_t Crc(const Bytes& bytes) {
  return static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}
void Put(Bytes& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void Patch(Bytes& bytes, size_t at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
size_t FindSignature(const Bytes& bytes, uint32_t signature, size_t from = 0) {
  for (size_t i = from; i + 4 <= bytes.size(); ++i) {
    if ((bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | uint32_t{bytes[i + 3]} << 24) == signature) return i;
  }
  return std::string::npos;
}
constexpr uint32_t kCentral = 0x02014B50;

// An archive laid out by hand, so that any field can lie.
struct RawEntry {
  RawEntry(std::string name = "", Bytes data = {}, uint16_t method = 0, std::optional<uint64_t> size = {},
           std::optional<uint32_t> crc = {})
      : name(std::move(name)), data(std::move(data)), method(method), size(size), crc(crc) {}
  std::string name;
  Bytes data;  // what follows the local header
  uint16_t method = 0;
  std::optional<uint64_t> size;  // declared; the data's size unless given
  std::optional<uint32_t> crc;
  uint16_t flags = 0x0800;
  uint16_t madeBy = 20;
  uint32_t attributes = 0;
  Bytes extra;  // of the central record
};

Bytes BuildZip(const std::vector<RawEntry>& entries) {
  Bytes zip, directory;
  for (const RawEntry& e : entries) {
    const uint64_t size = e.size.value_or(e.data.size());
    const uint32_t crc = e.crc.value_or(Crc(e.data));
    const size_t offset = zip.size();
    for (Bytes* out : {&zip, &directory}) {
      const bool central = out == &directory;
      Put(*out, central ? kCentral : 0x04034B50, 4);
      if (central) Put(*out, e.madeBy, 2);
      Put(*out, 20, 2), Put(*out, e.flags, 2), Put(*out, e.method, 2), Put(*out, 0, 2), Put(*out, 0x21, 2);
      Put(*out, crc, 4), Put(*out, e.data.size(), 4), Put(*out, size, 4), Put(*out, e.name.size(), 2);
      Put(*out, central ? e.extra.size() : 0, 2);
      if (central) Put(*out, 0, 6), Put(*out, e.attributes, 4), Put(*out, offset, 4);
      out->insert(out->end(), e.name.begin(), e.name.end());
      if (central) out->insert(out->end(), e.extra.begin(), e.extra.end());
      if (!central) out->insert(out->end(), e.data.begin(), e.data.end());
    }
  }
  const size_t directoryOffset = zip.size();
  zip.insert(zip.end(), directory.begin(), directory.end());
  Put(zip, 0x06054B50, 4), Put(zip, 0, 4), Put(zip, entries.size(), 2), Put(zip, entries.size(), 2);
  Put(zip, directory.size(), 4), Put(zip, directoryOffset, 4), Put(zip, 0, 2);
  return zip;
}

ZipResult Open(const Bytes& zip, ZipReader& reader) { return ZipReader::Open(zip.data(), zip.size(), reader); }
ZipError OpenError(const Bytes& zip) {
  ZipReader reader;
  return Open(zip, reader).error;
}

// Raw deflate of `mebibytes` MiB of zeros at 1030:1, without ever holding them:
// after a full flush deflate starts afresh, so one flushed MiB can be repeated.
Bytes ZeroStream(size_t mebibytes) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  Bytes zeros(size_t{1} << 20), out(size_t{1} << 16);
  const auto run = [&](size_t inputSize, int flush) {
    s.next_in = zeros.data(), s.avail_in = static_cast<uInt>(inputSize);
    s.next_out = out.data(), s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, flush);
    return Bytes(out.begin(), out.end() - s.avail_out);
  };
  Bytes stream = run(zeros.size(), Z_FULL_FLUSH);
  const Bytes unit = run(zeros.size(), Z_FULL_FLUSH);
  for (size_t i = 1; i < mebibytes; ++i) stream.insert(stream.end(), unit.begin(), unit.end());
  const Bytes tail = run(0, Z_FINISH);
  stream.insert(stream.end(), tail.begin(), tail.end());
  deflateEnd(&s);
  return stream;
}

struct PackFile {
  std::string name;
  Bytes bytes;
  bool folder = false;
};
// What every archive of the read and write tests holds, in this order.
const std::vector<PackFile> kPack = {
    {"config.json", Text("{\"name\": \"press\", \"sound\": \"caps lock.wav\"}\n", 60)},
    {"sounds", {}, true},
    {"sounds/caps lock.wav", Noise(3000)},
    {"sounds/empty.wav", {}},
    {"d\xC3\xA9j\xC3\xA0 vu/\xC3\x9F.wav", Noise(100)},  // "déjà vu/ß.wav"
};

void ExpectPack(const Bytes& zip, const std::string& what) {
  ZipReader reader;
  const ZipResult result = Open(zip, reader);
  ASSERT_TRUE(result.Ok()) << what << ": " << result.message;
  ASSERT_EQ(reader.Entries().size(), kPack.size()) << what;
  for (size_t i = 0; i < kPack.size(); ++i) {
    const ZipEntry& entry = reader.Entries()[i];
    EXPECT_EQ(entry.name, kPack[i].name) << what;
    EXPECT_EQ(entry.folder, kPack[i].folder) << what << " " << entry.name;
    Bytes bytes{1, 2, 3};
    EXPECT_TRUE(reader.Extract(entry, bytes).Ok()) << what << " " << entry.name;
    EXPECT_EQ(bytes, kPack[i].bytes) << what << " " << entry.name;
  }
}

Bytes OurPack() {
  ZipWriter writer;
  for (const PackFile& file : kPack) {
    EXPECT_TRUE((file.folder ? writer.AddFolder(file.name + "/") : writer.AddFile(file.name, file.bytes)).Ok());
  }
  return writer.Finish();
}

}  // namespace

TEST(ZipArchive, WhatWeWriteReadsBackDeflatedOnlyWhereItHelps) {
  const Bytes zip = OurPack();
  ExpectPack(zip, "ours");
  EXPECT_EQ(OurPack(), zip) << "the same files must give the same bytes";
  ZipReader reader;
  ASSERT_TRUE(Open(zip, reader).Ok());
  EXPECT_EQ(reader.Entries()[0].method, 8);  // text shrinks
  EXPECT_EQ(reader.Entries()[2].method, 0);  // noise would grow
  EXPECT_LT(reader.Entries()[0].compressedSize * 10, reader.Entries()[0].size);
}

TEST(ZipArchive, PythonReadsWhatWeWrite) {
  TempDir dir;
  WriteFile(dir / "ours.zip", OurPack());
  ASSERT_EQ(dir.Python(R"(
z = zipfile.ZipFile('ours.zip')
assert z.testzip() is None
with open('listing.txt', 'w', encoding='utf-8') as out:
    for i, info in enumerate(z.infolist()):
        out.write('%s|%d|%s|%x\n' % (info.filename, info.file_size, info.date_time, info.flag_bits))
        open('content%d' % i, 'wb').write(z.read(info))
)"), "");
  std::string expected;
  for (size_t i = 0; i < kPack.size(); ++i) {
    const PackFile& file = kPack[i];
    expected += file.name + (file.folder ? "/" : "") + "|" + std::to_string(file.bytes.size()) +
                "|(1980, 1, 1, 0, 0, 0)|800\n";
    EXPECT_EQ(ReadFile(dir / ("content" + std::to_string(i))), file.bytes) << file.name;
  }
  const Bytes listing = ReadFile(dir / "listing.txt");
  EXPECT_EQ(std::string(listing.begin(), listing.end()), expected);
}

// Every way python3 writes a zip: a comment after the directory, data
// descriptors (an unseekable output), ZIP64 local headers, ZIP64 throughout,
// names in code page 437 and UTF-8 names without the flag (as Info-ZIP does).
TEST(ZipArchive, ReadsEveryKindOfZipPythonWrites) {
  TempDir dir;
  for (size_t i = 0; i < kPack.size(); ++i) WriteFile(dir / ("in" + std::to_string(i)), kPack[i].bytes);
  ASSERT_EQ(dir.Python(R"(
pack = [('config.json', 8), ('sounds/', 0), ('sounds/caps lock.wav', 0), ('sounds/empty.wav', 8),
        ('déjà vu/ß.wav', 8)]
class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
def make(name, zip64=False, stream=False):
    with open(name, 'wb') as f, zipfile.ZipFile(Unseekable(f) if stream else f, 'w') as z:
        z.comment = b'a comment'
        for i, (arcname, method) in enumerate(pack):
            data = open('in%d' % i, 'rb').read()
            info = zipfile.ZipInfo(arcname, (2020, 5, 17, 12, 0, 0))
            info.compress_type = method
            with z.open(info, 'w', force_zip64=zip64) as out: out.write(data)
make('plain.zip')
make('descriptor.zip', stream=True)
make('zip64local.zip', zip64=True)
limits = zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT
zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = 1, 1
make('zip64all.zip', zip64=True)
zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = limits
zipfile.ZipInfo._encodeFilenameFlags = lambda info: (info.filename.encode('cp437'), info.flag_bits)
make('cp437.zip')
zipfile.ZipInfo._encodeFilenameFlags = lambda info: (info.filename.encode('utf-8'), info.flag_bits)
make('utf8bare.zip')
)"), "");
  for (const char* name :
       {"plain.zip", "descriptor.zip", "zip64local.zip", "zip64all.zip", "cp437.zip", "utf8bare.zip"}) {
    ExpectPack(ReadFile(dir / name), name);
  }
  // An archive too big for the end record leaves only ZIP64's counts true.
  Bytes zip64 = ReadFile(dir / "zip64all.zip");
  const size_t end = FindSignature(zip64, 0x06054B50);
  Patch(zip64, end + 8, 0xFFFFFFFF, 4), Patch(zip64, end + 12, 0xFFFFFFFF'FFFFFFFF, 8);
  ExpectPack(zip64, "zip64 with a full end record");
  // Each variant is what it claims to be.
  EXPECT_TRUE(ReadFile(dir / "descriptor.zip")[6] & 0x08);
  EXPECT_EQ(ReadFile(dir / "zip64local.zip")[18], 0xFF);
  EXPECT_NE(FindSignature(ReadFile(dir / "zip64all.zip"), 0x06064B50), std::string::npos);
  const Bytes cp437 = ReadFile(dir / "cp437.zip");
  EXPECT_NE(std::string(cp437.begin(), cp437.end()).find("d\x82j\x85 vu/\xE1.wav"), std::string::npos);
}

TEST(ZipArchive, RefusesEntriesThatLeaveTheFolderOrThatWindowsCannotHold) {
  for (const char* name :
       {"../x", "/abs", "\\abs", "C:x", "a/CON.wav", "aux", "x:stream", "a/b.wav:hidden", "a\\..\\..\\x", "a/./b"}) {
    ZipReader reader;
    const ZipResult result = Open(BuildZip({{"ok.wav", Text("a")}, {name, Text("b")}}), reader);
    EXPECT_EQ(result.error, ZipError::kUnsafeName) << name;
    EXPECT_NE(result.message.find(NormalizePackPath(name)), std::string::npos) << result.message;
    EXPECT_TRUE(reader.Entries().empty());
  }
  ZipReader reader;
  EXPECT_EQ(Open(BuildZip({{"../evil.wav", {}}}), reader).message, "\"../evil.wav\" would leave the pack's folder");
  ZipWriter writer;
  EXPECT_EQ(writer.AddFile("../evil.wav", Text("x")).error, ZipError::kUnsafeName);
  EXPECT_EQ(writer.AddFolder("CON").error, ZipError::kUnsafeName);
}

TEST(ZipArchive, RefusesTwoFilesOfOneNameInAnyCase) {
  EXPECT_EQ(OpenError(BuildZip({{"a.wav", {}}, {"A.WAV", {}}})), ZipError::kDuplicateName);
  EXPECT_EQ(OpenError(BuildZip({{"a", {}}, {"a/b.wav", {}}})), ZipError::kDuplicateName);
  EXPECT_EQ(OpenError(BuildZip({{"a/", {}}, {"a/", {}}, {"a/b.wav", {}}})), ZipError::kNone);
  ZipWriter writer;
  ASSERT_TRUE(writer.AddFile("press.wav", Text("x")).Ok());
  EXPECT_EQ(writer.AddFile("Press.WAV", Text("y")).error, ZipError::kDuplicateName);
}

TEST(ZipArchive, RefusesMoreFilesOrBytesThanThePackLimits) {
  std::vector<RawEntry> many(kMaxZipEntries);
  for (size_t i = 0; i < many.size(); ++i) many[i].name = std::to_string(i) + ".wav";
  EXPECT_EQ(OpenError(BuildZip(many)), ZipError::kNone);
  many.push_back({"last.wav"});
  ZipReader reader;
  EXPECT_EQ(Open(BuildZip(many), reader).message, "the zip file holds more than 2000 files");
  ZipWriter writer;
  for (size_t i = 0; i < kMaxZipEntries; ++i) ASSERT_TRUE(writer.AddFile(std::to_string(i), {}).Ok());
  EXPECT_EQ(writer.AddFile("one more", {}).error, ZipError::kTooManyEntries);
  uint8_t byte = 0;
  EXPECT_EQ(ZipWriter().AddFile("huge.wav", &byte, kMaxZipEntryBytes + 1).error, ZipError::kTooLarge);

  // Declared sizes alone are judged: nothing here is ever unpacked. The
  // packed sizes keep the ratio believable.
  const Bytes packed(kMaxZipEntryBytes / kMaxZipRatio + 1);
  const auto sized = [&](std::vector<uint64_t> sizes) {
    std::vector<RawEntry> entries;
    for (uint64_t size : sizes) entries.push_back({"f" + std::to_string(entries.size()), packed, 8, size});
    return BuildZip(entries);
  };
  EXPECT_EQ(OpenError(sized({kMaxZipEntryBytes, kMaxZipEntryBytes, 0})), ZipError::kNone);
  EXPECT_EQ(OpenError(sized({kMaxZipEntryBytes, kMaxZipEntryBytes, 1})), ZipError::kTooLarge);
  EXPECT_EQ(OpenError(sized({kMaxZipEntryBytes + 1})), ZipError::kTooLarge);
}

TEST(ZipArchive, RefusesBombsBeforeUnpackingAByte) {
  const Bytes small(1000);
  EXPECT_EQ(OpenError(BuildZip({{"f", small, 8, 1000 * kMaxZipRatio + kZipRatioAllowance}})), ZipError::kNone);
  EXPECT_EQ(OpenError(BuildZip({{"f", small, 8, 1000 * kMaxZipRatio + kZipRatioAllowance + 1}})), ZipError::kBomb);
  // Real streams of zeros: 1 GiB in 1 MB, and 99 MiB, whose ratio no sound reaches.
  EXPECT_EQ(OpenError(BuildZip({{"f", ZeroStream(1024), 8, uint64_t{1} << 30}})), ZipError::kTooLarge);
  EXPECT_EQ(OpenError(BuildZip({{"f", ZeroStream(99), 8, uint64_t{99} << 20}})), ZipError::kBomb);
  // The stream is sound: 3 MiB of it unpack as they should.
  ZipReader reader;
  const Bytes zeros(size_t{3} << 20);
  const Bytes zip = BuildZip({{"f", ZeroStream(3), 8, zeros.size(), Crc(zeros)}});
  ASSERT_TRUE(Open(zip, reader).Ok());
  Bytes bytes;
  EXPECT_TRUE(reader.Extract(reader.Entries()[0], bytes).Ok());
  EXPECT_EQ(bytes, zeros);
}

// The output buffer never grows past the declared size (under ASan a write
// beyond it would be caught), and a lie either way is an error.
TEST(ZipArchive, ChecksUnpackedDataAgainstItsHeader) {
  const Bytes data = Text("click clack ", 500);
  ZipWriter writer;
  ASSERT_TRUE(writer.AddFile("key.wav", data).Ok());
  const Bytes ours = writer.Finish();
  const Bytes packed(ours.begin() + 37, ours.end() - 22 - 53);  // after the local header, up to the directory
  const auto extract = [&](uint64_t size, uint32_t crc, Bytes stream) {
    ZipReader reader;
    const Bytes zip = BuildZip({{"key.wav", stream, 8, size, crc}});
    EXPECT_TRUE(Open(zip, reader).Ok());
    Bytes bytes;
    const ZipResult result = reader.Extract(reader.Entries().at(0), bytes);
    EXPECT_EQ(bytes.size(), result.Ok() ? data.size() : 0u);
    return result.error;
  };
  EXPECT_EQ(extract(data.size(), Crc(data), packed), ZipError::kNone);
  EXPECT_EQ(extract(data.size() - 1, Crc(data), packed), ZipError::kBomb);
  EXPECT_EQ(extract(1000, Crc(data), ZeroStream(1)), ZipError::kBomb);
  EXPECT_EQ(extract(data.size() + 1, Crc(data), packed), ZipError::kDamaged);
  EXPECT_EQ(extract(data.size(), Crc(data) ^ 1, packed), ZipError::kDamaged);
  EXPECT_EQ(extract(data.size(), Crc(data), Bytes(packed.begin(), packed.end() - 1)), ZipError::kDamaged);
  ZipReader reader;
  const Bytes stored = BuildZip({{"stored.wav", data, 0, std::nullopt, Crc(data) + 1}});
  ASSERT_TRUE(Open(stored, reader).Ok());
  Bytes bytes;
  EXPECT_EQ(reader.Extract(reader.Entries()[0], bytes).error, ZipError::kDamaged);
}

TEST(ZipArchive, RefusesEncryptedUnknownMethodsLinksAndSplitArchives) {
  ZipReader reader;
  RawEntry secret("secret.wav", Text("x")), link("link", Text("/etc"));
  secret.flags |= 0x0001;
  link.madeBy = 0x031E, link.attributes = 0120777u << 16;  // Unix, a symbolic link
  const ZipResult encrypted = Open(BuildZip({secret}), reader);
  EXPECT_EQ(encrypted.error, ZipError::kEncrypted);
  EXPECT_NE(encrypted.message.find("\"secret.wav\""), std::string::npos);
  EXPECT_EQ(OpenError(BuildZip({{"aes.wav", Text("x"), 99}})), ZipError::kEncrypted);
  const ZipResult lzma = Open(BuildZip({{"a.wav", Text("x"), 14}}), reader);
  EXPECT_EQ(lzma.error, ZipError::kUnsupported);
  EXPECT_NE(lzma.message.find("LZMA"), std::string::npos);
  EXPECT_EQ(OpenError(BuildZip({link})), ZipError::kUnsupported);
  Bytes split = BuildZip({{"a.wav", Text("x")}});
  Patch(split, split.size() - 22 + 4, 1, 2);
  EXPECT_EQ(OpenError(split), ZipError::kUnsupported);
}

TEST(ZipArchive, RefusesDirectoriesThatPointAstray) {
  const Bytes good = BuildZip({{"a.wav", Text("aaaa")}, {"b.wav", Text("bbbb")}});
  const size_t end = good.size() - 22, second = FindSignature(good, kCentral, FindSignature(good, kCentral) + 1);
  const auto damaged = [&](size_t at, uint64_t value, int width) {
    Bytes zip = good;
    Patch(zip, at, value, width);
    return OpenError(zip);
  };
  EXPECT_EQ(damaged(end + 16, good.size() + 100, 4), ZipError::kDamaged);  // directory beyond the end
  EXPECT_EQ(damaged(end + 12, good.size(), 4), ZipError::kDamaged);        // directory too long
  EXPECT_EQ(damaged(end + 8, 0x30003, 4), ZipError::kDamaged);             // more entries than there are
  EXPECT_EQ(damaged(8, 8, 2), ZipError::kDamaged);                         // local method differs
  EXPECT_EQ(damaged(26, 6, 2), ZipError::kDamaged);                        // local name length differs
  EXPECT_EQ(damaged(second + 42, 0, 4), ZipError::kDamaged);               // both entries share one header
  EXPECT_EQ(damaged(second + 42, 7, 4), ZipError::kDamaged);               // no header there
  Bytes intoDirectory = good;  // "bbbb" declared 40 bytes long, in both headers
  for (size_t at : {size_t{39 + 18}, size_t{39 + 22}, second + 20, second + 24}) Patch(intoDirectory, at, 40, 4);
  EXPECT_EQ(OpenError(intoDirectory), ZipError::kDamaged);
  EXPECT_EQ(OpenError(BuildZip({{"sounds/", Text("a folder has no bytes")}})), ZipError::kDamaged);
  EXPECT_EQ(OpenError(Text("not a zip at all, though longer than an end record")), ZipError::kNotZip);
  EXPECT_EQ(OpenError({}), ZipError::kNotZip);
}

// Cut at every length, or with any byte changed, a zip is refused or read
// within its promises; never read outside (each piece is a buffer of its own
// size, so ASan sees any overread).
TEST(ZipArchive, DamagedCopiesFailCleanly) {
  const Bytes zip = OurPack();
  for (size_t cut = 0; cut < zip.size(); ++cut) {
    const Bytes piece(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_NE(OpenError(piece), ZipError::kNone) << cut;
  }
  for (size_t at = 0; at < zip.size(); ++at) {
    Bytes changed = zip;
    changed[at] ^= 0x5A;
    ZipReader reader;
    if (!Open(changed, reader).Ok()) continue;
    for (const ZipEntry& entry : reader.Entries()) {
      Bytes bytes;
      if (reader.Extract(entry, bytes).Ok()) {
        EXPECT_EQ(bytes.size(), entry.size) << at;
      }
    }
  }
}

TEST(ZipArchive, TakesTheUnicodePathFieldOnlyForItsOwnName) {
  // "été.wav" as a Windows tool in code page 1252 writes it; in CP437 it reads "ΘtΘ.wav".
  const std::string utf8 = "\xC3\xA9t\xC3\xA9.wav", legacy = "\xE9t\xE9.wav";
  const auto field = [&](uint32_t nameCrc) {
    Bytes extra;
    Put(extra, 0x7075, 2), Put(extra, 5 + utf8.size(), 2), Put(extra, 1, 1), Put(extra, nameCrc, 4);
    extra.insert(extra.end(), utf8.begin(), utf8.end());
    return extra;
  };
  const uint32_t legacyCrc = Crc(Text(legacy));
  for (uint32_t nameCrc : {legacyCrc, legacyCrc ^ 1}) {
    ZipReader reader;
    RawEntry entry{legacy, Text("x")};
    entry.flags = 0, entry.extra = field(nameCrc);
    ASSERT_TRUE(Open(BuildZip({entry}), reader).Ok());
    EXPECT_EQ(reader.Entries()[0].name, nameCrc == legacyCrc ? utf8 : "\xCE\x98t\xCE\x98.wav");
  }
}

TEST(SafePath, AcceptsOrdinaryNames) {
  for (const char* path : {"caps lock.wav", "[.wav", "press/ENTER.mp3", "config.json", ".hidden", "COM10.wav",
                           "console.wav", "nul_.wav", "a b/c d/e.ogg", "d\xC3\xA9j\xC3\xA0/\xE2\x98\xBA.wav"}) {
    EXPECT_EQ(FindPathFault(path), PathFault::kNone) << path;
  }
  std::string deep = "a";
  for (size_t i = 1; i < kMaxPackPathParts; ++i) deep += "/a";
  EXPECT_TRUE(IsSafeRelativePath(deep));
  EXPECT_EQ(FindPathFault(deep + "/a"), PathFault::kTooDeep);
  const std::string name(kMaxPackNameUnits, 'n');
  EXPECT_TRUE(IsSafeRelativePath(name + "/" + std::string(kMaxPackPathBytes - name.size() - 1, 'm')));
  EXPECT_EQ(FindPathFault(name + "/" + std::string(kMaxPackPathBytes - name.size(), 'm')), PathFault::kTooLong);
  EXPECT_EQ(FindPathFault(name + "n"), PathFault::kTooLong);
}

TEST(SafePath, RefusesWhatWouldLeaveTheFolderOrChangeOnWindows) {
  const std::vector<std::pair<const char*, PathFault>> cases = {
      {"", PathFault::kEmpty}, {"../x", PathFault::kLeavesFolder}, {"a/../../x", PathFault::kLeavesFolder},
      {"a\\..\\x", PathFault::kLeavesFolder}, {"/abs", PathFault::kLeavesFolder}, {"\\abs", PathFault::kLeavesFolder},
      {"C:x", PathFault::kLeavesFolder}, {"c:/x", PathFault::kLeavesFolder}, {"x:stream", PathFault::kLeavesFolder},
      {"a//b", PathFault::kNotPlain},
      {"a/", PathFault::kNotPlain}, {"./a", PathFault::kNotPlain}, {"a/./b", PathFault::kNotPlain},
      {"a.", PathFault::kNotPlain}, {"dir /a", PathFault::kNotPlain}, {"...", PathFault::kNotPlain},
      {"a/CON.wav", PathFault::kDeviceName}, {"aux", PathFault::kDeviceName}, {"Nul .txt", PathFault::kDeviceName},
      {"com1.tar.gz", PathFault::kDeviceName}, {"LPT9", PathFault::kDeviceName}, {"conin$", PathFault::kDeviceName},
      {"CONOUT$.x", PathFault::kDeviceName}, {"COM\xC2\xB9.wav", PathFault::kDeviceName},
      {"ab:stream", PathFault::kForbiddenCharacter}, {"a<b", PathFault::kForbiddenCharacter},
      {"a|b", PathFault::kForbiddenCharacter}, {"a\"b", PathFault::kForbiddenCharacter},
      {"a?*", PathFault::kForbiddenCharacter}, {"a>b", PathFault::kForbiddenCharacter},
      {"tab\t.wav", PathFault::kForbiddenCharacter}, {"\xC3", PathFault::kNotUtf8},
      {"\xC0\xAF..", PathFault::kNotUtf8}, {"\xED\xA0\x80.wav", PathFault::kNotUtf8},
  };
  for (const auto& [path, fault] : cases) EXPECT_EQ(FindPathFault(path), fault) << path;
  EXPECT_EQ(DescribePathFault("a/\nb", PathFault::kForbiddenCharacter).substr(0, 7), "\"a/?b\" ");
}

TEST(SafePath, NormalFormUsesSlashesWithoutLeadingDot) {
  EXPECT_EQ(NormalizePackPath("sounds\\press\\a.wav"), "sounds/press/a.wav");
  EXPECT_EQ(NormalizePackPath("./a.wav"), "a.wav");
  EXPECT_EQ(NormalizePackPath(".\\./a.wav"), "a.wav");
  EXPECT_EQ(NormalizePackPath(".hidden/../x"), ".hidden/../x");
}

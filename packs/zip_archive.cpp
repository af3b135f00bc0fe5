#include "packs/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "packs/safe_path.h"

// Every offset and size read from the archive is 64 bits wide and compared
// with what is left of the buffer (Fits) before it is used; the archives are
// whatever users download, including cut-off and hand-crafted ones.

namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;

constexpr uint64_t kLocalHeaderSize = 30;
constexpr uint64_t kCentralHeaderSize = 46;
constexpr uint64_t kEndSize = 22;
constexpr uint64_t kZip64EndSize = 56;
constexpr uint64_t kZip64LocatorSize = 20;
constexpr uint64_t kMaxCommentSize = 0xFFFF;

constexpr uint16_t kFlagEncrypted = 1 << 0;
constexpr uint16_t kFlagDescriptor = 1 << 3;
constexpr uint16_t kFlagStrongEncryption = 1 << 6;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr uint16_t kFlagMaskedHeaders = 1 << 13;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kMethodAes = 99;

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraUnicodePath = 0x7075;

constexpr uint16_t kMax16 = 0xFFFF;
constexpr uint32_t kMax32 = 0xFFFFFFFF;

// "Version made by" hosts whose external attributes carry a Unix mode.
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kHostMac = 19;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixSymlink = 0120000;

// What the writer puts in every header: version 2.0 (deflate), made on
// MS-DOS (so the attributes are DOS ones), 1980-01-01 00:00.
constexpr uint16_t kVersionDeflate = 20;
constexpr uint16_t kVersionStored = 10;
constexpr uint16_t kDosDate1980 = (0 << 9) | (1 << 5) | 1;
constexpr uint32_t kDosAttributeFolder = 0x10;

// Output grows by doubling from here, so a header that lies about the size
// costs memory in proportion to what really comes out.
constexpr size_t kFirstInflateChunk = size_t{64} << 10;
// zlib counts in uInt, 32 bits even on 64-bit Windows.
constexpr uint64_t kMaxZlibChunk = uint64_t{1} << 30;

// Code page 437, the IBM PC's, for bytes 0x80-0xFF: what a name without the
// UTF-8 flag is written in.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

struct MethodName {
  uint16_t method;
  const char* name;
};
// The methods other archivers offer, so that the message can say which one
// the pack's author picked.
constexpr std::array<MethodName, 7> kMethodNames = {{{9, "Deflate64"},
                                                     {12, "BZIP2"},
                                                     {14, "LZMA"},
                                                     {93, "Zstandard"},
                                                     {95, "XZ"},
                                                     {96, "JPEG"},
                                                     {98, "PPMd"}}};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

// [offset, offset + length) lies inside [0, limit).
bool Fits(uint64_t offset, uint64_t length, uint64_t limit) { return offset <= limit && length <= limit - offset; }

ZipResult Fail(ZipError error, std::string message) { return ZipResult{error, std::move(message)}; }
ZipResult Damaged(const std::string& why) { return Fail(ZipError::kDamaged, "the zip file is damaged (" + why + ")"); }
std::string Quote(std::string_view name) { return QuotedPath(name); }
ZipResult SplitArchive() {
  return Fail(ZipError::kUnsupported, "the zip file is split into several parts; join them into one first");
}
ZipResult OutOfMemory() { return Fail(ZipError::kOutOfMemory, "there is not enough memory to unpack the zip file"); }

std::string Megabytes(uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Cp437ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUtf8(byte < 0x80 ? char32_t{byte} : char32_t{kCp437High[byte - 0x80]}, out);
  }
  return out;
}

// The body of the extra field `id` in a block of extra fields. A block that
// ends in a broken field is read up to it: the fields read here are checked
// again by whoever needs them.
bool FindExtra(const uint8_t* block, size_t size, uint16_t id, const uint8_t*& body, size_t& bodySize) {
  size_t pos = 0;
  while (size - pos >= 4) {
    const uint16_t fieldId = Le16(block + pos);
    const size_t fieldSize = Le16(block + pos + 2);
    if (fieldSize > size - pos - 4) return false;
    if (fieldId == id) {
      body = block + pos + 4;
      bodySize = fieldSize;
      return true;
    }
    pos += 4 + fieldSize;
  }
  return false;
}

// The ZIP64 extra field holds, in order, a 64-bit value for each header field
// that is at its maximum, so they are taken one by one.
class Zip64Values {
 public:
  Zip64Values(const uint8_t* body, size_t size) : body_(body), size_(size) {}
  bool Take(uint64_t& value, size_t width) {
    if (size_ - pos_ < width) return false;
    value = width == 8 ? Le64(body_ + pos_) : Le32(body_ + pos_);
    pos_ += width;
    return true;
  }

 private:
  const uint8_t* body_;
  size_t size_;
  size_t pos_ = 0;
};

// The name of an entry in UTF-8. Without the UTF-8 flag a name is in code
// page 437, with two exceptions: an Info-ZIP Unicode path field that carries
// the UTF-8 form of this very name (its CRC-32 proves it is not stale), and a
// name that is valid UTF-8 beyond ASCII, as Info-ZIP's zip and macOS write
// without the flag. A real code page 437 name is next to never valid UTF-8:
// its accented letters are single bytes of 0x80 and above, which UTF-8 only
// allows after a lead byte, and the lead bytes are box-drawing characters.
std::string EntryName(std::string_view raw, uint16_t flags, const uint8_t* extra, size_t extraSize) {
  if (flags & kFlagUtf8) return std::string(raw);
  const uint8_t* body = nullptr;
  size_t bodySize = 0;
  if (FindExtra(extra, extraSize, kExtraUnicodePath, body, bodySize) && bodySize > 5 && body[0] == 1) {
    const uint32_t nameCrc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size())));
    if (Le32(body + 1) == nameCrc) return std::string(reinterpret_cast<const char*>(body + 5), bodySize - 5);
  }
  const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii && IsValidUtf8(raw)) return std::string(raw);
  return Cp437ToUtf8(raw);
}

std::string MethodText(uint16_t method) {
  for (const MethodName& known : kMethodNames) {
    if (known.method == method) return std::string(known.name) + " (method " + std::to_string(method) + ")";
  }
  return "method " + std::to_string(method);
}

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// Windows compares names without regard to case (only ASCII is folded here),
// so "a.wav" and "A.WAV" are one file, and a file cannot also be a folder.
// Folders may be listed more than once.
ZipResult ClaimName(std::unordered_set<std::string>& files, std::unordered_set<std::string>& folders,
                    const std::string& name, bool folder) {
  const std::string key = FoldCase(name);
  for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', slash + 1)) {
    const std::string parent = key.substr(0, slash);
    if (files.count(parent)) {
      return Fail(ZipError::kDuplicateName, Quote(name.substr(0, slash)) + " is both a file and a folder");
    }
    folders.insert(parent);
  }
  if (folder) {
    if (files.count(key)) return Fail(ZipError::kDuplicateName, Quote(name) + " is both a file and a folder");
    folders.insert(key);
  } else {
    if (folders.count(key)) return Fail(ZipError::kDuplicateName, Quote(name) + " is both a file and a folder");
    if (!files.insert(key).second) return Fail(ZipError::kDuplicateName, Quote(name) + " is in the zip file twice");
  }
  return {};
}

// The end of central directory record: the last one in the final 64 KiB
// whose comment runs exactly to the end of the file, or else the last whose
// comment fits (some tools append bytes after the archive).
bool FindEnd(const uint8_t* data, uint64_t size, uint64_t& endPos) {
  if (size < kEndSize) return false;
  const uint64_t lowest = size - kEndSize > kMaxCommentSize ? size - kEndSize - kMaxCommentSize : 0;
  bool found = false;
  for (uint64_t pos = size - kEndSize;; --pos) {
    if (Le32(data + pos) == kEndSignature) {
      const uint64_t comment = Le16(data + pos + 20);
      const uint64_t room = size - pos - kEndSize;
      if (comment == room) {
        endPos = pos;
        return true;
      }
      if (comment < room && !found) {
        found = true;
        endPos = pos;
      }
    }
    if (pos == lowest) break;
  }
  return found;
}

struct Directory {
  uint64_t entries = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint64_t limit = 0;  // where the records after the directory begin
};

ZipResult ReadDirectoryPosition(const uint8_t* data, uint64_t endPos, Directory& directory) {
  const uint8_t* end = data + endPos;
  uint64_t disk = Le16(end + 4), directoryDisk = Le16(end + 6);
  uint64_t entriesHere = Le16(end + 8);
  directory.entries = Le16(end + 10);
  directory.size = Le32(end + 12);
  directory.offset = Le32(end + 16);
  directory.limit = endPos;
  if (endPos >= kZip64LocatorSize && Le32(data + endPos - kZip64LocatorSize) == kZip64LocatorSignature) {
    // ZIP64: the real counts and offsets are in a record the locator points to.
    const uint8_t* locator = data + endPos - kZip64LocatorSize;
    const uint64_t recordPos = Le64(locator + 8);
    const uint64_t locatorPos = endPos - kZip64LocatorSize;
    if (Le32(locator + 4) != 0 || Le32(locator + 16) > 1) {
      return SplitArchive();
    }
    if (!Fits(recordPos, kZip64EndSize, locatorPos) || Le32(data + recordPos) != kZip64EndSignature) {
      return Damaged("its ZIP64 end record is missing");
    }
    const uint8_t* record = data + recordPos;
    // The record's size counts what follows its first 12 bytes.
    if (Le64(record + 4) < kZip64EndSize - 12 || Le64(record + 4) > locatorPos - recordPos - 12) {
      return Damaged("its ZIP64 end record is cut short");
    }
    disk = Le32(record + 16);
    directoryDisk = Le32(record + 20);
    entriesHere = Le64(record + 24);
    directory.entries = Le64(record + 32);
    directory.size = Le64(record + 40);
    directory.offset = Le64(record + 48);
    directory.limit = recordPos;
  }
  if (disk != 0 || directoryDisk != 0 || entriesHere != directory.entries) {
    return SplitArchive();
  }
  if (directory.entries > kMaxZipEntries) {
    return Fail(ZipError::kTooManyEntries, "the zip file holds more than " + std::to_string(kMaxZipEntries) + " files");
  }
  if (!Fits(directory.offset, directory.size, directory.limit)) return Damaged("its directory lies outside the file");
  if (directory.entries * kCentralHeaderSize > directory.size) return Damaged("its directory is cut short");
  return {};
}

// One entry of the central directory, with what its local header says.
struct Record {
  ZipEntry entry;
  uint64_t localOffset = 0;
};

// Reads the central record at pos (advancing it), checks it and its local
// header, and fills record.
ZipResult ReadRecord(const uint8_t* data, const Directory& directory, uint64_t& pos, Record& record) {
  const uint64_t directoryEnd = directory.offset + directory.size;
  if (!Fits(pos, kCentralHeaderSize, directoryEnd)) return Damaged("its directory is cut short");
  const uint8_t* p = data + pos;
  if (Le32(p) != kCentralSignature) return Damaged("its directory is garbled");
  const uint8_t host = static_cast<uint8_t>(Le16(p + 4) >> 8);
  const uint16_t flags = Le16(p + 8);
  const uint16_t method = Le16(p + 10);
  const uint32_t crc = Le32(p + 16);
  uint64_t compressed = Le32(p + 20), size = Le32(p + 24);
  const size_t nameSize = Le16(p + 28), extraSize = Le16(p + 30), commentSize = Le16(p + 32);
  uint64_t disk = Le16(p + 34);
  const uint32_t attributes = Le32(p + 38);
  uint64_t localOffset = Le32(p + 42);
  if (!Fits(pos + kCentralHeaderSize, uint64_t{nameSize} + extraSize + commentSize, directoryEnd)) {
    return Damaged("its directory is cut short");
  }
  const std::string_view rawName(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameSize);
  const uint8_t* extra = p + kCentralHeaderSize + nameSize;
  pos += kCentralHeaderSize + nameSize + extraSize + commentSize;

  // The name first, so that every later message can quote it.
  std::string name = NormalizePackPath(EntryName(rawName, flags, extra, extraSize));
  const bool folder = !name.empty() && name.back() == '/';
  if (folder) name.pop_back();
  const PathFault fault = FindPathFault(name);
  if (fault != PathFault::kNone) return Fail(ZipError::kUnsafeName, DescribePathFault(name, fault));
  const std::string quoted = Quote(name);

  if (compressed == kMax32 || size == kMax32 || localOffset == kMax32 || disk == kMax16) {
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    if (!FindExtra(extra, extraSize, kExtraZip64, body, bodySize)) return Damaged(quoted + " lacks its ZIP64 sizes");
    Zip64Values values(body, bodySize);
    if ((size == kMax32 && !values.Take(size, 8)) || (compressed == kMax32 && !values.Take(compressed, 8)) ||
        (localOffset == kMax32 && !values.Take(localOffset, 8)) || (disk == kMax16 && !values.Take(disk, 4))) {
      return Damaged(quoted + " lacks its ZIP64 sizes");
    }
  }
  if (disk != 0) return SplitArchive();
  if ((flags & (kFlagEncrypted | kFlagStrongEncryption | kFlagMaskedHeaders)) || method == kMethodAes) {
    return Fail(ZipError::kEncrypted, quoted + " is protected by a password; a pack must not be encrypted");
  }
  if (method != kMethodStored && method != kMethodDeflate) {
    return Fail(ZipError::kUnsupported, quoted + " is packed with " + MethodText(method) +
                                            ", which this program cannot unpack; pack it with ordinary deflate");
  }
  if ((host == kHostUnix || host == kHostMac) && ((attributes >> 16) & kUnixTypeMask) == kUnixSymlink) {
    return Fail(ZipError::kUnsupported, quoted + " is a symbolic link, which a pack cannot hold");
  }
  if (folder && size != 0) return Damaged(quoted + " is a folder with contents");
  if (method == kMethodStored && compressed != size) return Damaged("the sizes of " + quoted + " disagree");
  if (size > kMaxZipEntryBytes) {
    return Fail(ZipError::kTooLarge, quoted + " unpacks to more than " + Megabytes(kMaxZipEntryBytes));
  }

  // The local header must agree with the directory; the directory's sizes
  // are the ones used, which is also what a data descriptor requires.
  if (!Fits(localOffset, kLocalHeaderSize, directory.offset)) return Damaged(quoted + " lies outside the file");
  const uint8_t* local = data + localOffset;
  if (Le32(local) != kLocalSignature) return Damaged(quoted + " is not where the directory says");
  const uint16_t localFlags = Le16(local + 6);
  uint64_t localCompressed = Le32(local + 18), localSize = Le32(local + 22);
  const size_t localNameSize = Le16(local + 26), localExtraSize = Le16(local + 28);
  if (!Fits(localOffset + kLocalHeaderSize, uint64_t{localNameSize} + localExtraSize, directory.offset)) {
    return Damaged(quoted + " lies outside the file");
  }
  const uint64_t dataOffset = localOffset + kLocalHeaderSize + localNameSize + localExtraSize;
  if (!Fits(dataOffset, compressed, directory.offset)) return Damaged(quoted + " is cut short");
  if (localCompressed == kMax32 || localSize == kMax32) {
    // In a local header the ZIP64 field holds both sizes, always.
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    const uint8_t* localExtra = local + kLocalHeaderSize + localNameSize;
    if (!FindExtra(localExtra, localExtraSize, kExtraZip64, body, bodySize) || bodySize < 16) {
      return Damaged(quoted + " lacks its ZIP64 sizes");
    }
    localSize = Le64(body);
    localCompressed = Le64(body + 8);
  }
  const bool descriptor = (flags | localFlags) & kFlagDescriptor;
  const bool sizesAgree = (localSize == size && localCompressed == compressed) ||
                          (descriptor && localSize == 0 && localCompressed == 0);
  if (localNameSize != nameSize || Le16(local + 8) != method || (localFlags & kFlagEncrypted) || !sizesAgree) {
    return Damaged(quoted + " does not match its directory entry");
  }
  // Deflate cannot pack more than about 1032 to 1; a file that claims more
  // is built to exhaust whoever unpacks it.
  if (compressed < kMaxZipEntryBytes && size > kMaxZipRatio * compressed + kZipRatioAllowance) {
    return Fail(ZipError::kBomb, quoted + " claims to unpack to over " + std::to_string(kMaxZipRatio) +
                                     " times its packed size, as only a zip bomb does");
  }

  record.entry = ZipEntry{std::move(name), size, compressed, crc, folder, method, dataOffset};
  record.localOffset = localOffset;
  return {};
}

// Entries whose bytes overlap ("A better zip bomb" repeats one deflate
// stream under many names) are refused as damaged.
ZipResult CheckNoOverlap(std::vector<Record>& records) {
  std::vector<const Record*> order;
  order.reserve(records.size());
  for (const Record& record : records) order.push_back(&record);
  std::sort(order.begin(), order.end(),
            [](const Record* a, const Record* b) { return a->localOffset < b->localOffset; });
  for (size_t i = 1; i < order.size(); ++i) {
    const ZipEntry& previous = order[i - 1]->entry;
    if (order[i]->localOffset < previous.dataOffset + previous.compressedSize) {
      return Damaged(Quote(order[i]->entry.name) + " overlaps " + Quote(previous.name));
    }
  }
  return {};
}

ZipResult Inflate(const uint8_t* in, const ZipEntry& entry, std::vector<uint8_t>& out) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return OutOfMemory();
  struct Ender {
    z_stream* stream;
    ~Ender() { inflateEnd(stream); }
  } ender{&stream};
  const std::string quoted = Quote(entry.name);
  uint64_t inputLeft = entry.compressedSize;
  size_t produced = 0;
  bool probing = false;  // the declared size is reached: one more byte would be a lie
  uint8_t probe = 0;
  for (;;) {
    if (stream.avail_in == 0 && inputLeft > 0) {
      const uint64_t chunk = std::min(inputLeft, kMaxZlibChunk);
      stream.next_in = const_cast<Bytef*>(in);
      stream.avail_in = static_cast<uInt>(chunk);
      in += chunk;
      inputLeft -= chunk;
    }
    if (stream.avail_out == 0) {
      if (produced < entry.size) {
        const uint64_t wanted = std::max(produced * 2, kFirstInflateChunk);
        const auto grown = static_cast<size_t>(std::min(entry.size, wanted));
        out.resize(grown);
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(grown - produced);
      } else {
        probing = true;
        stream.next_out = &probe;
        stream.avail_out = 1;
      }
    }
    const uInt room = stream.avail_out;
    const int status = inflate(&stream, Z_NO_FLUSH);
    if (probing && stream.avail_out == 0) {
      return Fail(ZipError::kBomb, quoted + " unpacks to more than its header declares");
    }
    if (!probing) produced += room - stream.avail_out;
    if (status == Z_STREAM_END) break;
    if (status == Z_MEM_ERROR) return OutOfMemory();
    if (status == Z_BUF_ERROR) return Damaged(quoted + " is cut short");
    if (status != Z_OK) return Damaged(quoted + " cannot be unpacked");
  }
  if (produced != entry.size) return Damaged(quoted + " is shorter than its header declares");
  out.resize(produced);
  return {};
}

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
  uLong crc = crc32(0, nullptr, 0);
  for (size_t pos = 0; pos < bytes.size();) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(bytes.size() - pos, kMaxZlibChunk));
    crc = crc32(crc, bytes.data() + pos, static_cast<uInt>(chunk));
    pos += chunk;
  }
  return static_cast<uint32_t>(crc);
}

// Raw deflate at the best level; empty when deflate does not make the data smaller.
std::vector<uint8_t> Deflate(const uint8_t* data, size_t size) {
  std::vector<uint8_t> packed;
  if (size == 0) return packed;
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
  struct Ender {
    z_stream* stream;
    ~Ender() { deflateEnd(stream); }
  } ender{&stream};
  packed.resize(deflateBound(&stream, static_cast<uLong>(size)));
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = packed.data();
  stream.avail_out = static_cast<uInt>(packed.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) return {};
  const size_t packedSize = packed.size() - stream.avail_out;
  if (packedSize >= size) return {};
  packed.resize(packedSize);
  return packed;
}

}  // namespace

ZipResult ZipReader::Open(const uint8_t* data, size_t size, ZipReader& out) {
  out = ZipReader();
  if (data == nullptr) size = 0;
  uint64_t endPos = 0;
  if (!FindEnd(data, size, endPos)) {
    if (size >= 4 && Le32(data) == kLocalSignature) return Damaged("its end is missing; the download may be cut short");
    return Fail(ZipError::kNotZip, "the file is not a zip file");
  }
  Directory directory;
  if (ZipResult result = ReadDirectoryPosition(data, endPos, directory); !result.Ok()) return result;
  try {
    std::vector<Record> records(static_cast<size_t>(directory.entries));
    std::unordered_set<std::string> files, folders;
    uint64_t total = 0;
    uint64_t pos = directory.offset;
    for (Record& record : records) {
      if (ZipResult result = ReadRecord(data, directory, pos, record); !result.Ok()) return result;
      total += record.entry.size;
      if (total > kMaxZipTotalBytes) {
        return Fail(ZipError::kTooLarge, "the zip file unpacks to more than " + Megabytes(kMaxZipTotalBytes));
      }
      if (ZipResult result = ClaimName(files, folders, record.entry.name, record.entry.folder); !result.Ok()) {
        return result;
      }
    }
    if (ZipResult result = CheckNoOverlap(records); !result.Ok()) return result;
    ZipReader reader;
    reader.data_ = data;
    reader.size_ = size;
    reader.entries_.reserve(records.size());
    for (Record& record : records) reader.entries_.push_back(std::move(record.entry));
    out = std::move(reader);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return {};
}

ZipResult ZipReader::Extract(const ZipEntry& entry, std::vector<uint8_t>& bytes) const {
  bytes.clear();
  if (entry.folder) return {};
  const std::string quoted = Quote(entry.name);
  // The entry is re-checked: it is a plain struct the caller could have changed.
  if (!Fits(entry.dataOffset, entry.compressedSize, size_) || entry.size > kMaxZipEntryBytes) {
    return Damaged(quoted + " lies outside the file");
  }
  const uint8_t* packed = data_ + entry.dataOffset;
  ZipResult result;
  try {
    if (entry.method == kMethodStored) {
      if (entry.compressedSize != entry.size) return Damaged("the sizes of " + quoted + " disagree");
      bytes.assign(packed, packed + entry.size);
    } else if (entry.method == kMethodDeflate) {
      result = Inflate(packed, entry, bytes);
    } else {
      result = Fail(ZipError::kUnsupported, quoted + " is packed with " + MethodText(entry.method) +
                                                ", which this program cannot unpack");
    }
    if (result.Ok() && Crc32(bytes) != entry.crc) result = Damaged(quoted + " fails its checksum");
  } catch (const std::bad_alloc&) {
    result = OutOfMemory();
  }
  if (!result.Ok()) bytes.clear();
  return result;
}

ZipResult ZipWriter::AddFile(std::string_view name, const uint8_t* data, size_t size) {
  return AddEntry(name, false, data, size);
}

ZipResult ZipWriter::AddFolder(std::string_view name) { return AddEntry(name, true, nullptr, 0); }

ZipResult ZipWriter::AddEntry(std::string_view rawName, bool folder, const uint8_t* data, size_t size) {
  std::string name = NormalizePackPath(rawName);
  if (folder && !name.empty() && name.back() == '/') name.pop_back();
  const PathFault fault = FindPathFault(name);
  if (fault != PathFault::kNone) return Fail(ZipError::kUnsafeName, DescribePathFault(name, fault));
  if (written_.size() >= kMaxZipEntries) {
    return Fail(ZipError::kTooManyEntries, "a zip file may hold at most " + std::to_string(kMaxZipEntries) + " files");
  }
  if (size > kMaxZipEntryBytes) {
    return Fail(ZipError::kTooLarge, Quote(name) + " is larger than " + Megabytes(kMaxZipEntryBytes));
  }
  if (totalBytes_ + size > kMaxZipTotalBytes) {
    return Fail(ZipError::kTooLarge, "the files come to more than " + Megabytes(kMaxZipTotalBytes));
  }
  try {
    if (ZipResult result = ClaimName(files_, folders_, name, folder); !result.Ok()) return result;
    if (folder) name += '/';
    Written entry;
    entry.name = name;
    entry.folder = folder;
    entry.size = static_cast<uint32_t>(size);
    entry.crc = static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size)));
    const std::vector<uint8_t> packed = Deflate(data, size);
    entry.method = packed.empty() ? kMethodStored : kMethodDeflate;
    entry.compressedSize = static_cast<uint32_t>(packed.empty() ? size : packed.size());
    // The limits keep every offset far below 4 GB, so no ZIP64 record is needed.
    entry.offset = static_cast<uint32_t>(bytes_.size());
    Put32(bytes_, kLocalSignature);
    Put16(bytes_, folder || entry.method == kMethodDeflate ? kVersionDeflate : kVersionStored);
    Put16(bytes_, kFlagUtf8);
    Put16(bytes_, entry.method);
    Put16(bytes_, 0);  // time 00:00
    Put16(bytes_, kDosDate1980);
    Put32(bytes_, entry.crc);
    Put32(bytes_, entry.compressedSize);
    Put32(bytes_, entry.size);
    Put16(bytes_, static_cast<uint16_t>(name.size()));
    Put16(bytes_, 0);  // no extra field
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    if (packed.empty()) {
      bytes_.insert(bytes_.end(), data, data + size);
    } else {
      bytes_.insert(bytes_.end(), packed.begin(), packed.end());
    }
    totalBytes_ += size;
    written_.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return {};
}

std::vector<uint8_t> ZipWriter::Finish() {
  const auto directoryOffset = static_cast<uint32_t>(bytes_.size());
  for (const Written& entry : written_) {
    Put32(bytes_, kCentralSignature);
    Put16(bytes_, kVersionDeflate);  // made by: MS-DOS, version 2.0
    Put16(bytes_, entry.folder || entry.method == kMethodDeflate ? kVersionDeflate : kVersionStored);
    Put16(bytes_, kFlagUtf8);
    Put16(bytes_, entry.method);
    Put16(bytes_, 0);
    Put16(bytes_, kDosDate1980);
    Put32(bytes_, entry.crc);
    Put32(bytes_, entry.compressedSize);
    Put32(bytes_, entry.size);
    Put16(bytes_, static_cast<uint16_t>(entry.name.size()));
    Put16(bytes_, 0);  // extra field
    Put16(bytes_, 0);  // comment
    Put16(bytes_, 0);  // disk
    Put16(bytes_, 0);  // internal attributes
    Put32(bytes_, entry.folder ? kDosAttributeFolder : 0);
    Put32(bytes_, entry.offset);
    bytes_.insert(bytes_.end(), entry.name.begin(), entry.name.end());
  }
  const auto directorySize = static_cast<uint32_t>(bytes_.size() - directoryOffset);
  Put32(bytes_, kEndSignature);
  Put16(bytes_, 0);
  Put16(bytes_, 0);
  Put16(bytes_, static_cast<uint16_t>(written_.size()));
  Put16(bytes_, static_cast<uint16_t>(written_.size()));
  Put32(bytes_, directorySize);
  Put32(bytes_, directoryOffset);
  Put16(bytes_, 0);  // comment
  std::vector<uint8_t> zip = std::move(bytes_);
  *this = ZipWriter();
  return zip;
}

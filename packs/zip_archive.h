#pragma once
// Zip files of sound packs: reading the downloaded, untrusted ones from
// memory, and writing the ones the program exports. Only what packs need:
// stored and deflated entries, one part, no encryption. Every limit is
// checked before a byte is unpacked. Portable: no <windows.h>.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// A pack is a few hundred short sounds; these bounds leave room for long
// ones while keeping a hostile file from filling the memory or the disk.
constexpr size_t kMaxZipEntries = 2000;
constexpr uint64_t kMaxZipEntryBytes = uint64_t{100} << 20;
constexpr uint64_t kMaxZipTotalBytes = uint64_t{200} << 20;
// Deflate reaches about 1032:1 at best, on a run of one byte; a declared
// size above kMaxZipRatio times the packed size plus the allowance can only
// be a lie or a bomb.
constexpr uint64_t kMaxZipRatio = 1000;
constexpr uint64_t kZipRatioAllowance = uint64_t{1} << 20;

enum class ZipError {
  kNone,
  kNotZip,          // no zip directory at all
  kDamaged,         // cut short, inconsistent, or failing its checksum
  kUnsupported,     // split archives, compression methods other than stored and deflate
  kEncrypted,
  kUnsafeName,      // a name that would leave the pack's folder or that Windows cannot hold
  kDuplicateName,   // two files of one name, or a name that is a file and a folder
  kTooManyEntries,
  kTooLarge,        // an entry or the whole beyond kMaxZipEntryBytes / kMaxZipTotalBytes
  kBomb,            // an absurd compression ratio, or more data than declared
  kOutOfMemory,
};

struct ZipResult {
  ZipError error = ZipError::kNone;
  std::string message;  // English, for the user: "the zip file holds more than 2000 files"

  bool Ok() const { return error == ZipError::kNone; }
};

struct ZipEntry {
  // UTF-8, '/' between parts, without a folder's trailing '/'; it passes
  // IsSafeRelativePath.
  std::string name;
  uint64_t size = 0;            // unpacked, as the directory declares (checked when extracted)
  uint64_t compressedSize = 0;
  uint32_t crc = 0;
  bool folder = false;
  uint16_t method = 0;          // 0 stored, 8 deflate
  uint64_t dataOffset = 0;      // where the packed bytes start in the archive
};

class ZipReader {
 public:
  // Reads and checks the whole directory of a zip file held in memory: on
  // success every entry is listed, its name is safe, and the limits hold.
  // The reader keeps a pointer to the data, which must outlive it.
  static ZipResult Open(const uint8_t* data, size_t size, ZipReader& out);

  // In the order of the zip's directory; folders only where the zip lists them.
  const std::vector<ZipEntry>& Entries() const { return entries_; }

  // Unpacks one of this reader's entries into bytes (emptied first, left
  // empty on failure). Never produces more than the entry's declared size,
  // and checks its CRC-32.
  ZipResult Extract(const ZipEntry& entry, std::vector<uint8_t>& bytes) const;

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  std::vector<ZipEntry> entries_;
};

// Builds a zip file in memory. Entries are deflated unless that makes them
// larger, names are marked UTF-8, and every time stamp is 1980-01-01, so the
// same files always give the same bytes. The limits of the reader apply, so
// whatever it writes, ZipReader reads.
class ZipWriter {
 public:
  // name: a pack-relative path, '/' or '\' between parts.
  ZipResult AddFile(std::string_view name, const uint8_t* data, size_t size);
  ZipResult AddFile(std::string_view name, const std::vector<uint8_t>& bytes) {
    return AddFile(name, bytes.data(), bytes.size());
  }
  ZipResult AddFolder(std::string_view name);

  // The finished zip file; the writer is empty again afterwards.
  std::vector<uint8_t> Finish();

 private:
  struct Written {
    std::string name;  // as stored, with a folder's '/'
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint16_t method = 0;
    uint32_t offset = 0;
    bool folder = false;
  };

  ZipResult AddEntry(std::string_view name, bool folder, const uint8_t* data, size_t size);

  std::vector<uint8_t> bytes_;
  std::vector<Written> written_;
  uint64_t totalBytes_ = 0;
  // Names taken so far, folded to lower case, as Windows compares them.
  std::unordered_set<std::string> files_;
  std::unordered_set<std::string> folders_;
};

// libFuzzer target: the zip reader on arbitrary bytes, every entry unpacked.
// Besides the sanitizers' findings, a broken promise of the interface aborts.

#include <cstdlib>
#include <vector>

#include "packs/safe_path.h"
#include "packs/zip_archive.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZipReader reader;
  const ZipResult opened = ZipReader::Open(data, size, reader);
  if (!opened.Ok()) {
    Require(!opened.message.empty() && reader.Entries().empty());
    return 0;
  }
  Require(reader.Entries().size() <= kMaxZipEntries);
  uint64_t total = 0;
  for (const ZipEntry& entry : reader.Entries()) {
    Require(IsSafeRelativePath(entry.name));
    Require(entry.size <= kMaxZipEntryBytes);
    Require(!entry.folder || entry.size == 0);
    total += entry.size;
    std::vector<uint8_t> bytes;
    const ZipResult extracted = reader.Extract(entry, bytes);
    if (extracted.Ok()) {
      Require(bytes.size() == entry.size);
    } else {
      Require(bytes.empty() && !extracted.message.empty());
    }
  }
  Require(total <= kMaxZipTotalBytes);
  return 0;
}

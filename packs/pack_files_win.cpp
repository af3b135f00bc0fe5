#include "packs/pack_files.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>

#include "audio/audio_rules.h"
#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/system_error.h"
#include "base/wide_text.h"
#include "packs/pack_config.h"
#include "packs/safe_path.h"
#include "packs/zip_archive.h"

namespace {

constexpr const char* kConfigName = "config.json";
// A zip file larger than everything it may unpack is refused unread.
constexpr uint64_t kMaxZipFileBytes = kMaxZipTotalBytes;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

bool IsFolder(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && FoldedPackPath(text.substr(text.size() - end.size())) == end;
}

// Reads a whole file of at most `limit` bytes; false with a sentence.
bool ReadBytes(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) {
  ScopedFile file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    error = "cannot read " + QuotedPath(FileNameOf(path)) + ": " + SystemErrorText(GetLastError());
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) > limit) {
    error = QuotedPath(FileNameOf(path)) + " is larger than " + std::to_string(limit >> 20) + " MB";
    return false;
  }
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const auto want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!ReadFile(file.get(), bytes.data() + done, want, &read, nullptr) || read == 0) {
      error = "cannot read " + QuotedPath(FileNameOf(path)) + ": " + SystemErrorText(GetLastError());
      return false;
    }
    done += read;
  }
  return true;
}

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size, std::string& error) {
  ScopedFile file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = "cannot write " + QuotedPath(path) + ": " + SystemErrorText(GetLastError());
    return false;
  }
  size_t done = 0;
  while (done < size) {
    DWORD written = 0;
    const auto want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 24));
    if (!WriteFile(file.get(), data + done, want, &written, nullptr) || written == 0) {
      error = "cannot write " + QuotedPath(path) + ": " + SystemErrorText(GetLastError());
      return false;
    }
    done += written;
  }
  return true;
}

// Removes a folder this program made, with everything in it. Links inside
// are removed, never followed.
void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAW found{};
  {
    ScopedFind search(FindFirstFileW(Wide(folder + "\\*").c_str(), &found));
    if (search) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string path = folder + "\\" + Utf8(name);
        const bool link = found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) {
          RemoveTree(path);
        } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveDirectoryW(Wide(path).c_str());
        } else {
          SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(Wide(path).c_str());
        }
      } while (FindNextFileW(search.get(), &found));
    }
  }
  RemoveDirectoryW(Wide(folder).c_str());
}

// Makes the folders of a pack path below `root`.
bool MakeFolders(const std::string& root, const std::string& packPath, std::string& error) {
  std::string folder = root;
  size_t start = 0;
  for (size_t slash = packPath.find('/'); slash != std::string::npos; slash = packPath.find('/', start)) {
    folder += "\\" + packPath.substr(start, slash - start);
    start = slash + 1;
    if (!CreateDirectoryW(Wide(folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      error = "cannot make the folder " + QuotedPath(folder) + ": " + SystemErrorText(GetLastError());
      return false;
    }
  }
  return true;
}

// Where a pack's files come from: a folder on the disk or a zip in memory.
class PackSource {
 public:
  virtual ~PackSource() = default;
  // The file at a normalized pack path, compared without regard to case.
  virtual bool Has(const std::string& path) = 0;
  // At most `limit` bytes: a larger file is refused before it is read.
  virtual bool Read(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) = 0;
};

class FolderSource : public PackSource {
 public:
  explicit FolderSource(std::string folder) : folder_(std::move(folder)) {}

  // A file of the folder, reached without passing a link or junction that
  // could lead out of it.
  bool Has(const std::string& path) override {
    if (!IsSafeRelativePath(path)) return false;
    std::string at = folder_;
    const std::string windows = WindowsPackPath(path);
    size_t start = 0;
    for (;;) {
      const size_t slash = windows.find('\\', start);
      at += "\\" + windows.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      const DWORD attributes = Attributes(at);
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
      if (slash == std::string::npos) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
      start = slash + 1;
    }
  }

  bool Read(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) override {
    if (!Has(path)) {
      error = QuotedPath(path) + " is not in the pack";
      return false;
    }
    if (!ReadBytes(folder_ + "\\" + WindowsPackPath(path), limit, bytes, error)) return false;
    total_ += bytes.size();
    if (total_ > kMaxZipTotalBytes) {
      error = "the pack's files take more than " + std::to_string(kMaxZipTotalBytes >> 20) + " MB";
      return false;
    }
    return true;
  }

 private:
  std::string folder_;
  uint64_t total_ = 0;
};

class ZipSource : public PackSource {
 public:
  ZipResult Open(std::vector<uint8_t> bytes, std::string& root) {
    bytes_ = std::move(bytes);
    ZipResult opened = ZipReader::Open(bytes_.data(), bytes_.size(), reader_);
    if (!opened.Ok()) return opened;
    // config.json at the top, or in the one top folder that zipping a
    // folder makes.
    std::vector<std::string> roots;
    for (const ZipEntry& entry : reader_.Entries()) {
      if (entry.folder) continue;
      const std::string folded = FoldedPackPath(entry.name);
      if (folded == kConfigName) roots.insert(roots.begin(), "");
      const size_t slash = folded.find('/');
      if (slash != std::string::npos && folded.substr(slash + 1) == kConfigName) roots.push_back(entry.name.substr(0, slash + 1));
    }
    if (roots.empty()) return {ZipError::kNotZip, "the zip file holds no config.json, at its top or in one top folder"};
    if (roots[0].empty() || roots.size() == 1) {
      root_ = roots[0];
    } else {
      return {ZipError::kNotZip, "the zip file holds several packs: each of its top folders has a config.json"};
    }
    for (const ZipEntry& entry : reader_.Entries()) {
      if (!entry.folder && FoldedPackPath(entry.name).rfind(FoldedPackPath(root_), 0) == 0) {
        byName_[FoldedPackPath(entry.name.substr(root_.size()))] = &entry;
      }
    }
    root = root_;
    return {};
  }

  bool Has(const std::string& path) override { return byName_.count(FoldedPackPath(path)) != 0; }

  bool Read(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) override {
    const auto found = byName_.find(FoldedPackPath(path));
    if (found == byName_.end()) {
      error = QuotedPath(path) + " is not in the pack";
      return false;
    }
    if (found->second->size > limit) {
      error = QuotedPath(path) + " is larger than " + std::to_string(limit >> 20) + " MB";
      return false;
    }
    const ZipResult result = reader_.Extract(*found->second, bytes);
    if (!result.Ok()) {
      error = result.message;
      return false;
    }
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
  ZipReader reader_;
  std::string root_;
  std::map<std::string, const ZipEntry*> byName_;
};

}  // namespace

std::string SafeFileNameFor(const std::string& name) {
  std::string folder;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    folder += (u < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) ? '_' : c;
  }
  while (!folder.empty() && folder.front() == ' ') folder.erase(folder.begin());
  // Cut before the end is trimmed, so that a cut leaving a dot or a space
  // at the end still gives a name; and never inside a character.
  if (folder.size() > 60) {
    size_t cut = 60;
    while (cut > 0 && (static_cast<unsigned char>(folder[cut]) & 0xC0) == 0x80) --cut;
    folder.resize(cut);
  }
  while (!folder.empty() && (folder.back() == '.' || folder.back() == ' ')) folder.pop_back();
  if (!IsValidUtf8(folder)) folder = QuotablePath(folder);
  if (folder.empty() || !IsSafeRelativePath(folder)) folder = "Sound pack";
  return folder;
}

namespace {

std::string WithNumber(const std::string& name, int n) {
  return n == 1 ? name : name + " (" + std::to_string(n) + ")";
}

// The folder with a trailing backslash, relative to the program folder when inside it.
std::string ReferenceFolder(const std::string& folder, const std::string& programFolder) {
  const std::string prefix = programFolder + "\\";
  if (folder.size() > prefix.size() && FoldedPackPath(folder.substr(0, prefix.size())) == FoldedPackPath(prefix)) {
    return folder.substr(prefix.size()) + "\\";
  }
  return folder + "\\";
}

bool OpenSource(const std::string& source, std::unique_ptr<PackSource>& pack, std::string& error) {
  if (IsFolder(source)) {
    pack = std::make_unique<FolderSource>(source);
    return true;
  }
  if (EndsWith(FileNameOf(source), kConfigName) && FileNameOf(source).size() == std::string_view(kConfigName).size()) {
    pack = std::make_unique<FolderSource>(FolderOf(source));
    return true;
  }
  if (Attributes(source) == INVALID_FILE_ATTRIBUTES) {
    error = QuotedPath(source) + " cannot be found";
    return false;
  }
  if (!EndsWith(source, ".zip")) {
    error = QuotedPath(FileNameOf(source)) + " is not a sound pack: choose its config.json or its .zip file";
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!ReadBytes(source, kMaxZipFileBytes, bytes, error)) return false;
  auto zip = std::make_unique<ZipSource>();
  std::string root;
  const ZipResult opened = zip->Open(std::move(bytes), root);
  if (!opened.Ok()) {
    error = opened.message;
    return false;
  }
  pack = std::move(zip);
  return true;
}

}  // namespace

FolderRemoval RecyclePackFolder(const std::string& folder, std::string& error) {
  const DWORD attributes = Attributes(folder);
  const bool folderOfItsOwn = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                              !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  if (!folderOfItsOwn || Attributes(folder + "\\" + kConfigName) == INVALID_FILE_ATTRIBUTES) {
    return FolderRemoval::kNotAPack;
  }
  std::wstring from = Wide(folder);
  from.push_back(L'\0');  // the list of paths ends with an empty one
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // Where there is no Recycle Bin, the shell asks before it deletes for good.
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_NOERRORUI | FOF_SILENT;
  const int result = SHFileOperationW(&operation);
  if (operation.fAnyOperationsAborted) {
    error = "its removal was cancelled";
  } else if (result != 0) {
    error = "the shell gave error " + std::to_string(result);
  } else if (Attributes(folder) != INVALID_FILE_ATTRIBUTES) {
    error = "a file in it is in use";
  } else {
    return FolderRemoval::kRecycled;
  }
  return FolderRemoval::kFailed;
  return FolderRemoval::kRecycled;
}

bool LooksLikeSoundPack(const std::string& path) {
  if (IsFolder(path)) return true;
  const std::string name = FoldedPackPath(FileNameOf(path));
  return name == kConfigName || EndsWith(name, ".zip");
}

PackInstall InstallSoundPack(const std::string& source, const std::string& dataFolder,
                             const std::string& programFolder, const SchemeNameTaken& nameTaken) {
  PackInstall result;
  std::unique_ptr<PackSource> pack;
  if (!OpenSource(source, pack, result.error)) return result;

  std::vector<uint8_t> json;
  if (!pack->Has(kConfigName)) {
    result.error = "the pack has no config.json";
    return result;
  }
  if (!pack->Read(kConfigName, kPackConfigMaxBytes, json, result.error)) return result;
  PackConfig config;
  PackConfigResult read = ReadPackConfig(std::string_view(reinterpret_cast<const char*>(json.data()), json.size()), config);
  if (!read) {
    result.error = read.error;
    return result;
  }
  result.warnings = std::move(read.warnings);

  // The scheme's name and the pack's folder, each free.
  result.name = config.name;
  for (int n = 2; nameTaken(result.name); ++n) result.name = WithNumber(config.name, n);
  const std::string schemes = dataFolder + "\\Schemes";
  const std::string base = SafeFileNameFor(config.name);
  std::string folder = schemes + "\\" + base;
  for (int n = 2; Attributes(folder) != INVALID_FILE_ATTRIBUTES; ++n) folder = schemes + "\\" + WithNumber(base, n);

  std::string planError;
  if (!PlanPackImport(config, [&](const std::string& path) { return pack->Has(path); },
                      ReferenceFolder(folder, programFolder), result.plan, planError)) {
    result.error = planError;
    return result;
  }

  // Everything goes into a folder of its own first, which becomes the
  // pack's folder only once complete. A Schemes folder made for it goes
  // too when the import fails.
  const bool madeSchemes = CreateDirectoryW(Wide(schemes).c_str(), nullptr) != FALSE;
  if (!madeSchemes && GetLastError() != ERROR_ALREADY_EXISTS) {
    result.error = "cannot make the folder " + QuotedPath(schemes) + ": " + SystemErrorText(GetLastError());
    return result;
  }
  std::string temp;
  for (int n = 1; temp.empty() || Attributes(temp) != INVALID_FILE_ATTRIBUTES; ++n) {
    temp = schemes + "\\~import-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n) + ".tmp";
  }
  auto fail = [&](std::string error) {
    RemoveTree(temp);
    if (madeSchemes) RemoveDirectoryW(Wide(schemes).c_str());
    result.error = std::move(error);
    return result;
  };
  if (!CreateDirectoryW(Wide(temp).c_str(), nullptr)) {
    return fail("cannot make the folder " + QuotedPath(temp) + ": " + SystemErrorText(GetLastError()));
  }
  // config.json, unless the pack also uses it as a sound (and so lists it).
  std::vector<std::string> files = result.plan.files;
  if (std::none_of(files.begin(), files.end(), [](const std::string& file) { return FoldedPackPath(file) == kConfigName; })) {
    files.insert(files.begin(), kConfigName);
  }
  std::vector<uint8_t> bytes;
  for (const std::string& file : files) {
    std::string error;
    if (!pack->Read(file, kMaxZipEntryBytes, bytes, error) || !MakeFolders(temp, file, error) ||
        !WriteBytes(temp + "\\" + WindowsPackPath(file), bytes.data(), bytes.size(), error)) {
      return fail(error);
    }
  }
  if (!MoveFileExW(Wide(temp).c_str(), Wide(folder).c_str(), 0)) {
    return fail("cannot make the folder " + QuotedPath(folder) + ": " + SystemErrorText(GetLastError()));
  }
  result.folder = folder;
  result.ok = true;
  return result;
}

bool ExportSoundPack(const std::string& zipPath, const std::string& name, const TScheme& scheme,
                     const std::string& programFolder, const PackDecoder& decode, std::vector<std::string>& skipped,
                     std::string& error) {
  PackExport plan = PlanPackExport(name, scheme);
  // Each sound read or decoded first: one that cannot be is left out, with
  // the keys that play it, rather than failing the whole pack.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  std::set<std::string> failed;
  for (const PackExportFile& file : plan.files) {
    const std::string path = ResolveSoundPath(programFolder, file.source.file);
    std::vector<uint8_t> bytes;
    std::string problem;
    const bool made = file.decode ? decode(file.source, file.volume, bytes, problem)
                                  : ReadBytes(path, kMaxZipEntryBytes, bytes, problem);
    if (made) {
      files.emplace_back(file.name, std::move(bytes));
    } else {
      failed.insert(file.name);
      skipped.push_back(FormatSoundReference({file.source}) + " cannot be read: " + problem);
    }
  }
  // A sound stands for its files: a "{lo-hi}" name for each of its variants.
  auto lost = [&](const PackSound& sound) {
    if (sound.kind != PackSound::kFile) return false;
    for (const std::string& file : ExpandVariants(sound.file)) {
      if (failed.count(file)) return true;
    }
    return false;
  };
  for (PackSound* fallback : {&plan.config.defaultPress, &plan.config.defaultRelease}) {
    if (lost(*fallback)) *fallback = PackSound{};
  }
  // A key whose sound is lost stays silent: null where the pack's default
  // would sound for it, left out where nothing would.
  for (bool up : {false, true}) {
    auto& defines = up ? plan.config.release : plan.config.press;
    const bool fallback = (up ? plan.config.defaultRelease : plan.config.defaultPress).kind != PackSound::kNone;
    for (auto entry = defines.begin(); entry != defines.end();) {
      if (!lost(entry->second)) {
        ++entry;
      } else if (fallback) {
        (entry++)->second = PackSound{};
      } else {
        entry = defines.erase(entry);
      }
    }
  }
  // Only the files a sound left in still names: the variants read beside
  // one that failed go with it.
  std::set<std::string> named;
  auto keep = [&](const PackSound& sound) {
    if (sound.kind != PackSound::kFile) return;
    for (std::string& file : ExpandVariants(sound.file)) named.insert(std::move(file));
  };
  keep(plan.config.defaultPress);
  keep(plan.config.defaultRelease);
  for (const auto* defines : {&plan.config.press, &plan.config.release}) {
    for (const auto& entry : *defines) keep(entry.second);
  }
  std::erase_if(files, [&](const auto& file) { return !named.count(file.first); });
  if (files.empty()) {
    error = plan.files.empty() ? "the scheme has no key sounds to export" : "none of the scheme's sounds can be read";
    return false;
  }
  ZipWriter zip;
  const std::string json = WritePackConfig(plan.config);
  if (ZipResult added = zip.AddFile(kConfigName, reinterpret_cast<const uint8_t*>(json.data()), json.size());
      !added.Ok()) {
    error = added.message;
    return false;
  }
  for (const auto& [file, bytes] : files) {
    if (ZipResult added = zip.AddFile(file, bytes); !added.Ok()) {
      error = added.message;
      return false;
    }
  }
  const std::vector<uint8_t> packed = zip.Finish();
  // Written beside the target and put in its place once complete.
  const std::string temp = zipPath + ".tmp";
  DeleteFileW(Wide(temp).c_str());
  if (!WriteBytes(temp, packed.data(), packed.size(), error)) {
    DeleteFileW(Wide(temp).c_str());  // what a write cut short (a full disk) left
    return false;
  }
  if (!MoveFileExW(Wide(temp).c_str(), Wide(zipPath).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = "cannot write " + QuotedPath(zipPath) + ": " + SystemErrorText(GetLastError());
    DeleteFileW(Wide(temp).c_str());
    return false;
  }
  return true;
}

#include "settings/profile_ini_win.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "base/scoped_win.h"
#include "base/wide_text.h"

namespace {

// The profile API truncates silently, so every read starts with the classic
// buffer sizes and doubles until the answer fits. A value or a list of section
// names is never cut short, and a load never drops a scheme that the next save
// would then delete.
constexpr DWORD kSectionNamesBuffer = 16384;
constexpr DWORD kValueBuffer = 2048;
constexpr DWORD kMaxBuffer = 64u << 20;

constexpr char kUtf16Mark[] = "\xFF\xFE";

bool ReadBytes(const std::wstring& path, std::string& bytes) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxBuffer) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return false;
  }
  bytes.resize(read);
  return true;
}

}  // namespace

ProfileIniStore::ProfileIniStore(std::string path) : path_(std::move(path)), file_(Wide(path_)) {}

std::vector<std::string> ProfileIniStore::ReadSections() {
  std::vector<wchar_t> buffer(kSectionNamesBuffer);
  DWORD length = 0;
  for (;;) {
    length = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), file_.c_str());
    // A list that did not fit comes back as size - 2.
    if (length + 2 < buffer.size() || buffer.size() >= kMaxBuffer) break;
    buffer.assign(buffer.size() * 2, L'\0');
  }
  std::vector<std::string> names;
  const wchar_t* p = buffer.data();
  const wchar_t* end = buffer.data() + length;
  while (p < end && *p != L'\0') {
    std::wstring name(p);
    p += name.size() + 1;
    names.push_back(Utf8(name));
  }
  return names;
}

std::string ProfileIniStore::ReadString(const std::string& section, const std::string& key,
                                        const std::string& def) {
  const std::wstring wideSection = Wide(section), wideKey = Wide(key), wideDef = Wide(def);
  std::vector<wchar_t> buffer(kValueBuffer);
  DWORD length = 0;
  for (;;) {
    length = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideDef.c_str(), buffer.data(),
                                      static_cast<DWORD>(buffer.size()), file_.c_str());
    // A value that did not fit comes back as size - 1.
    if (length + 1 < buffer.size() || buffer.size() >= kMaxBuffer) break;
    buffer.assign(buffer.size() * 2, L'\0');
  }
  return Utf8(std::wstring_view(buffer.data(), length));
}

void ProfileIniStore::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value) {
  const std::wstring wideSection = Wide(section), wideKey = Wide(key), wideValue = Wide(value);
  PrepareFor(wideSection + wideKey + wideValue);
  if (!WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(), file_.c_str())) {
    ThrowWriteError();
  }
}

void ProfileIniStore::WriteSection(const std::string& section, const IniPairs& pairs) {
  // One call per section: "key=value\0key=value\0\0".
  std::string block;
  for (const auto& [key, value] : pairs) {
    block += key;
    block += '=';
    block += value;
    block += '\0';
  }
  block += '\0';
  const std::wstring wideSection = Wide(section), wideBlock = Wide(block);
  PrepareFor(wideSection + wideBlock);
  if (!WritePrivateProfileSectionW(wideSection.c_str(), wideBlock.c_str(), file_.c_str())) {
    ThrowWriteError();
  }
}

void ProfileIniStore::Flush() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, file_.c_str()); }

bool ProfileIniStore::IsUnicode() const {
  std::string bytes;
  return ReadBytes(file_, bytes) && bytes.compare(0, 2, kUtf16Mark) == 0;
}

void ProfileIniStore::PrepareFor(const std::wstring& text) {
  if (madeUnicode_ || FitsAnsiCodePage(text)) return;
  if (IsUnicode()) {
    madeUnicode_ = true;
    return;
  }
  // What the system holds of the file goes to the disk first; then the file
  // is rewritten as UTF-16 with its mark, which the profile functions keep.
  Flush();
  std::string bytes;
  if (!ReadBytes(file_, bytes) && GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES) ThrowWriteError();
  std::wstring wide;
  if (!bytes.empty()) {
    int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    wide.assign(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
  }
  std::string unicode(kUtf16Mark, 2);
  unicode.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  ScopedFile file(CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !WriteFile(file.get(), unicode.data(), static_cast<DWORD>(unicode.size()), &written, nullptr) ||
      written != unicode.size()) {
    ThrowWriteError();
  }
  madeUnicode_ = true;
}

void ProfileIniStore::ThrowWriteError() const {
  throw std::runtime_error("Unable to write to " + path_);
}

#include "bass/sample_file_win.h"

#include <algorithm>
#include <new>

#include "base/scoped_win.h"
#include "bass/bass.h"
#include "bass/bass_errors.h"

namespace {

constexpr size_t kMaxFileBytes = 256u << 20;  // a key sound is a few KB; refuse absurd files

}  // namespace

int ReadFileBytes(const std::wstring& path, DWORD offset, DWORD length, std::vector<uint8_t>& bytes) {
  if (path.empty()) return kBassErrorFileOpen;
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return kBassErrorFileOpen;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return kBassErrorFileOpen;
  if (static_cast<uint64_t>(size.QuadPart) < offset) return kBassErrorIllegalParam;
  uint64_t available = static_cast<uint64_t>(size.QuadPart) - offset;
  uint64_t wanted = length ? std::min<uint64_t>(length, available) : available;
  if (wanted > kMaxFileBytes) return kBassErrorMem;
  try {
    bytes.resize(static_cast<size_t>(wanted));
  } catch (const std::bad_alloc&) {
    return kBassErrorMem;
  }
  LARGE_INTEGER start{};
  start.QuadPart = offset;
  if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return kBassErrorFileOpen;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return kBassErrorFileOpen;
    if (read == 0) break;  // the file shrank under us: decode what is there
    done += read;
  }
  bytes.resize(done);
  return kBassOk;
}

bool FileStamp(const std::wstring& path, uint64_t& size, uint64_t& writeTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

std::wstring CacheKey(const std::wstring& path) {
  std::wstring key = path;
  CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

std::wstring PathArgument(const void* file, DWORD flags) {
  if (!file) return L"";
  if (flags & BASS_UNICODE) return static_cast<const wchar_t*>(file);
  const char* text = static_cast<const char*>(file);
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return L"";
  std::wstring path(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, path.data(), length);
  path.resize(static_cast<size_t>(length - 1));
  return path;
}


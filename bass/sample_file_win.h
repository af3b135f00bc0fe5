#pragma once
// Reading a sound file for BASS_SampleLoad: the name it was given, its bytes,
// and what identifies it in the decode cache.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The file name a load was given: UTF-16 with BASS_UNICODE, otherwise text
// in the system's ANSI code page.
std::wstring PathArgument(const void* file, DWORD flags);
// Reads [offset, offset + length) of a file (length 0: to the end) into
// `bytes`; a BASS error code. A file larger than any sound is refused.
int ReadFileBytes(const std::wstring& path, DWORD offset, DWORD length, std::vector<uint8_t>& bytes);
// The file's size and last-write time; false when it cannot be read.
bool FileStamp(const std::wstring& path, uint64_t& size, uint64_t& writeTime);
// The decode cache's key of a path: the same file however its name is cased.
std::wstring CacheKey(const std::wstring& path);

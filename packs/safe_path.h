#pragma once
// The paths inside a sound pack (its zip entries, the file names its
// config.json gives) come from strangers and end up joined to a folder on a
// Windows disk. A path is accepted only when it stays inside that folder and
// names a file Windows can create as written. Portable: no <windows.h>.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Far beyond any real pack, and short enough that the pack's folder plus the
// path stays well inside what the wide file API accepts.
constexpr size_t kMaxPackPathBytes = 400;
constexpr size_t kMaxPackPathParts = 16;
// NTFS and FAT hold at most 255 UTF-16 units in one name.
constexpr size_t kMaxPackNameUnits = 255;

enum class PathFault {
  kNone,
  kEmpty,
  kLeavesFolder,        // absolute, a drive, or a ".." part
  kNotPlain,            // an empty or "." part, or a name ending in '.' or ' '
  kDeviceName,          // CON, NUL, COM1, ... with or without an extension
  kForbiddenCharacter,  // control characters, ':' and <>"|?*
  kNotUtf8,
  kTooLong,
  kTooDeep,
};

// What is wrong with a pack-relative UTF-8 path, or kNone. Both '/' and '\'
// separate its parts, as they do on Windows.
PathFault FindPathFault(std::string_view path);

inline bool IsSafeRelativePath(std::string_view path) { return FindPathFault(path) == PathFault::kNone; }

// An English sentence for a refused path, the path quoted:
// "\"../evil.wav\" would leave the pack's folder".
std::string DescribePathFault(std::string_view path, PathFault fault);

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// The path with '/' between its parts and without leading "./": the form
// the pack's files are known by. It says nothing about safety.
std::string NormalizePackPath(std::string_view path);

// The path (or name) in lower case, ASCII letters only, for comparing
// names as Windows does in the pack's folder.
std::string FoldedPackPath(std::string_view path);

// A full path's parts as Windows walks them: '/' or '\\' between them, empty
// parts and "." left out, ".." going up one.
std::vector<std::string> WalkedPathParts(std::string_view path);

// A part of a path as Windows compares it: without trailing dots and
// spaces, ASCII letters in lower case.
std::string ComparablePathPart(std::string_view part);

// The path with '\\' between its parts, as the scheme names the copied file.
std::string WindowsPackPath(std::string_view path);

// The path made fit to be quoted in a message or a log line: control
// characters become '?', bytes that are not UTF-8 become U+FFFD, and a long
// path is cut with "...".
std::string QuotablePath(std::string_view path);
// The same in double quotes: "\"caps lock.wav\"".
std::string QuotedPath(std::string_view path);

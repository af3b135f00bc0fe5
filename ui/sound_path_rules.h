#pragma once
// What the sound file choice stores: a file inside the program folder is kept
// relative to it, so the folder can be moved with its schemes.

#include <string>

// `path` made relative to `folder` (no trailing backslash) when it begins with
// the folder followed by a backslash, compared character by character; any
// other path as it is. A sibling folder whose name only begins like the
// program folder's ("C:\Tools\Brisolt2\x.wav" for "C:\Tools\Brisolt") is not
// inside it.
inline std::string PathForScheme(const std::string& path, const std::string& folder) {
  std::string prefix = folder + "\\";
  if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0) return path.substr(prefix.size());
  return path;
}

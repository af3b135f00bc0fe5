#pragma once

#include <string>

// The folder of the running executable, without a trailing backslash. The
// Schemes folder lives there, and sound paths are resolved from it.
const std::string& ProgramFolder();
// The full path of the running executable.
const std::string& ProgramPath();

// The last part of a path: "C:\\Tools\\Brisolt\\config.cfg" -> "config.cfg".
inline std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// The folder of config.cfg, schemes.cfg and Log.txt: the program folder
// when the program may write there (a portable folder), otherwise
// %APPDATA%\Brisolt (Program Files, a read-only share, Controlled Folder
// Access). Chosen at the first call: moving to %APPDATA%, the two files are
// first copied over from the program folder unless they are there already.
const std::string& DataFolder();
// Why the folder is what it is, for the log of the start.
std::string DataFolderDescription();

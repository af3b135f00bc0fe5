#pragma once

#include <string>

#include "base/program_paths.h"

// The folder of config.cfg, schemes.cfg and Log.txt: the program folder
// when the program may write there (a portable folder), otherwise
// %APPDATA%\Brisolt (Program Files, a read-only share, Controlled Folder
// Access). Chosen at the first call: moving to %APPDATA%, the two files are
// first copied over from the program folder unless they are there already.
const std::string& DataFolder();
// Why the folder is what it is, for the log of the start.
std::string DataFolderDescription();

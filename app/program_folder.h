#pragma once

#include <string>

// The folder of the running executable, without a trailing backslash.
// config.cfg, schemes.cfg, Log.txt and the Schemes folder live there.
const std::string& ProgramFolder();
// The full path of the running executable.
const std::string& ProgramPath();

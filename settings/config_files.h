#pragma once
// Moving the settings and the schemes between memory and the two files of
// the program folder, config.cfg and schemes.cfg.

#include <string>

// Reads config.cfg into `settings`, then every scheme of schemes.cfg into
// `schemeList`. Missing files are no error: everything takes its default.
void LoadConfiguration(bool firstStart);
void LoadConfigurationFrom(const std::string& folder, bool firstStart);

// Writes config.cfg (each key replaced in place, everything else in the file
// kept) and rewrites schemes.cfg, then releases the schemes. Each file is
// written to a temporary file beside it that then replaces it in one step, so a
// failed or interrupted save leaves the previous file whole. A failure is
// logged ("Unable to write to <path>") and does not stop the other file from
// being saved. Returns false if either file could not be written.
bool SaveConfiguration();
bool SaveConfigurationTo(const std::string& folder);

// The two halves, for callers that need one file; they throw on failure.
void SaveSettingsFile(const std::string& path);
void SaveSchemesFile(const std::string& path);

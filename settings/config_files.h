#pragma once
// Moving the settings and the schemes between memory and the two files of
// the settings folder, config.cfg and schemes.cfg. The program decides
// which folder that is (app/program_folder.h) and names it at every call.

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A file that could not be written: its path, Windows' error code and the
// reason in words; what() is the log's "Unable to write to <path>: <reason>".
class SaveError : public std::runtime_error {
 public:
  SaveError(std::string path, unsigned long error, std::string reason)
      : std::runtime_error("Unable to write to " + path + ": " + reason),
        path_(std::move(path)),
        error_(error),
        reason_(std::move(reason)) {}
  const std::string& path() const { return path_; }
  unsigned long error() const { return error_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  unsigned long error_;
  std::string reason_;
};

// Reads config.cfg of `folder` into `settings`, then every scheme of its
// schemes.cfg into `schemeList`. Missing files are no error: everything takes
// its default.
void LoadConfigurationFrom(const std::string& folder, bool firstStart);
// The folder's config.cfg has settings: a missing file, or one without its
// [Options] section, makes the start a first one again (the device is chosen anew).
bool SettingsExist(const std::string& folder);

// Writes config.cfg (each key replaced in place, everything else in the file
// kept) and rewrites schemes.cfg. Each file is written to a temporary file
// beside it that then replaces it in one step, so a failed or interrupted save
// leaves the previous file whole; a file held by another program for a moment
// is tried again for about 1 s. A failure is logged ("Unable to write to
// <path>: <reason>") and does not stop the other file from being saved.
// Returns the files that could not be written.
std::vector<SaveError> SaveFilesTo(const std::string& folder);
// The same at the exit, which then releases the schemes; false if either
// file could not be written.
bool SaveConfigurationTo(const std::string& folder);

// The two halves, for callers that need one file; they throw SaveError.
void SaveSettingsFile(const std::string& path);
void SaveSchemesFile(const std::string& path);

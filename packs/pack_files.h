#pragma once
// Sound packs on the disk: a pack (its folder, its config.json or its zip)
// copied into a folder of the program's own and turned into a scheme, and a
// scheme written out as a pack's zip. Nothing here touches the model or a
// window: the commands and the options window do.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packs/pack_scheme.h"
#include "settings/scheme.h"

struct PackInstall {
  bool ok = false;
  // When !ok: one sentence for the user ("config.json is not valid JSON at
  // line 3"); nothing was added to the disk.
  std::string error;
  std::string name;    // the pack's name, made unique among the schemes
  std::string folder;  // where its files now are
  PackImport plan;     // the scheme, its counts and the keys without files
  std::vector<std::string> warnings;  // entries of config.json left out
};

// Whether a scheme of this name exists already (letter case aside).
using SchemeNameTaken = std::function<bool(const std::string& name)>;

// Installs the pack at `source` (a pack folder, its config.json, or a .zip
// whose config.json is at its top or in one top folder) into a new folder
// under `dataFolder`\Schemes, all at once or not at all. Only config.json and
// the sound files it names are copied, unchanged. The scheme's references are
// relative to `programFolder` when the folder is inside it, full otherwise.
PackInstall InstallSoundPack(const std::string& source, const std::string& dataFolder,
                             const std::string& programFolder, const SchemeNameTaken& nameTaken);

// Decodes a part of a sound into 16-bit WAV bytes at `volume` percent; false
// (with a reason) when it cannot. The audio engine does this for the export.
using PackDecoder = std::function<bool(const SoundPart& part, int volume, std::vector<uint8_t>& wav,
                                       std::string& problem)>;

// Writes `scheme` as a version-2 multi pack into the zip file `zipPath`
// (replaced only once complete). Sound paths are resolved from
// `programFolder`. A sound that cannot be read is left out, with its keys,
// and named in `skipped`. False with a sentence for the user in `error`.
bool ExportSoundPack(const std::string& zipPath, const std::string& name, const TScheme& scheme,
                     const std::string& programFolder, const PackDecoder& decode, std::vector<std::string>& skipped,
                     std::string& error);

// Moves the folder of an imported pack (one that holds a config.json, and is
// no link) to the Recycle Bin; where there is none, the shell asks before it
// deletes the folder. Any other folder is left alone. When it fails, `error`
// says why, for the log.
enum class FolderRemoval { kRecycled, kNotAPack, kFailed };
FolderRemoval RecyclePackFolder(const std::string& folder, std::string& error);

// Whether a path names something the importer takes: a folder, a file named
// config.json, or a .zip file (for what is dropped on the options window).
bool LooksLikeSoundPack(const std::string& path);

// A name Windows takes for a file or folder, made from a scheme's or pack's
// name: characters Windows refuses become '_', and it is cut to 60 bytes.
std::string SafeFileNameFor(const std::string& name);

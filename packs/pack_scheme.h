#pragma once
// A sound pack as a scheme and a scheme as a sound pack: which key of the
// key table each entry of a pack's config.json names, and which files each
// way needs. Portable: the files themselves are read and written in
// packs/pack_files_win.cpp.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packs/pack_config.h"
#include "settings/scheme.h"
#include "settings/sound_reference.h"

// ---- Import -------------------------------------------------------------------

struct PackImport {
  // The keyboard on and the mouse silent; every sound at 100 %. Keys the
  // pack names get sounds of their own; a version-2 pack's "sound" and
  // "soundup" become the sounds of every keyboard category, so that keys it
  // does not name (and keys outside the table) sound them.
  TScheme scheme;
  int keys = 0;      // keys of the table that sound a press of the pack
  int releases = 0;  // keys of the table that sound a release of the pack
  // The pack's files the scheme uses, each once, as NormalizePackPath gives
  // them: what is copied out of the pack.
  std::vector<std::string> files;
  // One line each for the keys whose files the pack does not hold; they
  // sound as the keys the pack does not name.
  std::vector<std::string> missing;
};

// Whether the pack holds a file: the path is a normalized pack path, to be
// compared without regard to letter case, as Windows does.
using PackHasFile = std::function<bool(const std::string& path)>;

// `folder` begins every reference of the scheme: where the pack's files will
// be, with a trailing backslash ("Schemes\\Pack\\" relative to the program
// folder, or a full path). False with a sentence for the user in `error`
// when no key would sound.
bool PlanPackImport(const PackConfig& config, const PackHasFile& hasFile, const std::string& folder,
                    PackImport& out, std::string& error);

// ---- Export -------------------------------------------------------------------

struct PackExportFile {
  std::string name;  // in the pack, '/' between folders
  SoundPart source;  // the file as the scheme names it (relative to the program folder or full)
  // Written as a 16-bit WAV file decoded from source, scaled by volume
  // percent; otherwise the source file is copied unchanged.
  bool decode = false;
  int volume = 100;

  bool operator==(const PackExportFile&) const = default;
};

struct PackExport {
  PackConfig config;  // a version-2 multi pack
  std::vector<PackExportFile> files;
};

// The scheme as a pack: every key of the table that sounds is defined with
// the sound it plays (its own, else its category's), a version-2 "sound" and
// "soundup" are the Other category's, and a key that is silent where that
// default sounds is defined as null. Slices, and sounds at a volume other
// than 100 %, are written decoded; variants become numbered files named with
// a "{lo-hi}" range. The mouse is not part of a pack.
PackExport PlanPackExport(const std::string& name, const TScheme& scheme);

// ---- Removal ------------------------------------------------------------------

// Makes a file name as a scheme holds it a full path.
using SoundPathResolver = std::function<std::string(const std::string& file)>;

// The folders right under `schemesRoot` (each `schemesRoot`\<name>) that hold
// a sound of `deleted` and no sound of the schemes `kept`: what deleting
// `deleted` leaves unused. Paths are compared as Windows compares them: '/'
// as '\', "." and ".." followed, letters without regard to case. Each folder
// is given once, as the deleted scheme names it.
std::vector<std::string> PackFoldersLeftUnused(const TScheme& deleted, const std::vector<const TScheme*>& kept,
                                               const std::string& schemesRoot, const SoundPathResolver& resolve);

// A 16-bit PCM WAV file of interleaved samples.
std::vector<uint8_t> WavFile16(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels);

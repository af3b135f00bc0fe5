#pragma once
// The key sound dialog (TfrmKey): the sound file (of the press or of the
// release) and the volume of one key category of the scheme being edited,
// or the press and release sounds and volume of one single key, with a
// picture of the file's waveform, its length and its peak level. A slice of
// a longer file shows on the whole file's waveform, its edges dragged there
// or typed in milliseconds. It stores nothing itself.

#include <windows.h>

#include <string>

// The open-file dialog of sound files, starting in the program's Schemes
// folder. "" when the user cancels; a file inside the program folder comes
// back relative to it, any other as its full path.
std::string ChooseSoundFile(HWND owner);

struct KeySound {
  bool release = false;    // the category's release sound (its caption says so), not its press
  std::string fileName;    // a sound reference: a file, a slice of one, variants
  int volume = 0;          // the track bar's position, 0..100
  std::string volumeText;  // what the label shows at first (the stored volume as it is)
  // A single key: the dialog has a second field, its release sound.
  bool singleKey = false;
  std::string releaseFileName;
};

// Shows the dialog for `keyName` (its caption). True when it was left with
// OK; `sound` then holds the file text and the track bar's position.
bool EditKeySoundDialog(HWND owner, const std::string& keyName, KeySound& sound);

#pragma once
// schemes.cfg: one section per scheme, named after it, with 80 keys.

#include "settings/ini_store.h"
#include "settings/scheme.h"

// Fills list (cleared first) from every section of the store, in file order.
// Missing or unparsable keys take their defaults: enabled, no file, volume 5,
// both switches on.
void LoadSchemes(IniStore& store, SchemeList& list);

// Writes every scheme of the list, in list order, each as a whole section of
// 80 keys. The store is expected to be empty: the caller gives it a new file.
void SaveSchemes(const SchemeList& list, IniStore& store);

// A scheme's 80 keys and values in the order of the file.
IniPairs SchemeKeyValues(const TScheme& scheme);

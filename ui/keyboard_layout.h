#pragma once
// Where each key of a full-size keyboard lies in the keyboard picture, in key
// units (1 is the width of a letter key) with y growing downwards: the ANSI
// layout with the ISO key beside Left Shift, the navigation block, the keypad,
// and the mouse's two buttons to the right of it. The picture draws from here,
// and the arrow keys move through it from here.

#include <span>

#include "settings/key_table.h"

// The mouse buttons come after the rows of KeyTable().
inline constexpr int kKeyLeftButton = kKeyCount;
inline constexpr int kKeyRightButton = kKeyCount + 1;

struct KeyPlace {
  int key;  // a row of KeyTable(), kKeyLeftButton or kKeyRightButton
  float x, y, width, height;
};

// Every key of the picture once (F13..F15 have no place on it), in the order
// of KeyTable() with the two buttons last.
std::span<const KeyPlace> KeyboardPlaces();

float KeyboardWidthUnits();
float KeyboardHeightUnits();

// The place of a key, or null for one the picture does not show.
const KeyPlace* PlaceOfKey(int key);

// The key whose place holds the point, or -1 between and outside the keys.
int KeyAtUnits(float x, float y);

// Where an arrow key moves from `key` (dx, dy: one of them -1 or 1): the
// nearest key wholly on that side, one that shares a stretch of the other
// axis before any that does not; `key` itself at the picture's edge.
int NeighbourKey(int key, int dx, int dy);

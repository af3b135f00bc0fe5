#include "ui/keyboard_layout.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace {

struct NamedPlace {
  std::string_view name;
  float x, y, width, height;
};

// The rows of keys below the function row start half a key lower, as on the
// keyboards themselves; the navigation block and the keypad each stand a
// quarter key and more apart from the block before them.
constexpr float kMainTop = 1.5f;
constexpr float kNavigationLeft = 15.25f;
constexpr float kKeypadLeft = 18.5f;
constexpr float kMouseLeft = 23.0f;
constexpr float kButtonWidth = 1.5f;
constexpr float kButtonHeight = 2.0f;

constexpr float kEpsilon = 0.001f;

// Keys of one width placed left to right from x, each 1 unit wide.
void AddRun(std::vector<NamedPlace>& places, std::initializer_list<std::string_view> names, float x, float y) {
  for (std::string_view name : names) {
    places.push_back({name, x, y, 1.0f, 1.0f});
    x += 1.0f;
  }
}

std::vector<NamedPlace> NamedPlaces() {
  std::vector<NamedPlace> p;
  // The function row: Escape, then three groups of four with half a key between.
  p.push_back({"Escape", 0, 0, 1, 1});
  AddRun(p, {"F1", "F2", "F3", "F4"}, 2.0f, 0);
  AddRun(p, {"F5", "F6", "F7", "F8"}, 6.5f, 0);
  AddRun(p, {"F9", "F10", "F11", "F12"}, 11.0f, 0);

  float y = kMainTop;
  AddRun(p, {"Grave", "D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8", "D9", "D0", "Minus", "Equals"}, 0, y);
  p.push_back({"Backspace", 13.0f, y, 2.0f, 1});
  y += 1;
  p.push_back({"Tab", 0, y, 1.5f, 1});
  AddRun(p, {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "LeftBracket", "RightBracket"}, 1.5f, y);
  p.push_back({"Backslash", 13.5f, y, 1.5f, 1});
  y += 1;
  p.push_back({"CapsLock", 0, y, 1.75f, 1});
  AddRun(p, {"A", "S", "D", "F", "G", "H", "J", "K", "L", "Semicolon", "Quote"}, 1.75f, y);
  p.push_back({"Enter", 12.75f, y, 2.25f, 1});
  y += 1;
  // The ISO key takes a quarter of the ANSI Left Shift's width (2.25).
  p.push_back({"LeftShift", 0, y, 1.25f, 1});
  AddRun(p, {"IntlBackslash", "Z", "X", "C", "V", "B", "N", "M", "Comma", "Period", "Slash"}, 1.25f, y);
  p.push_back({"RightShift", 12.25f, y, 2.75f, 1});
  y += 1;
  float x = 0;
  for (std::string_view name : {"LeftCtrl", "LeftWin", "LeftAlt"}) {
    p.push_back({name, x, y, 1.25f, 1});
    x += 1.25f;
  }
  p.push_back({"Space", x, y, 6.25f, 1});
  x += 6.25f;
  for (std::string_view name : {"RightAlt", "RightWin", "Menu", "RightCtrl"}) {
    p.push_back({name, x, y, 1.25f, 1});
    x += 1.25f;
  }

  AddRun(p, {"PrintScreen", "ScrollLock", "Pause"}, kNavigationLeft, 0);
  AddRun(p, {"Insert", "Home", "PageUp"}, kNavigationLeft, kMainTop);
  AddRun(p, {"Delete", "End", "PageDown"}, kNavigationLeft, kMainTop + 1);
  p.push_back({"Up", kNavigationLeft + 1, kMainTop + 3, 1, 1});
  AddRun(p, {"Left", "Down", "Right"}, kNavigationLeft, kMainTop + 4);

  y = kMainTop;
  AddRun(p, {"NumLock", "NumpadDivide", "NumpadMultiply", "NumpadSubtract"}, kKeypadLeft, y);
  AddRun(p, {"Numpad7", "Numpad8", "Numpad9"}, kKeypadLeft, y + 1);
  p.push_back({"NumpadAdd", kKeypadLeft + 3, y + 1, 1, 2});
  AddRun(p, {"Numpad4", "Numpad5", "Numpad6"}, kKeypadLeft, y + 2);
  AddRun(p, {"Numpad1", "Numpad2", "Numpad3"}, kKeypadLeft, y + 3);
  p.push_back({"NumpadEnter", kKeypadLeft + 3, y + 3, 1, 2});
  p.push_back({"Numpad0", kKeypadLeft, y + 4, 2, 1});
  p.push_back({"NumpadDecimal", kKeypadLeft + 2, y + 4, 1, 1});
  return p;
}

struct Layout {
  std::vector<KeyPlace> places;
  std::vector<int> indexOfKey;  // into places, -1 for a key without a place
  float width = 0;
  float height = 0;
};

Layout BuildLayout() {
  Layout layout;
  for (const NamedPlace& named : NamedPlaces()) {
    int key = FindKeyByName(named.name);
    if (key >= 0) layout.places.push_back({key, named.x, named.y, named.width, named.height});
  }
  std::sort(layout.places.begin(), layout.places.end(),
            [](const KeyPlace& a, const KeyPlace& b) { return a.key < b.key; });
  layout.places.push_back({kKeyLeftButton, kMouseLeft, kMainTop, kButtonWidth, kButtonHeight});
  layout.places.push_back({kKeyRightButton, kMouseLeft + kButtonWidth, kMainTop, kButtonWidth, kButtonHeight});
  layout.indexOfKey.assign(static_cast<size_t>(kKeyCount + 2), -1);
  for (size_t i = 0; i < layout.places.size(); ++i) {
    const KeyPlace& place = layout.places[i];
    layout.indexOfKey[static_cast<size_t>(place.key)] = static_cast<int>(i);
    layout.width = std::max(layout.width, place.x + place.width);
    layout.height = std::max(layout.height, place.y + place.height);
  }
  return layout;
}

const Layout& TheLayout() {
  static const Layout layout = BuildLayout();
  return layout;
}

// How much two stretches [a0, a1) and [b0, b1) of one axis share; negative:
// the gap between them.
float Shared(float a0, float a1, float b0, float b1) { return std::min(a1, b1) - std::max(a0, b0); }

}  // namespace

std::span<const KeyPlace> KeyboardPlaces() { return TheLayout().places; }

float KeyboardWidthUnits() { return TheLayout().width; }
float KeyboardHeightUnits() { return TheLayout().height; }

const KeyPlace* PlaceOfKey(int key) {
  const Layout& layout = TheLayout();
  if (key < 0 || key >= static_cast<int>(layout.indexOfKey.size())) return nullptr;
  int index = layout.indexOfKey[static_cast<size_t>(key)];
  return index < 0 ? nullptr : &layout.places[static_cast<size_t>(index)];
}

int KeyAtUnits(float x, float y) {
  for (const KeyPlace& place : KeyboardPlaces()) {
    if (x >= place.x && x < place.x + place.width && y >= place.y && y < place.y + place.height) return place.key;
  }
  return -1;
}

int NeighbourKey(int key, int dx, int dy) {
  const KeyPlace* from = PlaceOfKey(key);
  if (!from || (dx == 0) == (dy == 0)) return key;
  bool horizontal = dx != 0;
  int sign = horizontal ? dx : dy;
  // Along: the axis of the move; across: the other one.
  auto along = [&](const KeyPlace& p) { return horizontal ? p.x : p.y; };
  auto alongSize = [&](const KeyPlace& p) { return horizontal ? p.width : p.height; };
  auto across = [&](const KeyPlace& p) { return horizontal ? p.y : p.x; };
  auto acrossSize = [&](const KeyPlace& p) { return horizontal ? p.height : p.width; };

  int best = key;
  // Compared in order: shares no stretch across (0 before 1), the gap along,
  // how far apart the centres are across.
  struct Score {
    int apart;
    float gap;
    float centres;
    bool operator<(const Score& o) const {
      if (apart != o.apart) return apart < o.apart;
      if (std::fabs(gap - o.gap) > kEpsilon) return gap < o.gap;
      return centres < o.centres - kEpsilon;
    }
  };
  Score bestScore{2, 0, 0};
  for (const KeyPlace& to : KeyboardPlaces()) {
    if (to.key == key) continue;
    float gap = sign > 0 ? along(to) - (along(*from) + alongSize(*from))
                         : along(*from) - (along(to) + alongSize(to));
    if (gap < -kEpsilon) continue;  // not wholly on that side
    float shared = Shared(across(*from), across(*from) + acrossSize(*from), across(to), across(to) + acrossSize(to));
    bool shares = shared > kEpsilon;
    // A key that shares nothing across is as far as its gaps on both axes.
    Score score{shares ? 0 : 1, shares ? gap : gap - shared,
                std::fabs((across(to) + acrossSize(to) / 2) - (across(*from) + acrossSize(*from) / 2))};
    if (score < bestScore) {
      bestScore = score;
      best = to.key;
    }
  }
  return best;
}

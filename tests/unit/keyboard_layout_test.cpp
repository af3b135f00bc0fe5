#include "ui/keyboard_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <queue>
#include <set>
#include <string>

namespace {

int Key(std::string_view name) { return FindKeyByName(name); }
const KeyPlace& Place(std::string_view name) { return *PlaceOfKey(Key(name)); }
float Right(const KeyPlace& p) { return p.x + p.width; }
float Bottom(const KeyPlace& p) { return p.y + p.height; }

std::string NameOf(int key) {
  if (key >= kKeyCount) return key == kKeyLeftButton ? "LeftButton" : "RightButton";
  return std::string(KeyTable()[static_cast<size_t>(key)].name);
}

}  // namespace

// ---- Which keys, and where ---------------------------------------------------------

TEST(KeyboardLayout, EveryTableKeyButF13ToF15OnceAndBothButtons) {
  std::map<int, int> seen;
  for (const KeyPlace& place : KeyboardPlaces()) ++seen[place.key];
  std::set<int> undrawn = {Key("F13"), Key("F14"), Key("F15")};
  for (int key = 0; key < kKeyCount + 2; ++key) {
    EXPECT_EQ(seen[key], undrawn.count(key) ? 0 : 1) << NameOf(key);
    EXPECT_EQ(PlaceOfKey(key) ? PlaceOfKey(key)->key : -1, undrawn.count(key) ? -1 : key) << NameOf(key);
  }
}

TEST(KeyboardLayout, NoTwoKeysOverlapAndAllLieInside) {
  auto places = KeyboardPlaces();
  for (size_t i = 0; i < places.size(); ++i) {
    const KeyPlace& a = places[i];
    EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.width >= 1 && a.height >= 1) << NameOf(a.key);
    EXPECT_TRUE(Right(a) <= KeyboardWidthUnits() && Bottom(a) <= KeyboardHeightUnits()) << NameOf(a.key);
    for (size_t j = i + 1; j < places.size(); ++j) {
      const KeyPlace& b = places[j];
      bool apart = Right(a) <= b.x || Right(b) <= a.x || Bottom(a) <= b.y || Bottom(b) <= a.y;
      EXPECT_TRUE(apart) << NameOf(a.key) << " overlaps " << NameOf(b.key);
    }
  }
}

TEST(KeyboardLayout, TheShapesOfAFullSizeKeyboard) {
  for (std::string_view last : {"F12", "Backspace", "Backslash", "Enter", "RightShift", "RightCtrl"}) {
    EXPECT_FLOAT_EQ(Right(Place(last)), 15.0f) << last << ": the main block's rows end together";
  }
  EXPECT_TRUE(Place("Up").x == Place("Down").x && Bottom(Place("Up")) == Place("Down").y) << "the inverted T";
  const KeyPlace& left = *PlaceOfKey(kKeyLeftButton);
  const KeyPlace& right = *PlaceOfKey(kKeyRightButton);
  EXPECT_GT(left.x, Right(Place("NumpadSubtract"))) << "the buttons stand right of the keypad";
  EXPECT_TRUE(right.x == Right(left) && right.y == left.y) << "side by side";
}

// ---- Hits ----------------------------------------------------------------------------

TEST(KeyboardLayout, EscapeIsTopLeftAndEachCentreHitsItsKey) {
  for (const KeyPlace& place : KeyboardPlaces()) {
    EXPECT_TRUE(place.x >= 0 && place.y >= 0 && (place.x > 0 || place.y > 0 || place.key == Key("Escape")));
    EXPECT_EQ(KeyAtUnits(place.x + place.width / 2, place.y + place.height / 2), place.key) << NameOf(place.key);
    EXPECT_EQ(KeyAtUnits(Right(place) - 0.01f, Bottom(place) - 0.01f), place.key) << NameOf(place.key);
  }
  EXPECT_EQ(KeyAtUnits(0.01f, 0.01f), Key("Escape"));
  EXPECT_EQ(KeyAtUnits(1.5f, 0.5f), -1) << "between Escape and F1";
  EXPECT_EQ(KeyAtUnits(5.0f, 1.25f), -1) << "between the function row and the digits";
  EXPECT_EQ(KeyAtUnits(KeyboardWidthUnits() + 0.5f, 2.0f), -1);
}

// ---- The arrow keys' moves ---------------------------------------------------------------

TEST(KeyboardNeighbours, TheObviousMovesAndNoneAtAnEdge) {
  EXPECT_EQ(NeighbourKey(Key("Q"), 1, 0), Key("W"));
  EXPECT_EQ(NeighbourKey(Key("W"), -1, 0), Key("Q"));
  EXPECT_EQ(NeighbourKey(Key("Escape"), 0, 1), Key("Grave"));
  EXPECT_EQ(NeighbourKey(Key("Grave"), 0, -1), Key("Escape"));
  EXPECT_EQ(NeighbourKey(Key("Down"), 0, -1), Key("Up"));
  const KeyPlace& space = Place("Space");
  const KeyPlace& above = *PlaceOfKey(NeighbourKey(Key("Space"), 0, -1));
  EXPECT_EQ(above.y, Place("Z").y) << "up from Space: the row above";
  EXPECT_TRUE(above.x >= space.x && Right(above) <= Right(space)) << NameOf(above.key);
  EXPECT_EQ(NeighbourKey(Key("Grave"), -1, 0), Key("Grave"));
  EXPECT_EQ(NeighbourKey(Key("LeftCtrl"), 0, 1), Key("LeftCtrl"));
  EXPECT_EQ(NeighbourKey(kKeyRightButton, 1, 0), kKeyRightButton);
}

TEST(KeyboardNeighbours, EveryMoveGoesWhollyThatWayAndEveryKeyCanBeReached) {
  const int directions[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const KeyPlace& from : KeyboardPlaces()) {
    for (auto [dx, dy] : directions) {
      int to = NeighbourKey(from.key, dx, dy);
      if (to == from.key) continue;
      const KeyPlace& p = *PlaceOfKey(to);
      bool wholly = (dx > 0 && p.x >= Right(from)) || (dx < 0 && Right(p) <= from.x) ||
                    (dy > 0 && p.y >= Bottom(from)) || (dy < 0 && Bottom(p) <= from.y);
      EXPECT_TRUE(wholly) << NameOf(from.key) << " moves " << dx << "," << dy << " to " << NameOf(to);
    }
  }
  std::set<int> reached = {Key("Escape")};
  std::queue<int> open({Key("Escape")});
  for (; !open.empty(); open.pop()) {
    for (auto [dx, dy] : directions) {
      int next = NeighbourKey(open.front(), dx, dy);
      if (reached.insert(next).second) open.push(next);
    }
  }
  EXPECT_EQ(reached.size(), KeyboardPlaces().size()) << "the arrows reach every key from Escape";
}

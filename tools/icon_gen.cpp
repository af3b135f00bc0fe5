// Draws the program's icons and the about-box logo: assets/icons/*.ico and
// assets/icons/logo.bmp.
//
//   icon_gen <output folder>
//
// Every picture is vector drawing, repeated at each icon size rather than
// scaled from one bitmap: a 16 px tray icon shrunk from 32 px smears its
// outlines over two pixels, while one drawn at 16 px can put each edge on a
// pixel boundary. Layouts are written on a 16-unit grid; Snap() rounds the
// edges of straight shapes to whole pixels of the size being drawn, and
// curves (waves, balls, glyphs) get coverage anti-aliasing instead.
//
// Shapes are signed distance functions in pixel units (negative inside).
// A pixel farther than 0.75 px from an edge is wholly in or out; pixels on
// an edge are sampled 16 x 16 times, which gives their true area coverage.
// The distances used here never overstate how far an edge is, so the early
// test is safe. Only float arithmetic and the C library's sqrt/atan2/cos/sin
// are involved, with no time stamps or randomness, so every run writes the
// same bytes.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <stdexcept>
#include <utility>
#include <vector>

#include <zlib.h>

namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------- geometry

struct Vec {
  double x = 0, y = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, double k) { return {a.x * k, a.y * k}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }

using Shape = std::function<double(Vec)>;

Shape Circle(Vec c, double r) {
  return [=](Vec p) { return Length(p - c) - r; };
}

// Axis-aligned box from (x0,y0) to (x1,y1) with corner radius r.
Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
  const Vec c{(x0 + x1) / 2, (y0 + y1) / 2};
  r = std::min({r, (x1 - x0) / 2, (y1 - y0) / 2});
  const Vec h{(x1 - x0) / 2 - r, (y1 - y0) / 2 - r};
  return [=](Vec p) {
    const Vec q{std::abs(p.x - c.x) - h.x, std::abs(p.y - c.y) - h.y};
    const Vec outside{std::max(q.x, 0.0), std::max(q.y, 0.0)};
    return Length(outside) + std::min(std::max(q.x, q.y), 0.0) - r;
  };
}

// A stroke of width w along the segment a-b, with round ends.
Shape Line(Vec a, Vec b, double w) {
  return [=](Vec p) {
    const Vec ab = b - a;
    const double t = std::clamp(Dot(p - a, ab) / Dot(ab, ab), 0.0, 1.0);
    return Length(p - (a + ab * t)) - w / 2;
  };
}

// A stroke of width w along the circle (c, r), covering directions within
// halfSpan of `direction` (radians, y pointing down), with round ends.
Shape Arc(Vec c, double r, double direction, double halfSpan, double w) {
  const Vec end1 = c + Vec{std::cos(direction - halfSpan), std::sin(direction - halfSpan)} * r;
  const Vec end2 = c + Vec{std::cos(direction + halfSpan), std::sin(direction + halfSpan)} * r;
  return [=](Vec p) {
    const Vec d = p - c;
    double off = std::atan2(d.y, d.x) - direction;
    off = std::remainder(off, 2 * kPi);
    double dist;
    if (std::abs(off) <= halfSpan) {
      dist = std::abs(Length(d) - r);
    } else {
      dist = std::min(Length(p - end1), Length(p - end2));
    }
    return dist - w / 2;
  };
}

// Any simple polygon (even-odd rule), exact distance.
Shape Polygon(std::vector<Vec> v) {
  return [v = std::move(v)](Vec p) {
    double d = Dot(p - v[0], p - v[0]);
    double sign = 1;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
      const Vec e = v[j] - v[i];
      const Vec w = p - v[i];
      const Vec b = w - e * std::clamp(Dot(w, e) / Dot(e, e), 0.0, 1.0);
      d = std::min(d, Dot(b, b));
      const bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y, c3 = e.x * w.y > e.y * w.x;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
    }
    return sign * std::sqrt(d);
  };
}

Shape Union(Shape a, Shape b) {
  return [=](Vec p) { return std::min(a(p), b(p)); };
}
Shape Minus(Shape a, Shape b) {
  return [=](Vec p) { return std::max(a(p), -b(p)); };
}
Shape Intersect(Shape a, Shape b) {
  return [=](Vec p) { return std::max(a(p), b(p)); };
}

// ------------------------------------------------------------------ colour

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

Rgba Hex(uint32_t rgb, double alpha = 1) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Rgba Mix(Rgba a, Rgba b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

using Paint = std::function<Rgba(Vec)>;

Paint Solid(Rgba c) {
  return [=](Vec) { return c; };
}
Paint Vertical(double y0, Rgba top, double y1, Rgba bottom) {
  return [=](Vec p) { return Mix(top, bottom, (p.y - y0) / (y1 - y0)); };
}
Paint Radial(Vec c, double r, Rgba inner, Rgba outer) {
  return [=](Vec p) { return Mix(inner, outer, Length(p - c) / r); };
}

// ------------------------------------------------------------------ canvas

class Canvas {
 public:
  Canvas(int width, int height) : w_(width), h_(height), px_(size_t(width) * height) {}

  int Width() const { return w_; }
  int Height() const { return h_; }

  void Fill(const Shape& shape, const Paint& paint) {
    ForEachCovered(shape, [&](Rgba& dst, Vec centre, double cover) {
      Rgba src = paint(centre);
      const double a = src.a * cover;
      dst.r = src.r * a + dst.r * (1 - a);
      dst.g = src.g * a + dst.g * (1 - a);
      dst.b = src.b * a + dst.b * (1 - a);
      dst.a = a + dst.a * (1 - a);
    });
  }
  void Fill(const Shape& shape, Rgba colour) { Fill(shape, Solid(colour)); }

  // Cuts the shape out of what is already drawn, leaving transparency: a
  // gap between a slash and the picture under it reads on light and dark
  // taskbars alike, where a white halo would glare on a dark one.
  void Erase(const Shape& shape) {
    ForEachCovered(shape, [](Rgba& dst, Vec, double cover) {
      dst.r *= 1 - cover;
      dst.g *= 1 - cover;
      dst.b *= 1 - cover;
      dst.a *= 1 - cover;
    });
  }

  // A soft-edged fill (shadows): coverage falls off over `blur` pixels.
  void Soft(const Shape& shape, Rgba colour, double blur) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const double d = shape({x + 0.5, y + 0.5});
        const double a = colour.a * std::clamp(0.5 - d / blur, 0.0, 1.0);
        Rgba& dst = px_[size_t(y) * w_ + x];
        dst.r = colour.r * a + dst.r * (1 - a);
        dst.g = colour.g * a + dst.g * (1 - a);
        dst.b = colour.b * a + dst.b * (1 - a);
        dst.a = a + dst.a * (1 - a);
      }
    }
  }

  // Composites another canvas over this one with its top left at (ox, oy).
  void Draw(const Canvas& src, int ox, int oy) {
    for (int y = 0; y < src.h_; ++y) {
      for (int x = 0; x < src.w_; ++x) {
        if (x + ox < 0 || y + oy < 0 || x + ox >= w_ || y + oy >= h_) continue;
        const Rgba& s = src.px_[size_t(y) * src.w_ + x];
        Rgba& d = px_[size_t(y + oy) * w_ + x + ox];
        d = {s.r + d.r * (1 - s.a), s.g + d.g * (1 - s.a), s.b + d.b * (1 - s.a), s.a + d.a * (1 - s.a)};
      }
    }
  }

  // Straight (not premultiplied) 8-bit RGBA, rows top to bottom.
  std::vector<uint8_t> Rgba8() const {
    std::vector<uint8_t> out(px_.size() * 4);
    for (size_t i = 0; i < px_.size(); ++i) {
      const Rgba& p = px_[i];
      const int a = int(std::lround(std::clamp(p.a, 0.0, 1.0) * 255));
      auto channel = [&](double premultiplied) {
        if (a == 0) return uint8_t(0);
        return uint8_t(std::lround(std::clamp(premultiplied / p.a, 0.0, 1.0) * 255));
      };
      out[i * 4 + 0] = channel(p.r);
      out[i * 4 + 1] = channel(p.g);
      out[i * 4 + 2] = channel(p.b);
      out[i * 4 + 3] = uint8_t(a);
    }
    return out;
  }

 private:
  template <typename Op>
  void ForEachCovered(const Shape& shape, Op op) {
    constexpr int kSub = 16;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const Vec centre{x + 0.5, y + 0.5};
        const double d = shape(centre);
        double cover;
        if (d > 0.75) {
          continue;
        } else if (d < -0.75) {
          cover = 1;
        } else {
          int inside = 0;
          for (int sy = 0; sy < kSub; ++sy) {
            for (int sx = 0; sx < kSub; ++sx) {
              if (shape({x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub}) <= 0) ++inside;
            }
          }
          if (inside == 0) continue;
          cover = inside / double(kSub * kSub);
        }
        op(px_[size_t(y) * w_ + x], centre, cover);
      }
    }
  }

  int w_, h_;
  std::vector<Rgba> px_;  // premultiplied
};

// ------------------------------------------------------------------ layout

// Maps the 16-unit design grid onto an icon of n pixels.
struct Grid {
  int n;
  double s() const { return n / 16.0; }
  double P(double v) const { return v * s(); }
  Vec P(double x, double y) const { return {x * s(), y * s()}; }
  // Edges of straight shapes land on whole pixels so they stay sharp.
  double Snap(double v) const { return std::round(v * s()); }
  // Outline width: one pixel up to 24 px, then growing with the icon.
  double Outline() const { return std::max(1.0, std::round(s() * 0.9)); }
  // Wave and glyph strokes: never thinner than 1.6 px, even at 16 px,
  // below which an anti-aliased arc turns into a grey smudge.
  double Stroke(double units) const { return std::max(1.6, units * s()); }
};

// The program's colours.
const Rgba kKeyOutline = Hex(0x1B4F91);
const Rgba kKeySide = Hex(0x2F7DE1);
const Rgba kKeyTopLight = Hex(0x9ACBFF);
const Rgba kKeyTopDark = Hex(0x5FA4F2);
const Rgba kWave = Hex(0xF28C1E);
const Rgba kRed = Hex(0xE0301E);

struct KeyColours {
  Rgba outline, side, topLight, topDark;
};

const KeyColours kKeyOn{kKeyOutline, kKeySide, kKeyTopLight, kKeyTopDark};
const KeyColours kKeyOff{Hex(0x5E6368), Hex(0x9AA0A6), Hex(0xDADDE0), Hex(0xC3C7CB)};
const KeyColours kKeyDown{Hex(0x9A4A00), Hex(0xE88A0C), Hex(0xFFE37A), Hex(0xFFC93C)};

// A key cap seen from the front: outline, the side band (deepest at the
// bottom, as on a real cap) and the lighter top face. A pressed cap sits
// lower, its side band all but gone, so the picture itself moves down.
void DrawKeyCap(Canvas& c, const Grid& g, double x0, double y0, double x1, double y1, bool pressed,
                const KeyColours& k) {
  const double ow = g.Outline();
  const double X0 = g.Snap(x0), X1 = g.Snap(x1);
  const double Y0 = g.Snap(pressed ? y0 + 3 : y0), Y1 = g.Snap(y1);
  const double radius = g.P(2.5);
  c.Fill(RoundRect(X0, Y0, X1, Y1, radius), k.outline);
  c.Fill(RoundRect(X0 + ow, Y0 + ow, X1 - ow, Y1 - ow, radius - ow), k.side);
  const double inset = std::max(1.0, g.Snap(1.25));
  const double lip = pressed ? std::max(1.0, g.Snap(1)) : std::max(2.0, g.Snap(3));
  const double tx0 = X0 + ow + inset, tx1 = X1 - ow - inset;
  const double ty0 = Y0 + ow + (pressed ? 0 : std::max(0.0, g.Snap(0.5))), ty1 = Y1 - ow - lip;
  c.Fill(RoundRect(tx0, ty0, tx1, ty1, g.P(1.25)), Vertical(ty0, k.topLight, ty1, k.topDark));
}

// Two sound waves spreading to the right from (cx, cy), in grid units. The
// inner one is shorter so that its ends stay clear of what makes the sound.
Shape Waves(const Grid& g, double cx, double cy, double r1, double r2, double halfSpanDeg) {
  const double span = halfSpanDeg * kPi / 180;
  const double w = g.Stroke(1.6);
  return Union(Arc(g.P(cx, cy), g.P(r1), 0, span * 0.8, w), Arc(g.P(cx, cy), g.P(r2), 0, span, w));
}

// A cross of two strokes filling the box (grid units).
Shape Cross(const Grid& g, double x0, double y0, double x1, double y1, double w) {
  return Union(Line(g.P(x0, y0), g.P(x1, y1), w), Line(g.P(x0, y1), g.P(x1, y0), w));
}

// The red "off" cross, cut free of what is drawn before it. Whatever is
// drawn between Cut and Mark (the waves it crosses out) stays whole under it.
void CutForCross(Canvas& c, const Grid& g, double x0, double y0, double x1, double y1) {
  const double w = std::max(2.0, g.P(2.2));
  c.Erase(Cross(g, x0, y0, x1, y1, w + 2 * std::max(1.0, g.P(1))));
}
void MarkCross(Canvas& c, const Grid& g, double x0, double y0, double x1, double y1) {
  c.Fill(Cross(g, x0, y0, x1, y1, std::max(2.0, g.P(2.2))), kRed);
}

// ------------------------------------------------------------------- icons

// Tray: sound on. Blue key cap, orange waves.
void TraySoundOn(Canvas& c, const Grid& g) {
  DrawKeyCap(c, g, 0, 2, 10, 15, false, kKeyOn);
  c.Fill(Waves(g, 7.5, 8, 4.5, 7.3, 40), kWave);
}

// Tray: sound off. The same picture greyed, with a red cross over the waves.
void TraySoundOff(Canvas& c, const Grid& g) {
  DrawKeyCap(c, g, 0, 2, 10, 15, false, kKeyOff);
  CutForCross(c, g, 10.5, 5, 15.5, 10.5);
  c.Fill(Waves(g, 7.5, 8, 4.5, 7.3, 40), kKeyOff.side);
  MarkCross(c, g, 10.5, 5, 15.5, 10.5);
}

// Tray: a key is held. Amber cap pushed down, with a push mark above it.
void TrayKeyHeld(Canvas& c, const Grid& g) {
  DrawKeyCap(c, g, 0, 2, 10, 15, true, kKeyDown);
  c.Fill(Waves(g, 7.5, 10, 4.5, 7.3, 38), kWave);
  // Down arrow over the cap: the cap alone, shorter by 3 units, is the only
  // other hint at 16 px and reads as "smaller" rather than "pressed".
  const double w = g.Stroke(1.4);
  c.Fill(Union(Line(g.P(5, 0.6), g.P(5, 3.6), w),
               Polygon({g.P(2.5, 2.6), g.P(7.5, 2.6), g.P(5, 5.2)})),
         kKeyDown.outline);
}

// A mouse, seen from above, with the left button lit when `leftLit`.
void DrawMouse(Canvas& c, const Grid& g, double x0, double y0, double x1, double y1, bool leftLit) {
  const double ow = g.Outline();
  const double X0 = g.Snap(x0), X1 = g.Snap(x1), Y0 = g.Snap(y0), Y1 = g.Snap(y1);
  const double r = (X1 - X0) / 2;
  const Shape body = RoundRect(X0, Y0, X1, Y1, r);
  const Shape inner = RoundRect(X0 + ow, Y0 + ow, X1 - ow, Y1 - ow, r - ow);
  c.Fill(body, Hex(0x39424C));
  c.Fill(inner, Vertical(Y0, Hex(0xFFFFFF), Y1, Hex(0xC9D0D8)));
  const double split = g.Snap(y0 + (y1 - y0) * 0.45);
  const double mid = std::round((X0 + X1) / 2 - ow / 2);
  if (leftLit) {
    const Shape leftButton = Intersect(inner, RoundRect(X0, Y0, mid, split, 0));
    c.Fill(leftButton, Vertical(Y0, Hex(0xFFD54A), split, Hex(0xF2761E)));
  }
  // Button seams.
  c.Fill(RoundRect(X0, split, X1, split + ow, 0), Hex(0x39424C));
  c.Fill(RoundRect(mid, Y0, mid + ow, split, 0), Hex(0x39424C));
}

// Tray: a mouse button is held.
void TrayMouseHeld(Canvas& c, const Grid& g) {
  DrawMouse(c, g, 1, 0.5, 10, 15.5, true);
  c.Fill(Waves(g, 7.5, 6, 4.5, 7.3, 40), kWave);
}

// Menu marker balls.
void Ball(Canvas& c, const Grid& g, Rgba light, Rgba dark, Rgba rim) {
  const Shape ball = Circle(g.P(8, 8), g.P(6.5));
  c.Fill(ball, rim);
  c.Fill(Circle(g.P(8, 8), g.P(6.5) - g.Outline()), Radial(g.P(6, 5.5), g.P(8), light, dark));
  c.Fill(Circle(g.P(6.2, 5.6), std::max(0.9, g.P(1.6))), Hex(0xFFFFFF, 0.75));
}
void BallOn(Canvas& c, const Grid& g) { Ball(c, g, Hex(0xB6F59A), Hex(0x2E9E3A), Hex(0x1D6B26)); }
void BallOff(Canvas& c, const Grid& g) { Ball(c, g, Hex(0xF2F3F4), Hex(0x9CA3AA), Hex(0x646B72)); }

// Options: a gear.
void Options(Canvas& c, const Grid& g) {
  const Vec centre = g.P(8, 8);
  Shape gear = Circle(centre, g.P(5.3));
  constexpr int kTeeth = 8;
  for (int i = 0; i < kTeeth; ++i) {
    const double a = 2 * kPi * i / kTeeth + kPi / 8;
    const Vec dir{std::cos(a), std::sin(a)};
    const Vec side{-dir.y, dir.x};
    const double halfWidth = g.P(1.35), inner = g.P(4), outer = g.P(7.6);
    gear = Union(gear, Polygon({centre + dir * inner + side * halfWidth, centre + dir * outer + side * (halfWidth * 0.8),
                                centre + dir * outer - side * (halfWidth * 0.8), centre + dir * inner - side * halfWidth}));
  }
  const Shape hole = Circle(centre, g.P(2.4));
  c.Fill(Minus(gear, hole), Hex(0x3F4B59));
  // The face inside the teeth, lighter, so the gear is not a flat blot.
  const Shape face = Minus(Circle(centre, g.P(5.3) - g.Outline()), Circle(centre, g.P(2.4) + g.Outline()));
  c.Fill(face, Radial(g.P(6, 5), g.P(7), Hex(0xB7C3D0), Hex(0x6F7E8F)));
}

// A speaker: the magnet box and the cone, facing right.
void DrawSpeaker(Canvas& c, const Grid& g, Rgba colour) {
  const Shape box = RoundRect(g.Snap(1), g.Snap(5.5), g.Snap(4.5), g.Snap(10.5), g.P(0.5));
  // The cone's flat front on a pixel boundary, or it shows as a pale seam.
  const double front = g.Snap(8.5);
  const Shape cone = Polygon({g.P(3.5, 5.5), {front, g.P(1.5)}, {front, g.P(14.5)}, g.P(3.5, 10.5)});
  c.Fill(Union(box, cone), colour);
}

void SoundsOn(Canvas& c, const Grid& g) {
  DrawSpeaker(c, g, Hex(0x3C4650));
  c.Fill(Waves(g, 7, 8, 4.5, 7.5, 45), kKeySide);
}

void SoundsOff(Canvas& c, const Grid& g) {
  DrawSpeaker(c, g, Hex(0x6B737B));
  CutForCross(c, g, 10, 5, 15, 10.5);
  MarkCross(c, g, 10, 5, 15, 10.5);
}

// Scheme: a card listing sounds, each row with its own coloured mark.
void Scheme(Canvas& c, const Grid& g) {
  const double ow = g.Outline();
  const double X0 = g.Snap(1.5), X1 = g.Snap(14.5), Y0 = g.Snap(1), Y1 = g.Snap(15);
  c.Fill(RoundRect(X0, Y0, X1, Y1, g.P(1.5)), Hex(0x4A5561));
  c.Fill(RoundRect(X0 + ow, Y0 + ow, X1 - ow, Y1 - ow, g.P(1.5) - ow), Hex(0xFBFCFD));
  const std::array<Rgba, 3> marks{kKeySide, kWave, Hex(0x2E9E3A)};
  // Rows and the gaps between them are the same whole number of pixels, so
  // the three rows never run together into one grey block at 16 px.
  const double row = std::max(2.0, std::floor(g.P(2)));
  const double innerTop = Y0 + ow, innerHeight = Y1 - Y0 - 2 * ow;
  const double top = innerTop + std::floor((innerHeight - 5 * row) / 2);
  for (int i = 0; i < 3; ++i) {
    const double y = top + 2 * row * i;
    c.Fill(RoundRect(g.Snap(3.5), y, g.Snap(3.5) + row, y + row, 0), marks[size_t(i)]);
    c.Fill(RoundRect(g.Snap(3.5) + row + std::max(1.0, g.Snap(1.5)), y, X1 - ow - g.Snap(2), y + row, 0), Hex(0x9AA3AD));
  }
}

// Help: a question mark in a blue disc.
void Help(Canvas& c, const Grid& g) {
  const Shape disc = Circle(g.P(8, 8), g.P(7.5));
  c.Fill(disc, Hex(0x1B4F91));
  c.Fill(Circle(g.P(8, 8), g.P(7.5) - g.Outline()), Vertical(0, Hex(0x63A8F5), g.P(16), Hex(0x2566C4)));
  const double w = g.Stroke(2);
  // Hook: from the left over the top and round to the right side, then a
  // short diagonal into the stem.
  const Vec hc = g.P(8, 6.1);
  const double hr = g.P(2.5);
  const Shape hook = Arc(hc, hr, -kPi / 2 + 0.35, 1.75, w);
  const Vec hookEnd = hc + Vec{std::cos(-kPi / 2 + 0.35 + 1.75), std::sin(-kPi / 2 + 0.35 + 1.75)} * hr;
  const Shape stem = Union(Line(hookEnd, g.P(8, 9.2), w), Line(g.P(8, 9.2), g.P(8, 9.8), w));
  const Shape dot = Circle(g.P(8, 12.3), std::max(1.0, g.P(1.2)));
  c.Fill(Union(Union(hook, stem), dot), Hex(0xFFFFFF));
}

// Exit: the power symbol, red.
void Exit(Canvas& c, const Grid& g) {
  const double w = g.Stroke(2.1);
  const Shape ring = Arc(g.P(8, 8.7), g.P(5.6), kPi / 2, kPi - 0.62, w);
  const Shape bar = Line(g.P(8, 1.6), g.P(8, 7.6), w);
  c.Fill(Union(ring, bar), Hex(0xD42A1C));
}

// Reverb: a source and its echoes, each ring fainter than the last.
void Reverb(Canvas& c, const Grid& g) {
  const Rgba violet = Hex(0x7A3FC8);
  const Vec src = g.P(3.5, 8);
  c.Fill(Circle(src, std::max(1.5, g.P(2.2))), violet);
  const double w = g.Stroke(1.4);
  const std::array<double, 3> radius{5, 8.2, 11.4};
  const std::array<double, 3> alpha{1.0, 0.7, 0.42};
  for (size_t i = 0; i < radius.size(); ++i) {
    c.Fill(Arc(src, g.P(radius[i]), 0, 0.95 - 0.12 * double(i), w), Rgba{violet.r, violet.g, violet.b, alpha[i]});
  }
}

// The program icon: a key cap with a sound wave. From 32 px on it has room
// for a shadow and a note on the cap.
void Program(Canvas& c, const Grid& g) {
  if (g.n >= 32) {
    c.Soft(RoundRect(g.P(1), g.P(4), g.P(11), g.P(15.8), g.P(2.5)), Hex(0x000000, 0.30), g.P(1.2));
  }
  DrawKeyCap(c, g, 0, 2, 10, 15, false, kKeyOn);
  c.Fill(Waves(g, 7.5, 8, 4.5, 7.3, 40), kWave);
  if (g.n >= 32) {
    // An eighth note on the top face.
    const Rgba ink = Hex(0x1B4F91);
    const double w = g.P(0.6);
    c.Fill(Circle(g.P(4.2, 9.4), g.P(1.15)), ink);
    c.Fill(Line(g.P(5.15, 9.2), g.P(5.15, 4.4), w), ink);
    c.Fill(Polygon({g.P(4.85, 4.1), g.P(7.1, 5.7), g.P(7.1, 7.0), g.P(4.85, 5.5)}), ink);
  }
}

// About-box logo: the program icon, the name in drawn capitals and a row of
// sound bars on a light band. The bitmap is shown as it is, without alpha,
// on whatever the dialog is painted with, so every pixel is opaque. There are
// no fonts here: the letters are strokes on a grid, cap height kCap.
constexpr int kLogoWidth = 301, kLogoHeight = 58;

// One capital of the name with its left edge at x; returns its advance.
// The stroke's centre line runs kStroke/2 inside the letter's box.
double Capital(Shape& ink, char letter, double x, double top, double bottom, double w) {
  const double h = w / 2;                    // from the box edge to the stroke's centre line
  const double t = top + h, b = bottom - h;  // centre lines of the top and bottom bars
  const double mid = (t + b) / 2;
  auto add = [&](const Shape& s) { ink = ink ? Union(ink, s) : s; };
  // A bowl: bars from the stem at y0 and y1, joined by a half circle whose
  // right edge is at `right`.
  auto bowl = [&](double y0, double y1, double right) {
    const double r = (y1 - y0) / 2;
    const double cx = right - h - r;
    add(Line({x + h, y0}, {cx, y0}, w));
    add(Line({x + h, y1}, {cx, y1}, w));
    add(Arc({cx, y0 + r}, r, 0, kPi / 2, w));
  };
  switch (letter) {
    case 'B': {
      const double width = 17;
      add(Line({x + h, t}, {x + h, b}, w));
      bowl(t, mid, x + width - 1.5);
      bowl(mid, b, x + width);
      return width;
    }
    case 'R': {
      const double width = 17;
      add(Line({x + h, t}, {x + h, b}, w));
      bowl(t, mid + 0.5, x + width);
      add(Line({x + width * 0.45, mid + 0.5}, {x + width - h, b}, w));
      return width;
    }
    case 'I':
      add(Line({x + h, t}, {x + h, b}, w));
      return w;
    case 'S': {
      // Two arcs of a quarter of the cap height each, meeting in the middle.
      const double r = (b - t) / 4;
      const double cx = x + h + r + 0.5;
      add(Arc({cx, t + r}, r, 7 * kPi / 6, 2 * kPi / 3, w));
      add(Arc({cx, b - r}, r, kPi / 6, 2 * kPi / 3, w));
      return 2 * r + w + 1;
    }
    case 'O': {
      const double r = (b - t) / 2;
      add(Arc({x + h + r, t + r}, r, 0, kPi, w));
      return 2 * r + w;
    }
    case 'L': {
      const double width = 14;
      add(Line({x + h, t}, {x + h, b}, w));
      add(Line({x + h, b}, {x + width - h, b}, w));
      return width;
    }
    case 'T': {
      const double width = 18;
      add(Line({x + h, t}, {x + width - h, t}, w));
      add(Line({x + width / 2, t}, {x + width / 2, b}, w));
      return width;
    }
    default:
      return 0;
  }
}

void Logo(Canvas& c) {
  const double w = c.Width(), h = c.Height();
  c.Fill(RoundRect(0, 0, w, h, 0), Vertical(0, Hex(0xF7FAFF), h, Hex(0xD3E3F7)));
  // A thin rule along the bottom edge keeps the band apart from the dialog.
  c.Fill(RoundRect(0, h - 2, w, h, 0), kKeySide);

  const Grid g{48};
  Canvas icon(g.n, g.n);
  Program(icon, g);
  c.Draw(icon, 8, int(h - 2 - g.n) / 2);

  // The name, centred on the icon's cap.
  constexpr double kCap = 26, kStroke = 4.6, kGap = 5.5;
  const double top = 15, bottom = top + kCap;
  Shape ink;
  double x = 66;
  for (const char letter : std::string("BRISOLT")) x += Capital(ink, letter, x, top, bottom, kStroke) + kGap;
  c.Fill(ink, Vertical(top, kKeySide, bottom, kKeyOutline));

  // Sound bars to the right: a click as a level meter shows it, a sharp
  // rise and a ragged fade.
  constexpr std::array<double, 10> kLevels{0.45, 0.8, 1.0, 0.7, 0.85, 0.55, 0.62, 0.38, 0.3, 0.18};
  const double barWidth = 4, pitch = 7, centre = top + kCap / 2;
  const double first = std::round(x + 6);
  for (size_t i = 0; i < kLevels.size() && first + pitch * double(i) + barWidth <= w - 6; ++i) {
    const double half = std::max(2.0, std::round(kLevels[i] * (kCap / 2 + 2)));
    const double bx = first + pitch * double(i);
    c.Fill(RoundRect(bx, centre - half, bx + barWidth, centre + half, 2),
           Vertical(centre - kCap / 2 - 2, kWave, centre + kCap / 2 + 2, Hex(0xD9661A)));
  }
}

// ---------------------------------------------------------------- encoding

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put32Be(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

// An icon image as a DIB: header with the height doubled (colour rows, then
// the mask rows), 32-bit BGRA bottom-up with straight alpha, and the 1-bit
// AND mask that systems ignoring alpha fall back on.
std::vector<uint8_t> IconDib(const Canvas& c) {
  const int w = c.Width(), h = c.Height();
  const auto px = c.Rgba8();
  const size_t maskStride = size_t((w + 31) / 32) * 4;
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, uint32_t(w));
  Put32(out, uint32_t(h * 2));
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  Put32(out, 0);   // BI_RGB
  Put32(out, uint32_t(size_t(w) * h * 4 + maskStride * h));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &px[(size_t(y) * w + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < w; ++x) {
      if (px[(size_t(y) * w + x) * 4 + 3] == 0) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

void PngChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  Put32Be(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32Be(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

uint8_t Paeth(int left, int up, int upLeft) {
  const int p = left + up - upLeft;
  const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
  return uint8_t(pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft);
}

// One row of RGBA filtered with the PNG filter that leaves the smallest sum
// of signed bytes, the usual choice for good compression.
std::vector<uint8_t> FilteredRow(const uint8_t* row, const uint8_t* above, int w) {
  const size_t n = size_t(w) * 4;
  std::vector<uint8_t> best;
  long bestCost = -1;
  for (uint8_t type = 0; type <= 4; ++type) {
    std::vector<uint8_t> line{type};
    long cost = 0;
    for (size_t i = 0; i < n; ++i) {
      const int left = i >= 4 ? row[i - 4] : 0;
      const int up = above ? above[i] : 0;
      const int upLeft = above && i >= 4 ? above[i - 4] : 0;
      const int predicted = type == 0   ? 0
                            : type == 1 ? left
                            : type == 2 ? up
                            : type == 3 ? (left + up) / 2
                                        : Paeth(left, up, upLeft);
      const uint8_t v = uint8_t(row[i] - predicted);
      line.push_back(v);
      cost += v < 128 ? v : 256 - v;
    }
    if (bestCost < 0 || cost < bestCost) {
      bestCost = cost;
      best = std::move(line);
    }
  }
  return best;
}

// The 256 px program icon as a PNG (Windows reads PNG entries of that size;
// as a bitmap it would be a quarter of a megabyte of the program file).
std::vector<uint8_t> Png(const Canvas& c) {
  const int w = c.Width(), h = c.Height();
  const auto px = c.Rgba8();
  std::vector<uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = px.data() + ptrdiff_t(y) * w * 4;
    const auto line = FilteredRow(row, y > 0 ? row - ptrdiff_t(w) * 4 : nullptr, w);
    raw.insert(raw.end(), line.begin(), line.end());
  }
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> z(size);
  if (compress2(z.data(), &size, raw.data(), uLong(raw.size()), Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("zlib could not compress the PNG data");
  }
  z.resize(size);

  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  Put32Be(ihdr, uint32_t(w));
  Put32Be(ihdr, uint32_t(h));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
  PngChunk(out, "IHDR", ihdr);
  PngChunk(out, "IDAT", z);
  PngChunk(out, "IEND", {});
  return out;
}

using DrawFn = void (*)(Canvas&, const Grid&);

std::vector<uint8_t> Ico(DrawFn draw, const std::vector<int>& sizes) {
  std::vector<std::vector<uint8_t>> images;
  for (int n : sizes) {
    Canvas c(n, n);
    draw(c, Grid{n});
    // Windows reads PNG only for 256 px entries; smaller ones stay DIBs,
    // which every version and every icon loader understands.
    images.push_back(n >= 256 ? Png(c) : IconDib(c));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, uint32_t(sizes.size()));
  uint32_t offset = uint32_t(6 + 16 * sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    const uint8_t dim = sizes[i] >= 256 ? 0 : uint8_t(sizes[i]);  // 0 means 256
    out.insert(out.end(), {dim, dim, 0, 0});
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, uint32_t(images[i].size()));
    Put32(out, offset);
    offset += uint32_t(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

// A 24-bit bottom-up BMP; rows are padded to four bytes.
std::vector<uint8_t> Bmp24(const Canvas& c) {
  const int w = c.Width(), h = c.Height();
  const auto px = c.Rgba8();
  const uint32_t stride = uint32_t((w * 3 + 3) / 4 * 4);
  const uint32_t imageSize = stride * uint32_t(h);
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, 14 + 40 + imageSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  Put32(out, 40);
  Put32(out, uint32_t(w));
  Put32(out, uint32_t(h));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi, in pixels per metre
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = h - 1; y >= 0; --y) {
    const size_t rowStart = out.size();
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &px[(size_t(y) * w + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0]});
    }
    out.resize(rowStart + stride, 0);
  }
  return out;
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

struct IconFile {
  const char* name;  // the resource name the program loads it by
  DrawFn draw;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: icon_gen <output folder>\n";
    return 2;
  }
  const fs::path dir = argv[1];
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::cerr << "icon_gen: cannot create " << dir << ": " << ec.message() << "\n";
    return 1;
  }

  // 20 px is what a 16 px icon becomes at 125 % scaling, 24 at 150 %,
  // 32 at 200 %; the system picks the drawn size instead of stretching.
  const std::vector<int> kSmall{16, 20, 24, 32};
  const std::vector<IconFile> icons{
      {"zMainEnableXP", TraySoundOn},     {"zMainDisableXP", TraySoundOff},
      {"zMainEnableXP1", TrayKeyHeld},    {"zMainEnableXP2", TrayMouseHeld},
      {"zBallEnableXP", BallOn},          {"zBallDisableXP", BallOff},
      {"zOptionsXP", Options},            {"zSoundsEnableXP", SoundsOn},
      {"zSoundsDisableXP", SoundsOff},    {"zSchemeXP", Scheme},
      {"zHelpXP", Help},                  {"zExitXP", Exit},
      {"zschemeEAX", Reverb},
  };
  bool ok = true;
  for (const auto& icon : icons) {
    ok &= WriteFile(dir / (std::string(icon.name) + ".ico"), Ico(icon.draw, kSmall));
  }
  ok &= WriteFile(dir / "Brisolt.ico", Ico(Program, {16, 20, 24, 32, 48, 256}));

  Canvas logo(kLogoWidth, kLogoHeight);
  Logo(logo);
  ok &= WriteFile(dir / "logo.bmp", Bmp24(logo));

  if (!ok) {
    std::cerr << "icon_gen: cannot write into " << dir << "\n";
    return 1;
  }
  return 0;
}

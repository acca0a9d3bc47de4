// Draws the program's pictures (icon, splash, the whole window skin) as
// .ico/.bmp files for windres. Built and run on the build machine, so the
// repository holds no binaries.
//
// Everything is drawn from signed distance functions: a shape is a function
// giving, for a point, its distance to the shape's edge in pixels (negative
// inside); the coverage of a pixel is then 0.5 - distance, which gives crisp,
// anti-aliased edges at any size. Small pictograms are designed on a 24 x 24
// grid and scaled to where they are placed; the word mark of the splash is a
// tiny stroke font drawn the same way. No words of either language are baked
// into buttons: the program writes its labels at run time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "res/skin_layout.h"

namespace {

using voltaris::HotZone;
using voltaris::PicturePlace;
using voltaris::PictureSize;
namespace skin = voltaris::skin;

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Colours and the canvas

struct Col {
  double r, g, b;
};

constexpr Col Hex(uint32_t v) {
  return Col{((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0};
}

Col Mix(Col a, Col b, double t) {
  return Col{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double Clamp(double v, double lo, double hi) { return std::min(hi, std::max(lo, v)); }

double Smooth(double e0, double e1, double x) {
  const double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// The skin's palette.
const Col kBackTop = Hex(0xF3F8FD);
const Col kBackBottom = Hex(0xD6E5F4);
const Col kBarTop = Hex(0xE9F2FB);
const Col kBarBottom = Hex(0xC9DCF0);
const Col kFooterTop = Hex(0xE2ECF7);
const Col kFooterBottom = Hex(0xCADCEE);
const Col kEdge = Hex(0xA8C2DE);
const Col kFaceTop = Hex(0xFFFFFF);
const Col kFaceBottom = Hex(0xE1ECF8);
const Col kNavy = Hex(0x23507F);
const Col kDeep = Hex(0x173F72);
const Col kAccent = Hex(0x2F7CD3);
const Col kSky = Hex(0x5FA8EE);
const Col kGreen = Hex(0x2FA65A);
const Col kGreenDark = Hex(0x1E8246);
const Col kRed = Hex(0xDC4343);
const Col kRedDark = Hex(0xAE2828);
const Col kAmber = Hex(0xF7BE34);
const Col kAmberDark = Hex(0xD99A12);
const Col kSlate = Hex(0x8A9AAD);
const Col kWhite = Hex(0xFFFFFF);

class Canvas {
 public:
  Canvas(int w, int h, Col fill = kWhite) : w_(w), h_(h), px_(static_cast<size_t>(w * h), fill) {}
  int w() const { return w_; }
  int h() const { return h_; }
  Col& at(int x, int y) { return px_[static_cast<size_t>(y * w_ + x)]; }
  const Col& at(int x, int y) const { return px_[static_cast<size_t>(y * w_ + x)]; }
  void Blend(int x, int y, Col c, double a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    Col& p = at(x, y);
    p = Mix(p, c, std::min(a, 1.0));
  }
  // A piece of this canvas, used where a small picture is drawn over a larger
  // one so that its corners melt into what lies underneath.
  Canvas Crop(int x0, int y0, int w, int h) const {
    Canvas out(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        out.at(x, y) = at(std::clamp(x0 + x, 0, w_ - 1), std::clamp(y0 + y, 0, h_ - 1));
    return out;
  }

 private:
  int w_, h_;
  std::vector<Col> px_;
};

// ---------------------------------------------------------------------------
// Distance functions (pixel space unless noted)

using Sdf = std::function<double(double, double)>;
using Paint = std::function<Col(double, double)>;

struct Pt {
  double x, y;
};

Sdf RoundRect(double x0, double y0, double x1, double y1, double r) {
  return [=](double x, double y) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double qx = std::fabs(x - cx) - ((x1 - x0) / 2 - r);
    const double qy = std::fabs(y - cy) - ((y1 - y0) / 2 - r);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
  };
}

Sdf Circle(double cx, double cy, double r) {
  return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
  const double ex = bx - ax, ey = by - ay;
  const double len = ex * ex + ey * ey;
  const double t = len > 0 ? Clamp(((x - ax) * ex + (y - ay) * ey) / len, 0.0, 1.0) : 0.0;
  return std::hypot(x - ax - ex * t, y - ay - ey * t);
}

// A stroked polyline of the given width, with round caps and joins.
Sdf Polyline(std::vector<Pt> pts, double width) {
  return [=](double x, double y) {
    double d = 1e9;
    for (size_t i = 0; i + 1 < pts.size(); ++i)
      d = std::min(d, SegmentDistance(x, y, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y));
    if (pts.size() == 1) d = std::hypot(x - pts[0].x, y - pts[0].y);
    return d - width / 2;
  };
}

// Arc of a circle from a0 to a1 degrees, counter-clockwise as seen on screen.
Sdf Arc(double cx, double cy, double r, double a0, double a1, double width) {
  return [=](double x, double y) {
    double a = std::atan2(-(y - cy), x - cx) * 180 / kPi;
    while (a < a0) a += 360;
    while (a >= a0 + 360) a -= 360;
    double d;
    if (a <= a1) {
      d = std::fabs(std::hypot(x - cx, y - cy) - r);
    } else {
      const double p0 = a0 * kPi / 180, p1 = a1 * kPi / 180;
      d = std::min(std::hypot(x - cx - r * std::cos(p0), y - cy + r * std::sin(p0)),
                   std::hypot(x - cx - r * std::cos(p1), y - cy + r * std::sin(p1)));
    }
    return d - width / 2;
  };
}

// Filled polygon, exact signed distance.
Sdf Polygon(std::vector<Pt> v) {
  return [=](double x, double y) {
    double d = (x - v[0].x) * (x - v[0].x) + (y - v[0].y) * (y - v[0].y);
    double s = 1;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
      const double ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
      const double wx = x - v[i].x, wy = y - v[i].y;
      const double t = Clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
      const double bx = wx - ex * t, by = wy - ey * t;
      d = std::min(d, bx * bx + by * by);
      const bool c1 = y >= v[i].y, c2 = y < v[j].y, c3 = ex * wy > ey * wx;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
  };
}

Sdf Union(Sdf a, Sdf b) {
  return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}
Sdf Subtract(Sdf a, Sdf b) {
  return [=](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}
Sdf Grow(Sdf a, double by) {
  return [=](double x, double y) { return a(x, y) - by; };
}
// The band just inside a shape's edge: a border line of the given width.
Sdf InnerEdge(Sdf a, double width) {
  return [=](double x, double y) {
    const double d = a(x, y);
    return std::max(d, -(d + width));
  };
}

struct Box {
  int x0, y0, x1, y1;  // exclusive right and bottom
};

Paint Solid(Col c) {
  return [=](double, double) { return c; };
}
Paint VGradient(double y0, double y1, Col top, Col bottom) {
  return [=](double, double y) { return Mix(top, bottom, Clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

void Fill(Canvas& c, const Sdf& shape, const Paint& paint, double opacity, Box b) {
  b.x0 = std::max(b.x0, 0);
  b.y0 = std::max(b.y0, 0);
  b.x1 = std::min(b.x1, c.w());
  b.y1 = std::min(b.y1, c.h());
  for (int y = b.y0; y < b.y1; ++y)
    for (int x = b.x0; x < b.x1; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double cover = Clamp(0.5 - shape(px, py), 0.0, 1.0);
      if (cover > 0) c.Blend(x, y, paint(px, py), cover * opacity);
    }
}
void Fill(Canvas& c, const Sdf& shape, const Paint& paint, double opacity = 1.0) {
  Fill(c, shape, paint, opacity, Box{0, 0, c.w(), c.h()});
}

// A soft shadow under a shape.
void Shadow(Canvas& c, const Sdf& shape, double dx, double dy, double blur, double opacity, Col tint = kDeep) {
  for (int y = 0; y < c.h(); ++y)
    for (int x = 0; x < c.w(); ++x) {
      const double d = shape(x + 0.5 - dx, y + 0.5 - dy);
      if (d > blur) continue;
      c.Blend(x, y, tint, opacity * (1 - Smooth(-blur, blur, d)));
    }
}

void VerticalGradient(Canvas& c, Col top, Col bottom, double height) {
  for (int y = 0; y < c.h(); ++y) {
    const Col row = Mix(top, bottom, Clamp((y + 0.5) / height, 0.0, 1.0));
    for (int x = 0; x < c.w(); ++x) c.at(x, y) = row;
  }
}

// ---------------------------------------------------------------------------
// Pictograms on a 24 x 24 grid

class Glyph {
 public:
  Glyph() : d_([](double, double) { return 1e9; }) {}
  double operator()(double x, double y) const { return d_(x, y); }
  Glyph& Add(Sdf s) {
    d_ = Union(d_, std::move(s));
    return *this;
  }
  Glyph& Cut(Sdf s) {
    d_ = Subtract(d_, std::move(s));
    return *this;
  }
  Glyph& Line(std::vector<Pt> pts, double w = 2) { return Add(Polyline(std::move(pts), w)); }
  Glyph& Chevron(double x, double y, double dx, double dy, double size, double w = 2) {
    const double n = std::hypot(dx, dy);
    dx /= n;
    dy /= n;
    return Line({{x - dx * size - dy * size, y - dy * size + dx * size}, {x, y},
                 {x - dx * size + dy * size, y - dy * size - dx * size}},
                w);
  }

 private:
  Sdf d_;
};

// Places a 24-grid glyph with its top-left corner at (x, y), 24 units = size px.
Sdf Place(const Glyph& g, double x, double y, double size) {
  const double s = size / 24.0;
  return [g, x, y, s](double px, double py) { return g((px - x) / s, (py - y) / s) * s; };
}

void DrawGlyph(Canvas& c, const Glyph& g, double cx, double cy, double size, const Paint& paint,
               double opacity = 1.0) {
  const double x = cx - size / 2, y = cy - size / 2;
  Fill(c, Place(g, x, y, size), paint, opacity,
       Box{static_cast<int>(x) - 2, static_cast<int>(y) - 2, static_cast<int>(x + size) + 3,
           static_cast<int>(y + size) + 3});
}
void DrawGlyph(Canvas& c, const Glyph& g, double cx, double cy, double size, Col colour, double opacity = 1.0) {
  DrawGlyph(c, g, cx, cy, size, Solid(colour), opacity);
}

Glyph CheckGlyph() { return std::move(Glyph().Line({{5, 12.5}, {10, 17.5}, {19.5, 7}}, 3.2)); }

Glyph CrossGlyph() {
  return std::move(Glyph().Line({{7, 7}, {17, 17}}, 3.2).Line({{17, 7}, {7, 17}}, 3.2));
}

Glyph TrashGlyph() {
  Glyph g;
  g.Line({{4, 6.5}, {20, 6.5}}, 2.2).Line({{9.5, 6.5}, {9.5, 3.5}, {14.5, 3.5}, {14.5, 6.5}}, 1.8);
  g.Line({{6.2, 9}, {7.3, 20.5}, {16.7, 20.5}, {17.8, 9}}, 2.1);
  g.Line({{10, 11.5}, {10, 17.5}}, 1.6).Line({{14, 11.5}, {14, 17.5}}, 1.6);
  return g;
}

Glyph BasketGlyph() {
  Glyph g;
  g.Line({{4.5, 8.5}, {6.5, 20.5}, {17.5, 20.5}, {19.5, 8.5}}, 2.1).Line({{3, 8.2}, {21, 8.2}}, 2.6);
  g.Line({{9.3, 9}, {10.1, 20}}, 1.4).Line({{14.7, 9}, {13.9, 20}}, 1.4).Line({{5.6, 14.5}, {18.4, 14.5}}, 1.4);
  g.Line({{7, 2.5}, {9.5, 5.5}}, 1.6).Line({{12, 1.8}, {12, 5.2}}, 1.6).Line({{17, 2.5}, {14.5, 5.5}}, 1.6);
  return g;
}

Glyph PrinterGlyph() {
  Glyph g;
  g.Add(InnerEdge(RoundRect(6.5, 2.5, 17.5, 9.5, 1), 1.9));
  g.Add(InnerEdge(RoundRect(3, 8.5, 21, 17.5, 2.2), 2.1));
  g.Cut(RoundRect(6, 12.5, 18, 22, 0.5));
  g.Add(InnerEdge(RoundRect(6.8, 13.2, 17.2, 21.5, 0.8), 1.9));
  g.Line({{9.5, 17.3}, {14.5, 17.3}}, 1.3).Add(Circle(17.6, 11.5, 1.1));
  return g;
}

Glyph RefreshGlyph() {
  Glyph g;
  // clockwise, the head at the top pointing right
  g.Add(Arc(12, 12.5, 7.4, 100, 395, 2.3));
  const double a = 100 * kPi / 180, dx = std::sin(a), dy = std::cos(a);
  g.Chevron(12 + 7.4 * std::cos(a) + dx * 1.2, 12.5 - 7.4 * std::sin(a) + dy * 1.2, dx, dy, 3.4, 2.3);
  return g;
}

Glyph RestoreGlyph() {
  Glyph g;
  // counter-clockwise, the head at the top pointing left, a dot in the middle
  g.Add(Arc(12, 12.5, 7.4, 145, 440, 2.3));
  const double a = 80 * kPi / 180, dx = -std::sin(a), dy = -std::cos(a);
  g.Chevron(12 + 7.4 * std::cos(a) + dx * 1.2, 12.5 - 7.4 * std::sin(a) + dy * 1.2, dx, dy, 3.4, 2.3);
  g.Add(Circle(12, 12.5, 2));
  return g;
}

Glyph ExitGlyph() {
  Glyph g;
  g.Line({{13, 4}, {5, 4}, {5, 20}, {13, 20}}, 2.2).Line({{9.5, 12}, {20, 12}}, 2.3);
  g.Chevron(20.5, 12, 1, 0, 4, 2.3);
  return g;
}

Glyph PowerGlyph() {
  Glyph g;
  g.Add(Arc(12, 13, 7.8, 122, 418, 2.5)).Line({{12, 2.8}, {12, 11.5}}, 2.5);
  return g;
}

Glyph GearGlyph() {
  std::vector<Pt> pts;
  for (int i = 0; i < 8; ++i) {
    const double t = i * 45.0;
    const double ang[4] = {t - 17, t - 8.5, t + 8.5, t + 17};
    const double rad[4] = {8.0, 10.6, 10.6, 8.0};
    for (int k = 0; k < 4; ++k)
      pts.push_back({12 + rad[k] * std::cos(ang[k] * kPi / 180), 12 - rad[k] * std::sin(ang[k] * kPi / 180)});
  }
  Glyph g;
  g.Add(Polygon(pts)).Cut(Circle(12, 12, 3.4));
  return g;
}

Glyph BellGlyph() {
  Glyph g;
  g.Add(Circle(12, 10.2, 5.6));
  g.Add(Polygon({{6.4, 10.2}, {17.6, 10.2}, {19.2, 17}, {4.8, 17}}));
  g.Add(RoundRect(3.5, 16, 20.5, 18.6, 1.3)).Add(Circle(12, 20.4, 2)).Add(Circle(12, 4.2, 1.4));
  return g;
}

Glyph CalendarGlyph() {
  Glyph g;
  g.Add(InnerEdge(RoundRect(3.2, 5, 20.8, 21, 2.5), 2)).Add(RoundRect(3.2, 5, 20.8, 10, 2.5));
  g.Add(RoundRect(3.2, 8, 20.8, 10, 0)).Line({{8, 2.8}, {8, 6.5}}, 2.2).Line({{16, 2.8}, {16, 6.5}}, 2.2);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 3; ++col)
      if (!(row == 1 && col == 2)) g.Add(RoundRect(6.3 + col * 4.4, 12.2 + row * 4, 8.7 + col * 4.4, 14.6 + row * 4, 0.5));
  return g;
}

Glyph DocumentGlyph() {
  Glyph g;
  g.Line({{14.5, 3}, {5.2, 3}, {5.2, 21}, {18.8, 21}, {18.8, 7.3}, {14.5, 3}}, 2);
  g.Line({{14.5, 3.5}, {14.5, 7.5}, {18.5, 7.5}}, 1.6);
  g.Line({{8.5, 11.5}, {15.5, 11.5}}, 1.7).Line({{8.5, 14.8}, {15.5, 14.8}}, 1.7).Line({{8.5, 18}, {12.5, 18}}, 1.7);
  return g;
}

Glyph HistoryGlyph() {
  Glyph g;
  g.Add(Arc(12.5, 12.5, 8, 200, 505, 2.2));
  const double a = 145 * kPi / 180;
  g.Chevron(12.5 + 8 * std::cos(a), 12.5 - 8 * std::sin(a), -std::sin(a), -std::cos(a), 3.2, 2.2);
  g.Line({{12.5, 7.8}, {12.5, 12.8}, {16, 15}}, 2.1);
  return g;
}

Glyph ChartGlyph() {
  Glyph g;
  g.Line({{3.8, 3.5}, {3.8, 20.2}, {20.8, 20.2}}, 2);
  g.Line({{7, 16}, {10.8, 10.5}, {14.3, 13.6}, {19.8, 6.2}}, 2.3);
  return g;
}

Glyph BarsGlyph() {
  Glyph g;
  g.Add(RoundRect(5.3, 12, 9.3, 19.5, 1)).Add(RoundRect(10.3, 5.5, 14.3, 19.5, 1));
  g.Add(RoundRect(15.3, 9, 19.3, 19.5, 1)).Line({{3.5, 21}, {21, 21}}, 1.6);
  return g;
}

Glyph StopwatchGlyph() {
  Glyph g;
  g.Add(Arc(12, 13.6, 7.6, 0, 360, 2.1)).Line({{12, 3}, {12, 6}}, 2.1).Line({{9.5, 2.6}, {14.5, 2.6}}, 2.1);
  g.Line({{17.6, 7.2}, {19.2, 5.6}}, 2.1).Line({{12, 13.6}, {12, 9.2}}, 2.1).Add(Circle(12, 13.6, 1.6));
  return g;
}

Glyph PlugGlyph() {
  Glyph g;
  g.Line({{8.5, 2}, {8.5, 7.5}}, 2.4).Line({{15.5, 2}, {15.5, 7.5}}, 2.4);
  g.Add(Grow(Polygon({{5, 7.2}, {19, 7.2}, {19, 11.5}, {15, 16.5}, {9, 16.5}, {5, 11.5}}), 0.8));
  g.Line({{12, 16}, {12, 22}}, 2.6);
  return g;
}

Glyph BatteryGlyph(double level) {
  Glyph g;
  g.Add(InnerEdge(RoundRect(2.5, 7, 19.5, 17, 2.2), 2)).Add(RoundRect(19, 9.8, 21.8, 14.2, 1));
  if (level > 0) g.Add(RoundRect(5, 9.5, 5 + 12 * level, 14.5, 0.8));
  return g;
}

Glyph UpsGlyph() {
  Glyph g;
  g.Add(InnerEdge(RoundRect(6, 2.5, 18, 21.5, 2.2), 2)).Add(RoundRect(8.6, 5.4, 15.4, 9.4, 0.8));
  g.Add(Circle(9.8, 13, 1.2)).Add(Circle(14.2, 13, 1.2)).Line({{9.2, 17.5}, {14.8, 17.5}}, 1.3);
  return g;
}

Glyph ConnectorGlyph(double apart) {
  Glyph g;
  const double l = -apart, r = apart;
  g.Line({{0.5, 12}, {4 + l, 12}}, 2.2).Add(RoundRect(3.5 + l, 8, 9.5 + l, 16, 1.2));
  g.Line({{9 + l, 10.3}, {12.3 + l, 10.3}}, 1.6).Line({{9 + l, 13.7}, {12.3 + l, 13.7}}, 1.6);
  g.Add(InnerEdge(RoundRect(12 + r, 7.5, 18.5 + r, 16.5, 1.2), 2)).Line({{18 + r, 12}, {23.5, 12}}, 2.2);
  return g;
}

Glyph ExchangeGlyph() {
  Glyph g;
  g.Line({{8, 4.5}, {8, 19.5}}, 2.2).Chevron(8, 4, 0, -1, 3.6, 2.2);
  g.Line({{16, 4.5}, {16, 19.5}}, 2.2).Chevron(16, 20, 0, 1, 3.6, 2.2);
  return g;
}

Glyph SwitchGlyph() {
  Glyph g;
  g.Line({{2, 15}, {6.5, 15}}, 2).Add(Circle(8, 15, 1.9)).Line({{8.6, 14}, {15.5, 8}}, 2);
  g.Add(InnerEdge(Circle(16.5, 15, 2), 1.6)).Line({{18.3, 15}, {22, 15}}, 2);
  return g;
}

Glyph ConverterGlyph() {
  Glyph g;
  g.Add(InnerEdge(RoundRect(3, 3, 21, 21, 2.6), 1.9)).Line({{19.5, 4.5}, {4.5, 19.5}}, 1.5);
  std::vector<Pt> wave;
  for (int i = 0; i <= 16; ++i) wave.push_back({5.8 + i * 0.4, 8.5 - 1.7 * std::sin(i / 16.0 * 2 * kPi)});
  g.Line(wave, 1.5).Line({{12.8, 14.8}, {18.3, 14.8}}, 1.5).Line({{12.8, 17.6}, {18.3, 17.6}}, 1.5);
  return g;
}

Glyph ExclamationGlyph() {
  return std::move(Glyph().Line({{12, 5}, {12, 14}}, 3.4).Add(Circle(12, 19, 2)));
}

Glyph RecordGlyph() {
  Glyph g;
  g.Add(InnerEdge(Circle(12, 12, 9), 2)).Add(Circle(12, 12, 4.6));
  return g;
}

Glyph TriangleOutlineGlyph() {
  Glyph g;
  g.Add(InnerEdge(Grow(Polygon({{12, 4}, {21, 19.5}, {3, 19.5}}), 1.5), 2.1));
  g.Line({{12, 9.5}, {12, 14}}, 2.2).Add(Circle(12, 17, 1.25));
  return g;
}

Glyph BoltGlyph() {
  return std::move(Glyph().Add(Grow(
      Polygon({{14.2, 1.5}, {4.8, 13.6}, {11, 13.6}, {8.8, 22.5}, {19.2, 9.8}, {12.9, 9.8}, {15.8, 1.5}}), 0.3)));
}

// ---------------------------------------------------------------------------
// The word mark: a small stroke font, y upwards from the baseline, x-height 1.

struct Stroke {
  bool arc;
  double a, b, c, d, e;  // segment: a,b -> c,d; arc: centre a,b, radius c, from d to e degrees
};

struct Letter {
  double advance;
  std::vector<Stroke> strokes;
};

Letter LetterOf(char ch) {
  switch (ch) {
    case 'V': return {1.12, {{false, 0, 1.42, 0.52, 0, 0}, {false, 0.52, 0, 1.04, 1.42, 0}}};
    case 'o': return {1.12, {{true, 0.5, 0.5, 0.5, 0, 360}}};
    case 'l': return {0.36, {{false, 0, 1.5, 0, 0, 0}}};
    case 't': return {0.7, {{false, 0.22, 1.32, 0.22, 0.22, 0}, {true, 0.52, 0.22, 0.3, 180, 290}, {false, 0, 1, 0.52, 1, 0}}};
    case 'a': return {1.3, {{true, 0.5, 0.5, 0.5, 0, 360}, {false, 1, 1, 1, 0, 0}}};
    case 'r': return {0.84, {{false, 0, 1, 0, 0, 0}, {true, 0.5, 0.5, 0.5, 55, 180}}};
    case 'i': return {0.36, {{false, 0, 1, 0, 0, 0}, {false, 0, 1.36, 0, 1.36, 0}}};
    case 's': return {0.8, {{true, 0.34, 0.74, 0.26, 45, 270}, {true, 0.34, 0.26, 0.26, -135, 90}}};
    default: return {0.6, {}};
  }
}

// Distance field of a word: left edge x, baseline y, x-height in px, stroke width in px.
Sdf Word(const std::string& text, double x, double baseline, double xh, double weight, double spacing = 0.26) {
  std::vector<Sdf> parts;
  double pen = x + weight / 2;
  for (char ch : text) {
    const Letter l = LetterOf(ch);
    for (const Stroke& s : l.strokes) {
      if (s.arc) {
        parts.push_back(Arc(pen + s.a * xh, baseline - s.b * xh, s.c * xh, s.d, s.e, weight));
      } else {
        parts.push_back(Polyline({{pen + s.a * xh, baseline - s.b * xh}, {pen + s.c * xh, baseline - s.d * xh}}, weight));
      }
    }
    pen += (l.advance + spacing) * xh;
  }
  return [parts](double px, double py) {
    double d = 1e9;
    for (const Sdf& p : parts) d = std::min(d, p(px, py));
    return d;
  };
}

double WordWidth(const std::string& text, double xh, double weight, double spacing = 0.26) {
  double w = 0;
  for (char ch : text) w += (LetterOf(ch).advance + spacing) * xh;
  return w - spacing * xh + weight;
}

// ---------------------------------------------------------------------------
// Skin pieces

enum class Face { kNormal, kDisabled };

// A rounded button face exactly over a zone, with a pictogram in the middle.
void DrawButton(Canvas& c, HotZone z, const Glyph& g, Col ink, Face face = Face::kNormal) {
  const double x0 = z.left, y0 = z.top, x1 = z.right + 1, y1 = z.bottom + 1;
  const double r = std::min(6.0, std::min(x1 - x0, y1 - y0) / 3.5);
  const Sdf shape = RoundRect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, r);
  Shadow(c, shape, 0, 1.2, 1.6, 0.16);
  const bool off = face == Face::kDisabled;
  const Col top = off ? Hex(0xF2F4F7) : kFaceTop, bottom = off ? Hex(0xDCE1E7) : kFaceBottom;
  Fill(c, shape, VGradient(y0, y1, top, bottom));
  Fill(c, InnerEdge(shape, 1.0), Solid(off ? Hex(0xB4BEC9) : kEdge));
  Fill(c, InnerEdge(RoundRect(x0 + 1.5, y0 + 1.5, x1 - 1.5, y1 - 1.5, r - 1), 1.0), Solid(kWhite), 0.7,
       Box{z.left, z.top, z.right + 1, z.top + static_cast<int>((y1 - y0) / 2)});
  const double size = std::min(x1 - x0, y1 - y0) * 0.72;
  DrawGlyph(c, g, (x0 + x1) / 2, (y0 + y1) / 2, size, off ? kSlate : ink);
}

// Where a picture drawn at `at` covers a hot zone, in the picture's pixels.
struct Use {
  HotZone zone;
  PicturePlace at;
};

// A button on its own bitmap: the background underneath is cropped from the
// window's background at the place where the program draws it (its first
// use), and the face covers the union of the zones of all its uses, within
// the picture.
Canvas ButtonPicture(const Canvas& back, PicturePlace cropAt, PictureSize size, std::initializer_list<Use> uses,
                     const Glyph& g, Col ink, Face face = Face::kNormal) {
  Canvas c = back.Crop(cropAt.x, cropAt.y, size.width, size.height);
  HotZone cover{size.width, size.height, -1, -1};
  for (const Use& u : uses) {
    cover.left = std::min(cover.left, std::max(0, u.zone.left - u.at.x));
    cover.top = std::min(cover.top, std::max(0, u.zone.top - u.at.y));
    cover.right = std::max(cover.right, std::min(size.width - 1, u.zone.right - u.at.x));
    cover.bottom = std::max(cover.bottom, std::min(size.height - 1, u.zone.bottom - u.at.y));
  }
  DrawButton(c, cover, g, ink, face);
  return c;
}
Canvas ButtonPicture(const Canvas& back, HotZone zone, PicturePlace at, PictureSize size, const Glyph& g, Col ink,
                     Face face = Face::kNormal) {
  return ButtonPicture(back, at, size, {{zone, at}}, g, ink, face);
}
// A button whose picture is as large as its zone and drawn at its corner.
Canvas ButtonPicture(const Canvas& back, HotZone zone, const Glyph& g, Col ink, Face face = Face::kNormal) {
  return ButtonPicture(back, zone, PicturePlace{zone.left, zone.top},
                       PictureSize{zone.right - zone.left + 1, zone.bottom - zone.top + 1}, g, ink, face);
}

double MiddleX(const HotZone& z) { return (z.left + z.right) / 2.0; }
double MiddleY(const HotZone& z) { return (z.top + z.bottom) / 2.0; }

// The common light background with an optional footer band for the buttons.
Canvas Background(int w, int h, int footerFrom = -1, double gradientHeight = 0) {
  Canvas c(w, h);
  VerticalGradient(c, kBackTop, kBackBottom, gradientHeight > 0 ? gradientHeight : h);
  if (footerFrom >= 0) {
    Fill(c, RoundRect(-10, footerFrom, w + 10, h + 10, 0), VGradient(footerFrom, h, kFooterTop, kFooterBottom));
    for (int x = 0; x < w; ++x) {
      c.Blend(x, footerFrom, Hex(0xB3CAE3), 1.0);
      c.Blend(x, footerFrom + 1, kWhite, 0.8);
    }
  }
  return c;
}


// The small brand mark: bolt and name, for the corners of windows.
void BrandMark(Canvas& c, double right, double baseline, double xh, Col ink, double opacity) {
  const double weight = std::max(1.4, xh * 0.16);
  const double width = WordWidth("Voltaris", xh, weight);
  const double x = right - width;
  Fill(c, Word("Voltaris", x, baseline, xh, weight), Solid(ink), opacity);
  DrawGlyph(c, BoltGlyph(), x - xh * 1.0, baseline - xh * 0.72, xh * 1.9, Solid(kAmberDark), opacity);
}

// A dialog background whose footer carries the brand mark at its left.
Canvas DialogBack(int w, int h, int footerFrom, double brandLeft = 14) {
  Canvas c = Background(w, h, footerFrom);
  BrandMark(c, brandLeft + 20 + WordWidth("Voltaris", 10, 1.6), footerFrom + 26, 10, kNavy, 0.45);
  return c;
}

// A card: a soft white panel with a shadow.
void Card(Canvas& c, double x0, double y0, double x1, double y1, double r, double opacity = 0.78) {
  const Sdf shape = RoundRect(x0, y0, x1, y1, r);
  Shadow(c, shape, 0, 1.5, 3, 0.10);
  Fill(c, shape, VGradient(y0, y1, kWhite, Hex(0xF4F8FC)), opacity);
  Fill(c, InnerEdge(shape, 1), Solid(Hex(0xBED2E8)), 0.9);
}

// A large, faint pictogram used as a watermark.
void Watermark(Canvas& c, const Glyph& g, double cx, double cy, double size, Col ink, double opacity) {
  DrawGlyph(c, g, cx, cy, size, ink, opacity);
}

// ---------------------------------------------------------------------------
// The pictures

// 122: the shared panel background (gauge panel, clock, data plot, schedules,
// self-test settings, closed applications). Large enough for every one of them.
Canvas PanelBack() {
  Canvas c(641, 366);
  VerticalGradient(c, Hex(0xF0F6FC), Hex(0xDCE9F6), 366);
  // a faint sheen along the top edge
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < c.w(); ++x) c.Blend(x, y, kWhite, 0.35 * (1 - y / 24.0));
  return c;
}

// 133: the picture at the top right of the gauge panel: the computer, the
// link and the UPS that feeds it.
Canvas UpsPicture(const Canvas& panel) {
  Canvas c = panel.Crop(skin::kUpsPictureAt.x, skin::kUpsPictureAt.y, 250, 160);
  Card(c, 3, 3, 246, 156, 12);
  // floor shadow
  Fill(c, RoundRect(30, 132, 224, 142, 5), Solid(kDeep), 0.08);
  // monitor
  const Sdf screenFrame = RoundRect(22, 34, 118, 100, 6);
  Shadow(c, screenFrame, 0, 2, 3, 0.18);
  Fill(c, screenFrame, VGradient(34, 100, Hex(0x3A4A5E), Hex(0x1F2A38)));
  Fill(c, RoundRect(28, 40, 112, 94, 3), VGradient(40, 94, Hex(0x4C9BE6), Hex(0x1D5FAE)));
  std::vector<Pt> wave;
  for (int i = 0; i <= 60; ++i) wave.push_back({33 + i * 1.25, 70 - 13 * std::sin(i / 60.0 * 3 * kPi)});
  Fill(c, Polyline(wave, 2.2), Solid(kWhite), 0.9, Box{28, 40, 112, 94});
  Fill(c, RoundRect(28, 40, 112, 55, 3), Solid(kWhite), 0.10);
  Fill(c, Polygon({{62, 100}, {78, 100}, {82, 122}, {58, 122}}), VGradient(100, 122, Hex(0x56677C), Hex(0x3A4A5E)));
  Fill(c, RoundRect(44, 120, 96, 127, 3.5), VGradient(120, 127, Hex(0x6B7C90), Hex(0x3A4A5E)));
  // the UPS tower
  const Sdf tower = RoundRect(150, 22, 212, 136, 8);
  Shadow(c, tower, 0, 3, 4, 0.22);
  Fill(c, tower, [](double x, double y) {
    const Col v = Mix(Hex(0x3B4B60), Hex(0x1C2633), Clamp((y - 22) / 114, 0.0, 1.0));
    return Mix(v, Hex(0x55677E), 0.35 * Clamp(1 - (x - 150) / 30, 0.0, 1.0));
  });
  Fill(c, InnerEdge(tower, 1), Solid(Hex(0x6E8198)), 0.8);
  Fill(c, RoundRect(160, 34, 202, 56, 3), VGradient(34, 56, Hex(0x7FE0A0), Hex(0x2FA65A)));
  Fill(c, Polyline({{165, 48}, {172, 48}, {176, 40}, {181, 52}, {185, 44}, {197, 44}}, 1.6), Solid(Hex(0x0F4A27)), 0.8);
  Fill(c, Circle(166, 68, 3.2), Solid(Hex(0x49D17A)));
  Fill(c, Circle(178, 68, 3.2), Solid(Hex(0x49D17A)));
  Fill(c, Circle(190, 68, 3.2), Solid(Hex(0xF7BE34)));
  for (int i = 0; i < 5; ++i) Fill(c, RoundRect(163, 84 + i * 8, 199, 87 + i * 8, 1.5), Solid(Hex(0x121820)), 0.6);
  DrawGlyph(c, BoltGlyph(), 181, 126, 14, Solid(kAmber));
  // the cable between them
  Fill(c, Polyline({{118, 110}, {130, 110}, {136, 118}, {150, 118}}, 2.6), Solid(kNavy), 0.85);
  Fill(c, RoundRect(114, 106, 121, 114, 1.5), Solid(kNavy));
  Fill(c, RoundRect(146, 114, 153, 122, 1.5), Solid(kNavy));
  // a small power badge above the tower
  Fill(c, Circle(224, 24, 11), VGradient(13, 35, Hex(0xFFD868), kAmberDark));
  DrawGlyph(c, BoltGlyph(), 224, 24, 15, Solid(kWhite));
  return c;
}

// Status pictures of the gauge panel: a card with a round badge carrying the
// subject, and at the right a small drawing of the state.
constexpr int kStatusW = skin::kStatePictureSize.width, kStatusH = skin::kStatePictureSize.height;

Canvas StatusCard(const Canvas& panel, PicturePlace at, const Glyph& badge, Col colour, bool bad) {
  Canvas c = panel.Crop(at.x, at.y, kStatusW, kStatusH);
  const Sdf card = RoundRect(1, 1, kStatusW - 1, kStatusH - 2, 10);
  Shadow(c, card, 0, 1, 1.6, 0.15);
  Fill(c, card, VGradient(1, kStatusH - 2, kWhite, bad ? Hex(0xFBEDED) : Hex(0xEEF4FA)));
  Fill(c, InnerEdge(card, 1), Solid(bad ? Hex(0xE3B3B3) : Hex(0xB6CCE3)));
  const Sdf disc = Circle(25, 25.5, 18);
  Fill(c, disc, VGradient(7, 44, Mix(colour, kWhite, 0.25), Mix(colour, Hex(0x000000), 0.15)));
  Fill(c, InnerEdge(disc, 1), Solid(Mix(colour, Hex(0x000000), 0.25)), 0.6);
  Fill(c, Circle(25, 17, 12), Solid(kWhite), 0.10);
  DrawGlyph(c, badge, 25, 25.5, 25, kWhite);
  return c;
}

std::vector<Pt> SineWave(double x0, double x1, double cy, double amp, double cycles) {
  std::vector<Pt> pts;
  for (int i = 0; i <= 80; ++i)
    pts.push_back({x0 + (x1 - x0) * i / 80.0, cy - amp * std::sin(i / 80.0 * cycles * 2 * kPi)});
  return pts;
}

void SmallCross(Canvas& c, double cx, double cy, double size) {
  Fill(c, Circle(cx, cy, size / 2), Solid(kRed));
  DrawGlyph(c, CrossGlyph(), cx, cy, size * 0.9, kWhite);
}

Canvas MainsPicture(const Canvas& panel, PicturePlace at, bool failed) {
  Canvas c = StatusCard(panel, at, PlugGlyph(), failed ? kRed : kGreen, failed);
  if (!failed) {
    Fill(c, Polyline(SineWave(54, 108, 25.5, 9, 1.5), 2.6), Solid(kGreenDark));
  } else {
    Fill(c, Polyline(SineWave(54, 72, 25.5, 9, 0.5), 2.4), Solid(kSlate));
    Fill(c, Polyline({{90, 25.5}, {108, 25.5}}, 2.4), Solid(kSlate));
    SmallCross(c, 81, 25.5, 15);
  }
  return c;
}

Canvas BatteryPicture(const Canvas& panel, PicturePlace at, bool low) {
  Canvas c = StatusCard(panel, at, BatteryGlyph(low ? 0.15 : 1.0), low ? kRed : kGreen, low);
  const Sdf body = RoundRect(54, 14, 103, 37, 4);
  Fill(c, body, Solid(kWhite));
  Fill(c, InnerEdge(body, 2), Solid(low ? kRedDark : kGreenDark));
  Fill(c, RoundRect(103, 20, 108, 31, 1.5), Solid(low ? kRedDark : kGreenDark));
  for (int i = 0; i < 4; ++i) {
    const double x = 58 + i * 11;
    const bool lit = low ? i == 0 : true;
    Fill(c, RoundRect(x, 18, x + 9, 33, 1.5), lit ? VGradient(18, 33, Mix(low ? kRed : kGreen, kWhite, 0.3), low ? kRed : kGreen)
                                               : Solid(Hex(0xE3E8EE)));
  }
  return c;
}

Canvas UpsStatePicture(const Canvas& panel, PicturePlace at, bool fault) {
  Canvas c = StatusCard(panel, at, UpsGlyph(), fault ? kRed : kGreen, fault);
  if (!fault) {
    Fill(c, Circle(82, 25.5, 15), Solid(Mix(kGreen, kWhite, 0.82)));
    DrawGlyph(c, CheckGlyph(), 82, 25.5, 24, kGreenDark);
  } else {
    Fill(c, Grow(Polygon({{82, 10}, {98, 38}, {66, 38}}), 2), VGradient(8, 40, Mix(kRed, kWhite, 0.2), kRedDark));
    DrawGlyph(c, ExclamationGlyph(), 82, 28, 19, kWhite);
  }
  return c;
}

Canvas TypePicture(const Canvas& panel, PicturePlace at, bool standby) {
  Canvas c = StatusCard(panel, at, standby ? SwitchGlyph() : ConverterGlyph(), standby ? Hex(0x3D8BD9) : Hex(0x5B5FD0), false);
  const Col ink = kNavy;
  if (standby) {
    // mains straight through, the battery waiting on a branch
    Fill(c, Polyline({{52, 18}, {110, 18}}, 2.4), Solid(ink));
    Fill(c, Polyline({{81, 18}, {81, 27}}, 1.6), Solid(ink), 0.6);
    const Sdf cell = RoundRect(70, 28, 92, 40, 2.5);
    Fill(c, InnerEdge(cell, 1.8), Solid(ink), 0.6);
    Fill(c, RoundRect(92, 31.5, 95, 36.5, 1), Solid(ink), 0.6);
    Fill(c, Circle(52, 18, 2.6), Solid(ink));
    Fill(c, Circle(110, 18, 2.6), Solid(ink));
  } else {
    // always through the two converters
    Fill(c, Polyline({{50, 25.5}, {112, 25.5}}, 2.4), Solid(ink));
    for (int i = 0; i < 2; ++i) {
      const double x = 58 + i * 28;
      const Sdf box = RoundRect(x, 15, x + 20, 36, 3);
      Fill(c, box, Solid(kWhite));
      Fill(c, InnerEdge(box, 1.8), Solid(ink));
      Fill(c, Polyline({{x + 17, 18}, {x + 3, 33}}, 1.2), Solid(ink), 0.7);
      Fill(c, Polyline(SineWave(x + 3.5, x + 10, 20.5, 2, 1), 1.2), Solid(ink));
      Fill(c, Polyline({{x + 10.5, 29}, {x + 16.5, 29}}, 1.2), Solid(ink));
      Fill(c, Polyline({{x + 10.5, 32}, {x + 16.5, 32}}, 1.2), Solid(ink));
    }
  }
  return c;
}

Canvas LinkPicture(const Canvas& panel, PicturePlace at, bool up) {
  Canvas c = StatusCard(panel, at, ConnectorGlyph(up ? 0 : 1.8), up ? kGreen : kRed, !up);
  const Col ink = up ? kGreenDark : kSlate;
  const double gap = up ? 0 : 8;
  Fill(c, Polyline({{52, 25.5}, {70 - gap, 25.5}}, 2.6), Solid(ink));
  Fill(c, RoundRect(68 - gap, 19, 80 - gap, 32, 2), Solid(ink));
  Fill(c, Polyline({{80 - gap, 22}, {85 - gap, 22}}, 1.8), Solid(ink));
  Fill(c, Polyline({{80 - gap, 29}, {85 - gap, 29}}, 1.8), Solid(ink));
  Fill(c, InnerEdge(RoundRect(84 + gap, 18, 96 + gap, 33, 2), 2.2), Solid(ink));
  Fill(c, Polyline({{96 + gap, 25.5}, {112, 25.5}}, 2.6), Solid(ink));
  if (!up) SmallCross(c, 82, 25.5, 13);
  return c;
}

Canvas TrafficPicture(const Canvas& panel, PicturePlace at, bool up) {
  Canvas c = StatusCard(panel, at, ExchangeGlyph(), up ? kGreen : kRed, !up);
  for (int i = 0; i < 4; ++i) {
    const double x = 58 + i * 12, h = 8 + i * 6;
    Fill(c, RoundRect(x, 38 - h, x + 8, 38, 2),
         up ? VGradient(38 - h, 38, Mix(kGreen, kWhite, 0.25), kGreenDark) : Solid(Hex(0xD3DAE2)));
  }
  if (!up) SmallCross(c, 100, 17, 15);
  return c;
}

// Warning triangles, drawn over the count-down background.
Canvas Triangle(const Canvas& back, int w, int h, bool red) {
  Canvas c = back.Crop(skin::kTriangleAt.x, skin::kTriangleAt.y, w, h);
  const double top = red ? 4 : 3.5, bottom = red ? h - 4.5 : h - 4.0;
  const Sdf tri = Grow(Polygon({{w / 2.0, top}, {w - 3.5, bottom}, {3.5, bottom}}), 2.2);
  Shadow(c, tri, 0, 1.2, 1.6, 0.25, red ? Hex(0x601010) : Hex(0x604000));
  const Col hi = red ? Hex(0xF46A6A) : Hex(0xFFE27A), lo = red ? Hex(0xC42626) : Hex(0xF0A915);
  Fill(c, tri, VGradient(top, bottom, hi, lo));
  Fill(c, InnerEdge(tri, 1.2), Solid(red ? Hex(0x9E1C1C) : Hex(0xC98A0A)), 0.9);
  const Col ink = red ? kWhite : Hex(0x4A3500);
  const double cx = w / 2.0;
  const double barTop = top + (bottom - top) * 0.34, barBottom = top + (bottom - top) * 0.68;
  Fill(c, Polyline({{cx, barTop}, {cx, barBottom}}, red ? 4.2 : 3.8), Solid(ink));
  Fill(c, Circle(cx, bottom - (bottom - top) * 0.16, red ? 2.4 : 2.2), Solid(ink));
  return c;
}

// Count-down and self-test backgrounds: a card for the triangle and the
// message lines, and a footer with the OK (and Cancel) faces at lower left.
enum class Countdown { kWarning, kManual, kSelfTest };

Canvas CountdownBack(int w, int h, Countdown kind) {
  Canvas c(w, h);
  VerticalGradient(c, kBackTop, kBackBottom, 253);
  Card(c, 5, 5, w - 6, 176, 12);
  const Glyph mark = kind == Countdown::kSelfTest ? StopwatchGlyph()
                   : kind == Countdown::kManual   ? PowerGlyph()
                                                  : BoltGlyph();
  Watermark(c, mark, w - 62, 64, 96, kAccent, 0.09);
  const int footer = 182;
  Fill(c, RoundRect(-10, footer, w + 10, h + 10, 0), VGradient(footer, h, kFooterTop, kFooterBottom));
  for (int x = 0; x < w; ++x) {
    c.Blend(x, footer, Hex(0xB3CAE3), 1.0);
    c.Blend(x, footer + 1, kWhite, 0.8);
  }
  if (kind == Countdown::kManual) {
    // OK's face is as tall as Cancel's, above and below its zone.
    const HotZone ok = skin::kManualOk, cancel = skin::kManualCancel;
    DrawButton(c, HotZone{ok.left, cancel.top, ok.right, cancel.bottom}, CheckGlyph(), kGreen);
    DrawButton(c, cancel, CrossGlyph(), kRed);
  } else {
    DrawButton(c, skin::kCountdownOk, CheckGlyph(), kGreen);
  }
  BrandMark(c, w - 14, h - 16, 11, kNavy, 0.55);
  return c;
}

// Bars of buttons: a tile per hot zone, all of one size and row.
void BarTile(Canvas& c, double cx, double cy, double w, double h, const Glyph& g, Col ink) {
  const int x0 = static_cast<int>(std::lround(cx - w / 2)), y0 = static_cast<int>(std::lround(cy - h / 2));
  DrawButton(c, HotZone{x0, y0, x0 + static_cast<int>(w) - 1, y0 + static_cast<int>(h) - 1}, g, ink);
}

Canvas BarBack(int w, int h) {
  Canvas c(w, h);
  VerticalGradient(c, kBarTop, kBarBottom, h);
  return c;
}

Canvas TopBar() {
  Canvas c = BarBack(638, 80);
  for (int y = 0; y < c.h(); ++y) c.Blend(c.w() - 1, y, Hex(0xA9C1DC), 1);
  for (int x = 0; x < c.w(); ++x) c.Blend(x, c.h() - 1, Hex(0xA9C1DC), 1);
  // Tiles of one size in one row, each centred across its zone.
  struct B {
    HotZone zone;
    Glyph g;
    Col ink;
  };
  const B buttons[] = {{skin::kTopLogFile, DocumentGlyph(), kNavy},
                       {skin::kTopHistory, HistoryGlyph(), kNavy},
                       {skin::kTopDataPlot, ChartGlyph(), kNavy},
                       {skin::kTopEventData, BarsGlyph(), kNavy},
                       {skin::kTopShutdown, PowerGlyph(), kRed},
                       {skin::kTopTenSecondTest, StopwatchGlyph(), kNavy},
                       {skin::kTopCancelSelfTest, StopwatchGlyph(), kSlate}};
  for (const B& b : buttons) BarTile(c, MiddleX(b.zone), 29.5, 40, 40, b.g, b.ink);
  SmallCross(c, MiddleX(skin::kTopCancelSelfTest) + 12.5, 40, 12);
  // a groove between the records group and the control group
  Fill(c, RoundRect(262.5, 12, 263.5, 48, 0.5), Solid(Hex(0xA9C1DC)));
  Fill(c, RoundRect(263.5, 12, 264.5, 48, 0.5), Solid(kWhite), 0.8);
  // a soft shelf under the row
  Fill(c, RoundRect(6, 56, 478, 58, 1), Solid(kWhite), 0.5);
  return c;
}

Canvas LeftBar() {
  Canvas c = BarBack(102, 442);
  for (int y = 0; y < c.h(); ++y) c.Blend(c.w() - 1, y, Hex(0xA9C1DC), 1);
  // the emblem at the top
  const Sdf disc = Circle(39, 44, 25);
  Shadow(c, disc, 0, 2, 3, 0.2);
  Fill(c, disc, VGradient(19, 69, kSky, kDeep));
  Fill(c, InnerEdge(disc, 1.2), Solid(kWhite), 0.5);
  DrawGlyph(c, BoltGlyph(), 39, 44, 34, VGradient(28, 60, Hex(0xFFE27A), kAmber));
  Fill(c, RoundRect(14, 80, 64, 82, 1), Solid(Hex(0xA9C1DC)));
  // Tiles of one size in one column, each centred down its zone.
  struct B {
    HotZone zone;
    Glyph g;
    Col ink;
  };
  const B buttons[] = {{skin::kLeftSettings, GearGlyph(), kNavy}, {skin::kLeftAlarm, BellGlyph(), kAmberDark},
                       {skin::kLeftWeekly, CalendarGlyph(), kNavy}, {skin::kLeftExit, ExitGlyph(), kRed}};
  for (const B& b : buttons) BarTile(c, 39, MiddleY(b.zone), 44, 42, b.g, b.ink);
  // a rail beside the buttons
  Fill(c, RoundRect(84, 96, 87, 395, 1.5), VGradient(96, 395, kSky, kAccent), 0.35);
  return c;
}

// Side pictures of the settings, alarm and schedule dialogs: a deep blue strip
// with the dialog's pictogram.
Canvas SidePicture(int w, int h, const Glyph& g) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      c.at(x, y) = Mix(Mix(kAccent, kDeep, Clamp(y / static_cast<double>(h), 0.0, 1.0)), kSky, 0.25 * (1 - x / static_cast<double>(w)));
  const double cx = w / 2.0;
  const Sdf disc = Circle(cx, 40, 24);
  Fill(c, disc, Solid(kWhite), 0.16);
  Fill(c, InnerEdge(disc, 1.2), Solid(kWhite), 0.35);
  DrawGlyph(c, g, cx, 40, 30, kWhite);
  // faint bolts further down, and a fine wave
  DrawGlyph(c, BoltGlyph(), cx, h - 70, w * 1.3, kWhite, 0.07);
  Fill(c, Polyline(SineWave(6, w - 6, h * 0.45, 5, 1.5), 1.4), Solid(kWhite), 0.25);
  for (int y = 0; y < h; ++y) c.Blend(w - 1, y, kDeep, 0.6);
  return c;
}

// Page bar of the settings dialog: four page pictograms.
Canvas PageBar() {
  Canvas c = BarBack(413, 60);
  for (int x = 0; x < c.w(); ++x) c.Blend(x, c.h() - 1, Hex(0xA9C1DC), 1);
  BarTile(c, MiddleX(skin::kPageLink), 24, 40, 38, ConnectorGlyph(0), kNavy);
  BarTile(c, MiddleX(skin::kPageRecording), 24, 40, 38, RecordGlyph(), kRed);
  BarTile(c, MiddleX(skin::kPageWarning), 25, 40, 40, TriangleOutlineGlyph(), kAmberDark);
  BarTile(c, MiddleX(skin::kPageBattery), 24, 40, 38, BatteryGlyph(0.7), kGreenDark);
  Fill(c, RoundRect(282, 16, 283, 36, 0.5), Solid(Hex(0xA9C1DC)));
  BrandMark(c, 400, 32, 11, kNavy, 0.5);
  return c;
}

// The splash and About picture: the product's name on deep blue.
Canvas Splash() {
  const int w = 344, h = 206;
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double t = Clamp((x * 0.6 + y) / (w * 0.6 + h), 0.0, 1.0);
      c.at(x, y) = Mix(Hex(0x123764), Hex(0x2E7FD4), t);
    }
  // soft glows and a fine power line across
  Fill(c, Circle(300, -10, 120), Solid(kWhite), 0.05);
  Fill(c, Circle(40, 230, 110), Solid(kWhite), 0.04);
  Fill(c, Circle(76, 94, 64), Solid(kWhite), 0.05);
  Fill(c, Polyline(SineWave(-4, w + 4, 168, 7, 3.5), 1.4), Solid(kWhite), 0.16);
  Fill(c, Polyline(SineWave(-4, w + 4, 172, 5, 2.5), 1.0), Solid(kSky), 0.22);
  // emblem
  const double ex = 76, ey = 94, er = 42;
  const Sdf disc = Circle(ex, ey, er);
  Shadow(c, disc, 0, 4, 8, 0.35, Hex(0x06182E));
  Fill(c, disc, VGradient(ey - er, ey + er, Hex(0xFFFFFF), Hex(0xD3E5F8)));
  Fill(c, InnerEdge(disc, 3), VGradient(ey - er, ey + er, Hex(0xFFE27A), kAmberDark));
  Fill(c, Circle(ex, ey, er - 8), Solid(kAccent), 0.06);
  const Sdf bolt = Place(BoltGlyph(), ex - 30, ey - 30, 60);
  Shadow(c, bolt, 1, 2, 2, 0.25, Hex(0x604000));
  Fill(c, bolt, VGradient(ey - 30, ey + 30, Hex(0xFFD74A), Hex(0xF08C12)));
  // word mark, centred in the room right of the emblem
  const double xh = 20, weight = 3.8, baseline = 106;
  const double x = 132 + (204 - WordWidth("Voltaris", xh, weight)) / 2;
  const Sdf word = Word("Voltaris", x, baseline, xh, weight);
  Shadow(c, word, 0, 2, 2.5, 0.30, Hex(0x06182E));
  Fill(c, word, Solid(kWhite));
  const double width = WordWidth("Voltaris", xh, weight);
  Fill(c, RoundRect(x, 118, x + width, 121, 1.5), [&](double px, double) {
    return Mix(kAmber, Hex(0xFFE9A8), Clamp((px - x) / width, 0.0, 1.0));
  });
  for (int i = 0; i < 3; ++i) Fill(c, Circle(x + 4 + i * 10, 133, 2.2), Solid(kWhite), 0.35 + 0.2 * i);
  // frame
  Fill(c, InnerEdge(RoundRect(0, 0, w - 2, h - 2, 0), 1), Solid(kWhite), 0.12);
  return c;
}

// The program's icon (32 x 32, with alpha for its rounded corners).
struct Icon {
  Canvas rgb{32, 32};
  std::vector<double> alpha = std::vector<double>(32 * 32, 0.0);
};

Icon MakeIcon() {
  Icon icon;
  Canvas& c = icon.rgb;
  const Sdf tile = RoundRect(1, 1, 31, 31, 7);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      c.at(x, y) = Mix(kSky, kDeep, Clamp((x * 0.4 + y) / 44.0, 0.0, 1.0));
      icon.alpha[static_cast<size_t>(y * 32 + x)] = Clamp(0.5 - tile(x + 0.5, y + 0.5), 0.0, 1.0);
    }
  Fill(c, InnerEdge(tile, 1), Solid(kWhite), 0.25);
  DrawGlyph(c, BoltGlyph(), 16, 16, 27, VGradient(5, 28, Hex(0xFFE27A), kAmber));
  return icon;
}

// ---------------------------------------------------------------------------
// Files

void Put16(std::FILE* f, uint16_t v) { std::fwrite(&v, 2, 1, f); }
void Put32(std::FILE* f, uint32_t v) { std::fwrite(&v, 4, 1, f); }

void PutInfoHeader(std::FILE* f, int w, int h, int bits, uint32_t imageSize) {
  Put32(f, 40);
  Put32(f, static_cast<uint32_t>(w));
  Put32(f, static_cast<uint32_t>(h));
  Put16(f, 1);
  Put16(f, static_cast<uint16_t>(bits));
  Put32(f, 0);
  Put32(f, imageSize);
  Put32(f, 2835);
  Put32(f, 2835);
  Put32(f, 0);
  Put32(f, 0);
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(Clamp(v, 0.0, 1.0) * 255)); }

bool WriteBmp(const std::string& path, const Canvas& c) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const int stride = (c.w() * 3 + 3) & ~3;
  const uint32_t imageSize = static_cast<uint32_t>(stride * c.h());
  Put16(f, 0x4D42);
  Put32(f, 54 + imageSize);
  Put32(f, 0);
  Put32(f, 54);
  PutInfoHeader(f, c.w(), c.h(), 24, imageSize);
  std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
  for (int y = c.h() - 1; y >= 0; --y) {
    for (int x = 0; x < c.w(); ++x) {
      const Col& p = c.at(x, y);
      row[static_cast<size_t>(x * 3)] = Byte(p.b);
      row[static_cast<size_t>(x * 3 + 1)] = Byte(p.g);
      row[static_cast<size_t>(x * 3 + 2)] = Byte(p.r);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

bool WriteIco(const std::string& path, const Icon& icon) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const Canvas& c = icon.rgb;
  const int n = c.w();
  const uint32_t maskStride = static_cast<uint32_t>(((n + 31) / 32) * 4);
  const uint32_t size = 40 + static_cast<uint32_t>(n * n * 4) + maskStride * static_cast<uint32_t>(n);
  Put16(f, 0);
  Put16(f, 1);
  Put16(f, 1);
  std::fputc(n, f);
  std::fputc(n, f);
  std::fputc(0, f);
  std::fputc(0, f);
  Put16(f, 1);
  Put16(f, 32);
  Put32(f, size);
  Put32(f, 22);
  PutInfoHeader(f, n, 2 * n, 32, 0);
  std::vector<uint8_t> mask(maskStride * static_cast<uint32_t>(n), 0);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) {
      const Col& p = c.at(x, y);
      const double a = icon.alpha[static_cast<size_t>(y * n + x)];
      const uint8_t bgra[4] = {Byte(p.b), Byte(p.g), Byte(p.r), Byte(a)};
      std::fwrite(bgra, 1, 4, f);
      if (a < 0.5) mask[static_cast<size_t>((n - 1 - y) * static_cast<int>(maskStride) + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  std::fwrite(mask.data(), 1, mask.size(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_art OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = WriteIco(dir + "/voltaris.ico", MakeIcon());
  auto save = [&](const char* name, const Canvas& c) { ok = WriteBmp(dir + "/" + name + ".bmp", c) && ok; };

  // Main window
  save("splash", Splash());
  save("top_bar", TopBar());
  save("left_bar", LeftBar());

  // Gauge panel and the windows sharing its background
  const Canvas panel = PanelBack();
  save("panel_back", panel);
  save("ups_picture", UpsPicture(panel));
  save("mains_failed", MainsPicture(panel, skin::kMainsAt, true));
  save("mains_normal", MainsPicture(panel, skin::kMainsAt, false));
  save("battery_normal", BatteryPicture(panel, skin::kBatteryAt, false));
  save("battery_low", BatteryPicture(panel, skin::kBatteryAt, true));
  save("ups_normal", UpsStatePicture(panel, skin::kUpsAt, false));
  save("ups_fault", UpsStatePicture(panel, skin::kUpsAt, true));
  save("standby_type", TypePicture(panel, skin::kTypeAt, true));
  save("online_type", TypePicture(panel, skin::kTypeAt, false));
  save("link_down", LinkPicture(panel, skin::kLinkAt, false));
  save("link_up", LinkPicture(panel, skin::kLinkAt, true));
  save("traffic_down", TrafficPicture(panel, skin::kTrafficAt, false));
  save("traffic_up", TrafficPicture(panel, skin::kTrafficAt, true));
  // OK and Cancel of the schedules and the self-test settings, Clear of the
  // closed applications list; each face covers the union of its hot zones.
  save("ok", ButtonPicture(panel, skin::kWeeklyOkAt, {37, 36},
                           {{skin::kWeeklyOk, skin::kWeeklyOkAt},
                            {skin::kDateOk, skin::kDateOkAt},
                            {skin::kTimedTestOk, skin::kTimedTestOkAt},
                            {skin::kClosedAppsOk, skin::kClosedAppsOkAt}},
                           CheckGlyph(), kGreen));
  save("cancel", ButtonPicture(panel, skin::kWeeklyCancelAt, {36, 34},
                               {{skin::kWeeklyCancel, skin::kWeeklyCancelAt}, {skin::kDateCancel, skin::kDateCancelAt}},
                               CrossGlyph(), kRed));
  save("clear", ButtonPicture(panel, skin::kClosedAppsClear, skin::kClosedAppsClearAt, {42, 36}, BasketGlyph(), kRed));

  // Count-down and self-test windows
  const Canvas warning = CountdownBack(334, 253, Countdown::kWarning);
  save("power_countdown", warning);
  save("manual_countdown", CountdownBack(332, 252, Countdown::kManual));
  save("selftest_back", CountdownBack(334, 253, Countdown::kSelfTest));
  save("red_triangle", Triangle(warning, 37, 42, true));
  save("yellow_triangle", Triangle(warning, 35, 35, false));

  // Log file
  const Canvas log = DialogBack(360, 320, 250);
  save("log_back", log);
  save("log_close", ButtonPicture(log, skin::kLogClose, skin::kLogCloseAt, {40, 31}, ExitGlyph(), kNavy));
  save("log_delete", ButtonPicture(log, skin::kLogDelete, skin::kLogDeleteAt, {34, 34}, TrashGlyph(), kRed));

  // History data
  const Canvas history = DialogBack(700, 350, 294);
  save("history_back", history);
  save("history_delete",
       ButtonPicture(history, skin::kHistoryDelete, skin::kHistoryDeleteAt, {37, 31}, TrashGlyph(), kRed));
  save("history_print",
       ButtonPicture(history, skin::kHistoryPrint, skin::kHistoryPrintAt, {36, 28}, PrinterGlyph(), kNavy));
  save("history_refresh",
       ButtonPicture(history, skin::kHistoryRefresh, skin::kHistoryRefreshAt, {37, 31}, RefreshGlyph(), kAccent));
  save("history_close",
       ButtonPicture(history, skin::kHistoryClose, skin::kHistoryCloseAt, {34, 31}, ExitGlyph(), kNavy));

  // Event data
  const Canvas events = DialogBack(380, 310, 250);
  save("events_back", events);
  save("events_close", ButtonPicture(events, skin::kEventsClose, skin::kEventsCloseAt, {36, 31}, ExitGlyph(), kNavy));
  save("events_delete",
       ButtonPicture(events, skin::kEventsDelete, skin::kEventsDeleteAt, {37, 34}, TrashGlyph(), kRed));

  // UPS setting dialog: drawn where its hot zones lie
  const Canvas setup = DialogBack(510, 235, 158, 96);
  save("setup_back", setup);
  save("setup_side", SidePicture(80, 223, GearGlyph()));
  save("setup_pages", PageBar());
  save("setup_ok", ButtonPicture(setup, skin::kSettingsOk, CheckGlyph(), kGreen));
  save("setup_cancel", ButtonPicture(setup, skin::kSettingsCancel, CrossGlyph(), kRed));
  save("setup_default_on", ButtonPicture(setup, skin::kSettingsDefault, RestoreGlyph(), kAccent));
  save("setup_default_off", ButtonPicture(setup, skin::kSettingsDefault, RestoreGlyph(), kAccent, Face::kDisabled));

  // Alarm message dialog: the frame's background, seen through its page,
  // where the buttons lie
  const Canvas alarm = DialogBack(580, 380, 303, 96);
  save("alarm_back", alarm);
  save("alarm_side", SidePicture(70, 370, BellGlyph()));
  const auto inFrame = [](PicturePlace inPage) {
    return PicturePlace{skin::kAlarmPageAt.x + inPage.x, skin::kAlarmPageAt.y + inPage.y};
  };
  save("alarm_ok", ButtonPicture(alarm, inFrame(skin::kAlarmOkAt), {37, 33}, {{skin::kAlarmOk, skin::kAlarmOkAt}},
                                 CheckGlyph(), kGreen));
  save("alarm_cancel", ButtonPicture(alarm, inFrame(skin::kAlarmCancelAt), {35, 35},
                                     {{skin::kAlarmCancel, skin::kAlarmCancelAt}}, CrossGlyph(), kRed));
  save("alarm_default", ButtonPicture(alarm, inFrame(skin::kAlarmDefaultAt), {41, 31},
                                      {{skin::kAlarmDefault, skin::kAlarmDefaultAt}}, RestoreGlyph(), kAccent));

  // Schedules
  save("schedule_side", SidePicture(70, 343, CalendarGlyph()));

  if (!ok) std::perror("make_art");
  return ok ? 0 : 1;
}

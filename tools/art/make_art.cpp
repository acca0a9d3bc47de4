// Draws the program's pictures (icon, splash) as .ico/.bmp files for windres.
// Built and run on the build machine, so the repository holds no binaries.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r, g, b;
};

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w * h), Rgb{0, 0, 0}) {}
  int w() const { return w_; }
  int h() const { return h_; }
  Rgb& at(int x, int y) { return px_[static_cast<size_t>(y * w_ + x)]; }
  const Rgb& at(int x, int y) const { return px_[static_cast<size_t>(y * w_ + x)]; }

 private:
  int w_, h_;
  std::vector<Rgb> px_;
};

// Point-in-polygon by crossings; the lightning bolt is a polygon in unit square.
bool Inside(const std::vector<std::pair<double, double>>& poly, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const auto [xi, yi] = poly[i];
    const auto [xj, yj] = poly[j];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

const std::vector<std::pair<double, double>> kBolt = {
    {0.58, 0.05}, {0.22, 0.55}, {0.46, 0.55}, {0.36, 0.95}, {0.78, 0.40}, {0.54, 0.40}, {0.66, 0.05}};

void DrawBolt(Canvas& c, int x0, int y0, int size, Rgb colour) {
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (Inside(kBolt, (x + 0.5) / size, (y + 0.5) / size)) c.at(x0 + x, y0 + y) = colour;
}

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
      const Rgb& p = c.at(x, y);
      row[static_cast<size_t>(x * 3)] = p.b;
      row[static_cast<size_t>(x * 3 + 1)] = p.g;
      row[static_cast<size_t>(x * 3 + 2)] = p.r;
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

bool WriteIco(const std::string& path, const Canvas& c) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
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
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) {
      const Rgb& p = c.at(x, y);
      const uint8_t bgra[4] = {p.b, p.g, p.r, 255};
      std::fwrite(bgra, 1, 4, f);
    }
  std::vector<uint8_t> mask(maskStride * static_cast<uint32_t>(n), 0);
  std::fwrite(mask.data(), 1, mask.size(), f);
  return std::fclose(f) == 0;
}

Canvas Icon() {
  Canvas c(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) c.at(x, y) = Rgb{20, static_cast<uint8_t>(70 + y * 2), 150};
  DrawBolt(c, 2, 2, 28, Rgb{255, 214, 40});
  return c;
}

Canvas Splash() {
  Canvas c(344, 206);
  for (int y = 0; y < c.h(); ++y)
    for (int x = 0; x < c.w(); ++x)
      c.at(x, y) = Rgb{static_cast<uint8_t>(10 + x / 8), static_cast<uint8_t>(40 + y / 3), 120};
  DrawBolt(c, 122, 23, 160, Rgb{255, 214, 40});
  for (int x = 20; x < 324; ++x) c.at(x, 190) = Rgb{255, 214, 40};  // a line under the bolt
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_art OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = WriteIco(dir + "/voltaris.ico", Icon()) && WriteBmp(dir + "/splash.bmp", Splash());
  if (!ok) std::perror("make_art");
  return ok ? 0 : 1;
}

// Small pictures: the checkered ball, the snowflakes of the three depth layers, the rainbow
// bars and the tunnel wall.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "artgen.h"
#include "canvas.h"

namespace art {

namespace {

constexpr double kPi = 3.14159265358979323846;

// One picture of the ball, turned by `turn` (in periods of its checker pattern). The
// ball is centred on (50, 50), the point the bouncing-ball effect turns it about.
Image ballFrame(double turn) {
  constexpr int kSize = 100, kSub = 4, kLongSegs = 14, kLatBands = 8;
  constexpr double kRadius = 47.5, kTilt = 0.35;  // spin axis leans right
  const Rgb red = hex("#e53935"), white = hex("#f4f7ff");
  const double light[3] = {-0.45, -0.6, 0.66};  // from the upper left, in front
  Image img(kSize, kSize);
  for (int py = 0; py < kSize; ++py)
    for (int px = 0; px < kSize; ++px) {
      double acc[3] = {0, 0, 0};
      int hits = 0;
      for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx) {
          double x = (px + (sx + 0.5) / kSub - 50) / kRadius;
          double y = (py + (sy + 0.5) / kSub - 50) / kRadius;
          double r2 = x * x + y * y;
          if (r2 > 1) continue;
          double z = std::sqrt(1 - r2);
          // Into the ball's own frame: undo the lean, then read longitude and latitude.
          double bx = x * std::cos(kTilt) + y * std::sin(kTilt);
          double by = -x * std::sin(kTilt) + y * std::cos(kTilt);
          double lon = std::atan2(bx, z) / (2 * kPi) * kLongSegs + turn * 2;
          double lat = (std::asin(std::clamp(by, -1.0, 1.0)) / kPi + 0.5) * kLatBands;
          bool check = (int(std::floor(lon)) + int(std::floor(lat))) & 1;
          Rgb base = check ? red : white;
          double diff = std::max(0.0, x * light[0] + y * light[1] + z * light[2]);
          double shade = 0.35 + 0.75 * diff;
          double glint = std::pow(std::max(0.0, 2 * diff * z - light[2]), 24) * 0.8;
          double rim = 1 - 0.35 * std::pow(1 - z, 3);
          const uint8_t ch[3] = {base.r, base.g, base.b};
          for (int c = 0; c < 3; ++c) acc[c] += std::min(255.0, ch[c] * shade * rim + 255 * glint);
          ++hits;
        }
      if (!hits) continue;
      Rgb c{uint8_t(std::lround(acc[0] / hits)), uint8_t(std::lround(acc[1] / hits)),
            uint8_t(std::lround(acc[2] / hits))};
      img.set(px, py, c, uint8_t(std::lround(255.0 * hits / (kSub * kSub))));
    }
  return img;
}

// Pixel art from strings: each character picks a colour from the legend; '.' is the
// background colour.
Image sprite(const std::vector<std::string>& rows, Rgb background,
             const std::vector<std::pair<char, Rgb>>& legend) {
  Image img(int(rows[0].size()), int(rows.size()));
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      Rgb c = background;
      for (auto& [k, v] : legend)
        if (rows[size_t(y)][size_t(x)] == k) c = v;
      img.set(x, y, c);
    }
  return img;
}

void buildSnow(const Context& ctx) {
  const Rgb magenta{255, 0, 255};
  // Layer 0, the nearest and fastest: a whole crystal on the transparent key.
  const std::vector<std::string> crystal = {
      "....c....",  //
      ".c..b..c.",  //
      "..b.b.b..",  //
      "...bab...",  //
      "cbbaaabbc",  //
      "...bab...",  //
      "..b.b.b..",  //
      ".c..b..c.",  //
      "....c....",
  };
  writePng(ctx.outDir + "/snow1.png",
           sprite(crystal, magenta,
                  {{'a', hex("#ffffff")}, {'b', hex("#dfe9ff")}, {'c', hex("#9fb4d9")}}),
           Channels::Rgb);
  writePng(ctx.outDir + "/snow1_dark.png",
           sprite(crystal, magenta,
                  {{'a', hex("#6c7c9b")}, {'b', hex("#52627f")}, {'c', hex("#3a4660")}}),
           Channels::Rgb);
  // Layers 1 and 2 are opaque dots; their corners sit between flake and night sky.
  const std::vector<std::string> dot = {"cbc", "bab", "cbc"};
  writePng(ctx.outDir + "/snow2.png",
           sprite(dot, {}, {{'a', hex("#ffffff")}, {'b', hex("#dfe9ff")}, {'c', hex("#5d74a3")}}),
           Channels::Rgb);
  writePng(ctx.outDir + "/snow2_dark.png",
           sprite(dot, {}, {{'a', hex("#52627f")}, {'b', hex("#3a4660")}, {'c', hex("#232a45")}}),
           Channels::Rgb);
  const std::vector<std::string> speck = {"ab", "bc"};
  writePng(ctx.outDir + "/snow3.png",
           sprite(speck, {}, {{'a', hex("#dfe9ff")}, {'b', hex("#9fb4d9")}, {'c', hex("#6f86b3")}}),
           Channels::Rgb);
  writePng(ctx.outDir + "/snow3_dark.png",
           sprite(speck, {}, {{'a', hex("#3a4660")}, {'b', hex("#2c3652")}, {'c', hex("#232a45")}}),
           Channels::Rgb);
}

// A copper-style bar: dark at both edges, full colour in the middle, a glint above centre.
void buildBars(const Context& ctx) {
  constexpr int kW = 200, kH = 20;
  const std::array<std::pair<const char*, Rgb>, 7> bars = {{
      {"red", hex("#e53935")},
      {"orange", hex("#fb8c00")},
      {"yellow", hex("#fdd835")},
      {"green", hex("#43a047")},
      {"blue", hex("#1e88e5")},
      {"indigo", hex("#3949ab")},
      {"purple", hex("#8e24aa")},
  }};
  for (auto& [name, c] : bars) {
    Image img(kW, kH);
    for (int y = 0; y < kH; ++y) {
      double f = std::sin(kPi * (y + 0.5) / kH);
      Rgb row = mix(mix(c, Rgb{0, 0, 0}, 0.8), c, f);
      double glint = std::max(0.0, 1 - std::abs(y - 6.0) / 2.5) * 0.65;
      row = mix(row, hex("#ffffff"), glint);
      for (int x = 0; x < kW; ++x) img.set(x, y, row);
    }
    writePng(ctx.outDir + "/bar_" + name + ".png", img, Channels::Rgb);
  }
}

uint32_t hash2(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// The tunnel wall: columns become rings of the tube (depth) and rows go round it, so the
// bricks run in courses round the tube and a ring of warm lamps passes every half texture.
void buildTunnel(const Context& ctx) {
  constexpr int kN = 256, kBrickU = 32, kCourseV = 16, kMortar = 2;
  const std::vector<Rgb> ice = {hex("#16224f"), hex("#25407a"), hex("#3b6aa8"), hex("#9fb4d9")};
  Image img(kN, kN);
  for (int v = 0; v < kN; ++v)
    for (int u = 0; u < kN; ++u) {
      int course = v / kCourseV;
      int uu = (u + (course & 1) * kBrickU / 2) % kN;
      int brick = uu / kBrickU;
      int bu = uu % kBrickU, bv = v % kCourseV;
      Rgb c;
      if (bu < kMortar || bv < kMortar) {
        c = hex("#0b1030");
      } else {
        double tone = 0.3 + 0.35 * (hash2(brick, course, 7) % 1000) / 1000.0;
        // Light from the lamp side: the upper and left edges of each brick catch it.
        double bevel = (bv < kMortar + 2 ? 0.18 : 0) + (bu < kMortar + 2 ? 0.1 : 0) -
                       (bv > kCourseV - 3 ? 0.12 : 0);
        double grain = ((hash2(u, v, 11) % 1000) / 1000.0 - 0.5) * 0.08;
        c = ramp(ice, std::clamp(tone + bevel + grain, 0.0, 1.0));
      }
      // Lamp rings: a warm band across every column of two narrow stripes.
      int lamp = u % 128;
      if (lamp >= 60 && lamp < 68) {
        double t = 1 - std::abs(lamp - 63.5) / 4.0;
        c = mix(c, ramp({hex("#e0562a"), hex("#ff9d3b"), hex("#ffcf6b"), hex("#fff2a8")}, t), 0.85);
      }
      img.set(u, v, c);
    }
  writeBmp24(ctx.outDir + "/tunnel.bmp", img);
}

}  // namespace

void buildSprites(const Context& ctx) {
  // Five steps through one period of the checker pattern; the sixth picture closes the turn.
  for (int k = 0; k < 6; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/boll%04d.png", k + 1);
    writePng(ctx.outDir + name, ballFrame(k / 5.0), Channels::Rgba);
  }
  buildSnow(ctx);
  buildBars(ctx);
  buildTunnel(ctx);
}

}  // namespace art

// The pictures and fonts that tools/artgen draws into build/gfx: that the show's loaders
// accept them, that they have the sizes, keys and transparency the scenes rely on, that the
// fonts hold every character of the show's texts, that the background and frame leave no
// trail behind the swaying box, and that the build draws the same bytes every time.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effects/texts.h"
#include "tests/support.h"
#include "tools/artgen/layout.h"

namespace {

namespace fs = std::filesystem;
namespace L = art::layout;

const std::string kGfx = std::string(PLUPP_BUILD_DIR) + "/gfx/";

struct Rgba {
  int r, g, b, a;
};

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Surface load(const std::string& name) { return Surface(IMG_Load((kGfx + name).c_str())); }

Rgba at(SDL_Surface* s, int x, int y) {
  Uint8 r, g, b, a;
  SDL_GetRGBA(pixelAt(s, x, y), s->format, &r, &g, &b, &a);
  return {r, g, b, a};
}

int maxDiff(Rgba p, Rgba q) {
  return std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
}

bool isMagenta(Rgba p) { return p.r == 255 && p.g == 0 && p.b == 255; }

class Assets : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(testDisplay(), nullptr); }
};

TEST_F(Assets, PicturesHaveTheirSizes) {
  struct Want {
    const char* name;
    int w, h;
  };
  const Want want[] = {
      {"kakbg.png", 640, 480},    {"bg_flag.png", 436, 480},
      {"psycho.png", 200, 150},   {"greet1.png", 200, 150},
      {"greet2.png", 200, 150},   {"greet3.jpg", 200, 150},
      {"greet4.png", 200, 150},   {"greet5.png", 200, 150},
      {"greet6.png", 200, 150},   {"greet7.png", 200, 150},
      {"greet8.png", 200, 150},   {"nyruta.png", L::kFrameW, L::kFrameH},
      {"boll0001.png", 100, 100}, {"boll0006.png", 100, 100},
      {"bar_red.png", 200, 20},   {"bar_purple.png", 200, 20},
  };
  for (const Want& w : want) {
    Surface s = load(w.name);
    ASSERT_NE(s, nullptr) << w.name;
    EXPECT_EQ(s->w, w.w) << w.name;
    EXPECT_EQ(s->h, w.h) << w.name;
  }
  // The tunnel texture is read as a BMP, and its wall is sampled over 256x256.
  Surface tunnel(SDL_LoadBMP((kGfx + "tunnel.bmp").c_str()));
  ASSERT_NE(tunnel, nullptr);
  EXPECT_GE(tunnel->w, 256);
  EXPECT_GE(tunnel->h, 256);
  // The third greeting card really is a JPEG.
  std::ifstream jpg(kGfx + "greet3.jpg", std::ios::binary);
  unsigned char magic[2] = {};
  jpg.read(reinterpret_cast<char*>(magic), 2);
  EXPECT_EQ(magic[0], 0xFF);
  EXPECT_EQ(magic[1], 0xD8);
}

TEST_F(Assets, BarsAreSevenOpaqueRainbowColours) {
  const char* names[] = {"red", "orange", "yellow", "green", "blue", "indigo", "purple"};
  std::set<uint32_t> middles;
  for (const char* n : names) {
    Surface s = load(std::string("bar_") + n + ".png");
    ASSERT_NE(s, nullptr) << n;
    EXPECT_EQ(s->w, 200) << n;  // the full width of the box
    EXPECT_LE(s->h, 40) << n;   // the bars bob by 20 rows inside a 150-row box
    for (int y = 0; y < s->h; ++y) EXPECT_EQ(at(s.get(), 0, y).a, 255) << n;
    Rgba m = at(s.get(), 100, s->h / 2);
    middles.insert(uint32_t(m.r) << 16 | uint32_t(m.g) << 8 | uint32_t(m.b));
  }
  EXPECT_EQ(middles.size(), 7u);
}

TEST_F(Assets, BallTurnsOnePeriodAndIsRoundAboutItsCentre) {
  std::vector<Surface> frames;
  for (int k = 1; k <= 6; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "boll%04d.png", k);
    frames.push_back(load(name));
    ASSERT_NE(frames.back(), nullptr) << name;
    ASSERT_NE(frames.back()->format->Amask, 0u) << name << " needs an alpha channel";
  }
  auto same = [](SDL_Surface* a, SDL_Surface* b) {
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x)
        if (maxDiff(at(a, x, y), at(b, x, y)) > 0 || at(a, x, y).a != at(b, x, y).a) return false;
    return true;
  };
  // The cycle shows the first five; the sixth completes the period, so it is the first again.
  for (int k = 1; k < 5; ++k) EXPECT_FALSE(same(frames[0].get(), frames[size_t(k)].get())) << k;
  EXPECT_TRUE(same(frames[0].get(), frames[5].get()));
  // Transparent outside the ball, opaque inside, centred where the effect turns it.
  SDL_Surface* f = frames[0].get();
  EXPECT_EQ(at(f, 0, 0).a, 0);
  EXPECT_EQ(at(f, 99, 99).a, 0);
  EXPECT_EQ(at(f, 50, 50).a, 255);
  double sx = 0, sy = 0, sa = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      double a = at(f, x, y).a;
      sx += a * (x + 0.5), sy += a * (y + 0.5), sa += a;
    }
  EXPECT_NEAR(sx / sa, 50.0, 0.25);
  EXPECT_NEAR(sy / sa, 50.0, 0.25);
}

TEST_F(Assets, SnowflakesKeyedOrOpaqueAsTheSnowfallDrawsThem) {
  for (const char* n : {"snow1.png", "snow1_dark.png"}) {
    Surface raw = load(n);
    ASSERT_NE(raw, nullptr) << n;
    EXPECT_LE(raw->w, 20) << n;
    EXPECT_LE(raw->h, 10) << n;
    // The display conversion drops alpha: the magenta key must be in the colours themselves.
    Surface s(SDL_DisplayFormat(raw.get()));
    int keyed = 0, flake = 0;
    for (int y = 0; y < s->h; ++y)
      for (int x = 0; x < s->w; ++x) isMagenta(at(s.get(), x, y)) ? ++keyed : ++flake;
    EXPECT_TRUE(isMagenta(at(s.get(), 0, 0))) << n;
    EXPECT_GT(keyed, 0) << n;
    EXPECT_GT(flake, 4) << n;
  }
  for (const char* n : {"snow2.png", "snow3.png", "snow2_dark.png", "snow3_dark.png"}) {
    Surface s = load(n);
    ASSERT_NE(s, nullptr) << n;
    EXPECT_LE(s->w, 10) << n;
    EXPECT_LE(s->h, 10) << n;
    for (int y = 0; y < s->h; ++y)
      for (int x = 0; x < s->w; ++x) {
        EXPECT_EQ(at(s.get(), x, y).a, 255) << n;
        EXPECT_FALSE(isMagenta(at(s.get(), x, y))) << n;
      }
  }
  // The dark twins fly over the black bands: clearly darker than the bright ones.
  auto brightest = [](const char* n) {
    Surface s = load(n);
    int m = 0;
    for (int y = 0; y < s->h; ++y)
      for (int x = 0; x < s->w; ++x)
        if (!isMagenta(at(s.get(), x, y))) m = std::max(m, at(s.get(), x, y).g);
    return m;
  };
  EXPECT_LT(brightest("snow1_dark.png") + 60, brightest("snow1.png"));
  EXPECT_LT(brightest("snow2_dark.png") + 60, brightest("snow2.png"));
  EXPECT_LT(brightest("snow3_dark.png") + 60, brightest("snow3.png"));
}

TEST_F(Assets, FrameLinesCoverTheEdgesOfTheBlackBands) {
  Surface upper = load("linjeuppe.png"), lower = load("linjenere.png");
  ASSERT_NE(upper, nullptr);
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(upper->w, 640);
  EXPECT_EQ(lower->w, 640);
  // The upper band ends at row 95, the lower starts at row 385: both lines cover them
  // across the whole width.
  const int upperRow = 95 - L::kUpperLineY, lowerRow = L::kLowerBandTop - L::kLowerLineY;
  ASSERT_GT(upper->h, upperRow);
  ASSERT_GT(lower->h, lowerRow);
  for (int x = 0; x < 640; ++x) {
    EXPECT_EQ(at(upper.get(), x, upperRow).a, 255) << x;
    EXPECT_EQ(at(lower.get(), x, lowerRow).a, 255) << x;
  }
  // Above its line the lower picture lets the scene through.
  EXPECT_EQ(at(lower.get(), 0, 0).a, 0);
}

TEST_F(Assets, ColourCyclingPictureKeepsItsShapeAtEveryStartValue) {
  // The effect shows each channel as (start - value) mod 256. Values 128 apart stay 128
  // apart whatever the start, so the picture is made of a shape and a ground that lie 128
  // apart in every channel; a picture using the full range would lose its contrast.
  Surface s = load("psycho.png");
  ASSERT_NE(s, nullptr);
  int shape = 0, ground = 0, mixed = 0;
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) {
      Rgba p = at(s.get(), x, y);
      int high = (p.r >= 128) + (p.g >= 128) + (p.b >= 128);
      high == 3 ? ++shape : high == 0 ? ++ground : ++mixed;
    }
  const int n = s->w * s->h;
  EXPECT_GT(shape, n / 10);
  EXPECT_GT(ground, n / 3);
  EXPECT_LT(mixed, n / 20);  // only the anti-aliased rim of the shape
}

// --- Fonts ---------------------------------------------------------------------------

struct FontDeleter {
  void operator()(sge_bmpFont* f) const { sge_BF_CloseFont(f); }
};
using Font = std::unique_ptr<sge_bmpFont, FontDeleter>;

Font openFont(const std::string& name) {
  return Font(
      sge_BF_OpenFont(const_cast<char*>((kGfx + name).c_str()), SGE_BFTRANSP | SGE_BFSFONT));
}

// How far the pen moves past a character. SGE's reported size of a string carries a constant
// on top of the advances, so take the difference of two sizes.
int advanceOf(sge_bmpFont* f, char c) {
  char one[2] = {c, 0}, two[3] = {c, c, 0};
  return sge_BF_TextSize(f, two).w - sge_BF_TextSize(f, one).w;
}

// Pixels a single character paints over a plain background.
int inkOf(sge_bmpFont* f, char c, int* width = nullptr) {
  Surface s(makeSurface(64, 64, 32));
  fill(s.get(), 1, 2, 3);
  char str[2] = {c, 0};
  sge_BF_textout(s.get(), f, str, 0, 0);
  if (width) *width = advanceOf(f, c);
  int ink = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (rgbAt(s.get(), x, y) != 0x010203) ++ink;
  return ink;
}

std::set<char> charsOf(const std::vector<const char*>& texts) {
  std::set<char> out;
  for (const char* t : texts)
    for (const char* p = t; *p; ++p)
      if (*p != ' ') out.insert(*p);
  return out;
}

TEST_F(Assets, FontsHoldEveryCharacterOfTheirTexts) {
  std::vector<const char*> lyrics;
  for (const auto& line : songtext) lyrics.push_back(line);
  const std::set<char> lyricChars = charsOf(lyrics);
  const std::set<char> scrollerChars = charsOf({text_scroller, text_scroller_outro, greet});
  // The texts themselves keep to the characters the fonts were drawn for.
  for (char c : lyricChars)
    EXPECT_TRUE((c >= 'A' && c <= 'Z') || c == '!' || (c >= '<' && c <= '>')) << c;
  for (char c : scrollerChars)
    EXPECT_TRUE((c >= 'A' && c <= 'Z') || c == '!' || c == '-' || c == '.') << c;

  struct Want {
    const char* file;
    const std::set<char>* chars;
    int maxW, maxH;
  };
  const Want fonts[] = {
      {"font_silver.bmp", &lyricChars, 12, 30},
      {"font_golden.bmp", &lyricChars, 12, 30},
      {"font_silver_small.bmp", &lyricChars, 8, 20},
      {"font_golden_small.bmp", &lyricChars, 8, 20},
      {"newfont.bmp", &scrollerChars, 32, 50},
      {"newfont_inverted.bmp", &scrollerChars, 32, 50},
  };
  for (const Want& w : fonts) {
    Font f = openFont(w.file);
    ASSERT_NE(f, nullptr) << w.file;
    EXPECT_LE(sge_BF_GetHeight(f.get()), w.maxH) << w.file;
    for (char c : *w.chars) {
      int width = 0;
      EXPECT_GT(inkOf(f.get(), c, &width), 6) << w.file << " has no glyph for '" << c << "'";
      EXPECT_LE(width, w.maxW) << w.file << " '" << c << "'";
    }
  }
}

TEST_F(Assets, LyricFontsKeepTheirAdvances) {
  // The line before and after the sung one is centred at four pixels a character, so a
  // string of n characters, spaces included, must be 8n wide.
  const std::string line = "KLAPPA H=NDERNA! <= >";
  for (const char* n : {"font_silver_small.bmp", "font_golden_small.bmp"}) {
    Font f = openFont(n);
    ASSERT_NE(f, nullptr) << n;
    int width = 0;
    for (char c : line) width += advanceOf(f.get(), c);
    EXPECT_EQ(width, int(8 * line.size())) << n;
  }
  // The sung line is set on a fixed 12-pixel advance: a glyph wider than that overlaps the
  // next; one much narrower leaves a gap.
  for (const char* n : {"font_silver.bmp", "font_golden.bmp"}) {
    Font f = openFont(n);
    for (char c = 'A'; c <= 'Z'; ++c) {
      int w = 0;
      inkOf(f.get(), c, &w);
      EXPECT_GE(w, 9) << n << " '" << c << "'";
      EXPECT_LE(w, 12) << n << " '" << c << "'";
    }
  }
}

TEST_F(Assets, GoldAndSilverLookTheirPart) {
  auto average = [](const char* n) {
    Font f = openFont(n);
    Surface s(makeSurface(400, 40, 32));
    fill(s.get(), 0, 0, 0);
    sge_BF_textout(s.get(), f.get(), const_cast<char*>("HEJ ALLIHOPA"), 0, 0);
    double r = 0, g = 0, b = 0;
    int k = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 400; ++x) {
        uint32_t v = rgbAt(s.get(), x, y);
        // The letters' faces, not their dark outlines.
        if (std::max({v >> 16, v >> 8 & 255, v & 255}) < 60) continue;
        r += v >> 16, g += v >> 8 & 255, b += v & 255, ++k;
      }
    return std::vector<double>{r / k, g / k, b / k};
  };
  for (const char* n : {"font_golden.bmp", "font_golden_small.bmp"}) {
    auto c = average(n);
    EXPECT_GT(c[0], c[2] + 60) << n << ": gold is warm";
    EXPECT_GT(c[1], c[2] + 30) << n;
  }
  for (const char* n : {"font_silver.bmp", "font_silver_small.bmp"}) {
    auto c = average(n);
    EXPECT_LT(std::abs(c[0] - c[2]), 40) << n << ": silver is grey";
    EXPECT_GT(c[0], 110) << n;
  }
}

// --- The scene pictures together -----------------------------------------------------

TEST_F(Assets, FlagPictureIsTheRightPartOfTheBackground) {
  // The character is erased from the flag picture and the last scene repaints part of the
  // flag's area from the background: away from the waving band the two must agree.
  Surface bg = load("kakbg.png"), flag = load("bg_flag.png");
  ASSERT_NE(bg, nullptr);
  ASSERT_NE(flag, nullptr);
  int differ = 0;
  for (int c = 0; c < flag->w; ++c)
    for (int y = 0; y < L::kLyricY; ++y) {
      int top = L::bandTop(c) - L::kWaveAmplitude,
          bottom = L::bandTop(c) + L::bandHeight(c) + L::kWaveAmplitude;
      if (y >= top && y < bottom) continue;
      if (maxDiff(at(bg.get(), L::kFlagX + c, y), at(flag.get(), c, y)) > 0) ++differ;
    }
  EXPECT_EQ(differ, 0);
}

TEST_F(Assets, WavingBandHasNoEdgesNearItsBorders) {
  // The wave shifts every column of the band by up to 15 rows, pulling in rows from beyond
  // it: any edge near the band's border would be torn. Only smooth sky may lie there.
  Surface flag = load("bg_flag.png");
  ASSERT_NE(flag, nullptr);
  int torn = 0;
  for (int c = 0; c < flag->w; ++c) {
    int top = L::bandTop(c), bottom = L::bandTop(c) + L::bandHeight(c);
    for (int edge : {top, bottom})
      for (int y = edge - L::kWaveAmplitude; y < edge + L::kWaveAmplitude; ++y) {
        if (y < 0 || y + 1 >= std::min(flag->h, L::kLowerLineY)) continue;
        if (maxDiff(at(flag.get(), c, y), at(flag.get(), c, y + 1)) > 3) ++torn;
      }
  }
  EXPECT_EQ(torn, 0);
  // And the band does carry the ribbon, in all the colours of the rainbow.
  const Rgba rainbow[] = {{0xe5, 0x39, 0x35, 0}, {0xfb, 0x8c, 0x00, 0}, {0xfd, 0xd8, 0x35, 0},
                          {0x43, 0xa0, 0x47, 0}, {0x1e, 0x88, 0xe5, 0}, {0x39, 0x49, 0xab, 0},
                          {0x8e, 0x24, 0xaa, 0}};
  for (const Rgba& want : rainbow) {
    int found = 0;
    for (int c = 0; c < flag->w; ++c)
      for (int y = L::bandTop(c); y < std::min(flag->h, L::bandTop(c) + L::bandHeight(c)); ++y)
        if (maxDiff(at(flag.get(), c, y), want) < 40) ++found;
    EXPECT_GT(found, 1000) << want.r << "," << want.g << "," << want.b;
  }
}

TEST_F(Assets, LyricBarIsCalmDarkAndTheSameInEveryRow) {
  Surface bg = load("kakbg.png");
  ASSERT_NE(bg, nullptr);
  for (int x = 0; x < 640; ++x) {
    Rgba first = at(bg.get(), x, L::kLyricY);
    EXPECT_LT(first.r + first.g + first.b, 3 * 100) << x;
    for (int y = L::kLyricY; y < 480; ++y) {
      ASSERT_EQ(maxDiff(at(bg.get(), x, y), first), 0) << x << "," << y;
    }
  }
}

// The sway of the box, as the main scene computes it from its two counters.
int toInt(float v) { return int(std::lround(v)); }
int swayX(int t) { return toInt(float(std::sin(t * 0.01 + 10) * -20)); }
int swayY(int t) { return toInt(float(std::sin(t * -0.04) * 10)); }

TEST_F(Assets, SwayingBoxLeavesNoTrail) {
  Surface bgRaw = load("kakbg.png"), frameRaw = load("nyruta.png");
  ASSERT_NE(bgRaw, nullptr);
  ASSERT_NE(frameRaw, nullptr);
  // Everything right of the flag's edge is repainted every frame; the rest of the screen
  // only where the scene copies the background back after the box has moved.
  const int W = L::kFlagX, X0 = 50, Y0 = 130, Y1 = 370;
  std::vector<Rgba> bg(size_t(640) * 480), screen(size_t(W) * (Y1 - Y0)),
      frame(size_t(frameRaw->w) * frameRaw->h);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) bg[size_t(y) * 640 + x] = at(bgRaw.get(), x, y);
  for (int y = 0; y < frameRaw->h; ++y)
    for (int x = 0; x < frameRaw->w; ++x)
      frame[size_t(y) * frameRaw->w + x] = at(frameRaw.get(), x, y);
  const Rgba box{0, 255, 0, 255};
  auto bgAt = [&](int x, int y) {
    return bg[size_t(std::clamp(y, 0, 479)) * 640 + std::clamp(x, 0, 639)];
  };
  auto put = [&](int x, int y, Rgba p) {
    if (x >= 0 && x < W && y >= Y0 && y < Y1) screen[size_t(y - Y0) * W + x] = p;
  };
  auto copy = [&](int dx, int dy, int w, int h, int sx, int sy) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) put(dx + x, dy + y, bgAt(sx + x, sy + y));
  };
  auto over = [](Rgba under, Rgba p) {
    auto ch = [&](int s, int d) { return (s * p.a + d * (255 - p.a) + 127) / 255; };
    return Rgba{ch(p.r, under.r), ch(p.g, under.g), ch(p.b, under.b), 255};
  };
  // What the screen should show: the background with the box and its frame at (bx, by).
  auto ideal = [&](int x, int y, int bx, int by) {
    Rgba p = bgAt(x, y);
    int ux = x - (bx + L::kFrameX + L::kFrameDx), uy = y - (by + L::kFrameY + L::kFrameDy);
    if (ux >= 0 && ux < L::kBoxW && uy >= 0 && uy < L::kBoxH) p = box;
    int fx = x - (bx + L::kFrameX), fy = y - (by + L::kFrameY);
    if (fx >= 0 && fx < frameRaw->w && fy >= 0 && fy < frameRaw->h)
      p = over(p, frame[size_t(fy) * frameRaw->w + fx]);
    return p;
  };
  // The two counters run together, so the sway repeats after one period of the slower
  // sine (about 628 steps); check it at one step a frame and at three, as on a slow machine.
  for (int step : {1, 3}) {
    int bx = swayX(0), by = swayY(0);
    for (int y = Y0; y < Y1; ++y)
      for (int x = X0; x < W; ++x) put(x, y, ideal(x, y, bx, by));
    int worst = 0, worstT = -1;
    for (int t = step; t <= 640; t += step) {
      int px = bx, py = by;
      bx = swayX(t), by = swayY(t);
      if (bx > px) copy(px + 80, by + 150, 20, 190, px + 90, by + 150);
      if (by > py) copy(px + 90, by + 145, 200, 20, px + 90, by + 150);
      copy(L::kFixedRepairX, L::kFixedRepairY, L::kFixedRepairW, L::kFixedRepairH, L::kFixedRepairX,
           L::kFixedRepairY);
      for (int y = Y0; y < Y1; ++y)
        for (int x = X0; x < W; ++x) {
          Rgba& s = screen[size_t(y - Y0) * W + x];
          int ux = x - (bx + L::kFrameX + L::kFrameDx), uy = y - (by + L::kFrameY + L::kFrameDy);
          if (ux >= 0 && ux < L::kBoxW && uy >= 0 && uy < L::kBoxH) s = box;
          int fx = x - (bx + L::kFrameX), fy = y - (by + L::kFrameY);
          if (fx >= 0 && fx < frameRaw->w && fy >= 0 && fy < frameRaw->h)
            s = over(s, frame[size_t(fy) * frameRaw->w + fx]);
          int d = maxDiff(s, ideal(x, y, bx, by));
          if (d > worst) worst = d, worstT = t;
        }
    }
    // A few levels of the sky's gradient may show where the frame's sky-coloured edge is
    // left behind; a piece of box or frame may not.
    EXPECT_LE(worst, 4) << "step " << step << ", worst at t = " << worstT;
  }
}

// --- The builder ---------------------------------------------------------------------

std::vector<char> bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AssetBuilder, DrawsTheSameBytesEveryTime) {
  const std::string tool = std::string(PLUPP_BUILD_DIR) + "/tools/artgen/artgen";
  ASSERT_TRUE(fs::exists(tool));
  TempCwd tmp;
  for (const char* d : {"a", "b"}) {
    std::string cmd = "ASAN_OPTIONS=detect_leaks=0 '" + tool + "' '" + tmp.dir + "/" + d + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  int files = 0;
  for (const auto& e : fs::directory_iterator(tmp.dir + "/a")) {
    const fs::path name = e.path().filename();
    ++files;
    EXPECT_TRUE(bytes(e.path()) == bytes(fs::path(tmp.dir) / "b" / name))
        << name << " differs between two runs";
    // What the build put into gfx/ is what this builder draws.
    EXPECT_TRUE(bytes(e.path()) == bytes(kGfx + name.string())) << name << " in gfx/ is stale";
  }
  EXPECT_EQ(files, 40);
}

}  // namespace

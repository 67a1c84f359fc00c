// The colour filters work four pixels at a time with a pixel-by-pixel tail;
// every width from 0 to 17, every start value and several layouts must give
// each channel as start − c on 8 bits, with nothing written past a row.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "demo/main.h"
#include "effects/colourfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace cf = colourfilters::detail;

namespace {
struct Layout {
  Uint32 r, g, b, a;
};
constexpr Layout kDisplay = {0xFF0000, 0x00FF00, 0x0000FF, 0};
constexpr Layout kPicture = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000};

Uint8 channel(Uint32 p, Uint32 mask) {
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  return static_cast<Uint8>((p & mask) >> shift);
}

// The word `start − c` per channel gives in `layout`: unused bits zero, alpha
// full where there is alpha.
Uint32 expected(Uint32 p, const Layout& from, const Layout& to, int r, int g, int b) {
  auto put = [](int v, Uint32 mask) {
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    return static_cast<Uint32>(v & 0xFF) << shift;
  };
  return put(r - channel(p, from.r), to.r) | put(g - channel(p, from.g), to.g) |
         put(b - channel(p, from.b), to.b) | to.a;
}

// Pixels in a buffer of exactly the rows' size plus `pad` guard bytes a row,
// so a read or write past a row's pixels shows (and trips the sanitizers).
struct Rows {
  Rows(int w, int h, int bytes, int pad, const Layout& l, std::mt19937& rng)
      : pitch(w * bytes + pad), data(size_t(pitch) * h) {
    for (auto& byte : data) byte = static_cast<Uint8>(rng());
    original = data;
    surface = SDL_CreateRGBSurfaceFrom(data.empty() ? nullptr : data.data(), w, h, 8 * bytes, pitch,
                                       l.r, l.g, l.b, l.a);
  }
  ~Rows() { SDL_FreeSurface(surface); }
  Uint32 word(int x, int y, int bytes, const std::vector<Uint8>& from) const {
    const Uint8* p = from.data() + y * pitch + x * bytes;
    return bytes == 3 ? p[0] | p[1] << 8 | p[2] << 16
                      : p[0] | p[1] << 8 | p[2] << 16 | Uint32(p[3]) << 24;
  }
  int pitch;
  std::vector<Uint8> data, original;
  SDL_Surface* surface = nullptr;
};

class ColourRows : public ::testing::Test {
 protected:
  void SetUp() override {
    testDisplay();
    savedBox = demoboxBuffer;
    savedPsycho = img_psycho;
    dt = 0;
  }
  void TearDown() override {
    demoboxBuffer = savedBox;
    img_psycho = savedPsycho;
    cf::rstart = cf::gstart = cf::bstart = 255;
    cf::neg_dir = cf::gneg_dir = cf::bneg_dir = 1;
  }
  // One frame of the colour cycling from a `w`×3 picture in `pictureLayout`
  // into a box of the same size in the display's layout; checks every pixel
  // and that the guard bytes after each box row are untouched.
  void checkPsycho(int w, int bytes, const Layout& pictureLayout, int r, int g, int b,
                   std::mt19937& rng) {
    Rows picture(w, 3, bytes, 0, pictureLayout, rng);
    Rows box(w, 3, 4, 8, kDisplay, rng);
    img_psycho = picture.surface;
    demoboxBuffer = box.surface;
    cf::rstart = r;
    cf::gstart = g;
    cf::bstart = b;
    drawPsycho();
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(box.word(x, y, 4, box.data), expected(picture.word(x, y, bytes, picture.data),
                                                        pictureLayout, kDisplay, r, g, b))
            << "width " << w << " at " << x << "," << y << " starts " << r << " " << g << " " << b;
      for (int k = 0; k < 8; ++k)
        ASSERT_EQ(box.data[y * box.pitch + 4 * w + k], box.original[y * box.pitch + 4 * w + k])
            << "width " << w << " row " << y;
    }
    EXPECT_TRUE(box.surface->flags & SDL_SRCCOLORKEY) << "the box is keyed like any drawImg";
  }
  SDL_Surface* savedBox;
  SDL_Surface* savedPsycho;
};
}  // namespace

TEST_F(ColourRows, NegativeOfEveryWidthAndLayout) {
  std::mt19937 rng(3);
  for (const Layout& layout : {kDisplay, kPicture})
    for (int w = 0; w <= 17; ++w) {
      Rows rows(w, 3, 4, 12, layout, rng);
      negFilter(rows.surface);
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(rows.word(x, y, 4, rows.data),
                    expected(rows.word(x, y, 4, rows.original), layout, layout, 255, 255, 255))
              << "width " << w << " at " << x << "," << y;
        for (int k = 0; k < 12; ++k)
          ASSERT_EQ(rows.data[y * rows.pitch + 4 * w + k],
                    rows.original[y * rows.pitch + 4 * w + k]);
      }
    }
}

TEST_F(ColourRows, PsychoFromRgbBytesAtEveryWidth) {
  // The picture's rows end exactly where its pixels do: a load past the last
  // one would read outside the buffer.
  std::mt19937 rng(5);
  for (int w = 1; w <= 17; ++w)
    checkPsycho(w, 3, {0x0000FF, 0x00FF00, 0xFF0000, 0}, 17, 200, 255, rng);
}

TEST_F(ColourRows, PsychoAtEveryStartValue) {
  // Each channel wraps on its own: every start of one channel with the others
  // at their ends.
  std::mt19937 rng(9);
  for (int v = 0; v < 256; ++v) {
    checkPsycho(9, 3, {0x0000FF, 0x00FF00, 0xFF0000, 0}, v, 0, 255, rng);
    checkPsycho(6, 3, {0x0000FF, 0x00FF00, 0xFF0000, 0}, 255, v, 0, rng);
    checkPsycho(5, 3, {0x0000FF, 0x00FF00, 0xFF0000, 0}, 0, 255, v, rng);
  }
}

TEST_F(ColourRows, PsychoFromOtherLayoutsAgrees) {
  // Pictures that are not plain red, green, blue bytes take SDL's way; the
  // result is the same rule.
  std::mt19937 rng(11);
  for (int w : {1, 4, 7, 16}) {
    checkPsycho(w, 3, {0xFF0000, 0x00FF00, 0x0000FF, 0}, 40, 90, 250, rng);
    checkPsycho(w, 4, kDisplay, 40, 90, 250, rng);
  }
}

#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "demo/main.h"
#include "effects/lyrics.h"
#include "effects/texts.h"
#include "render/gfx.h"
#include "tests/support.h"

using lyrics::detail::vertscroll;

namespace {
const std::string kGfx = std::string(PLUPP_BUILD_DIR) + "/gfx/";
constexpr int kY = 390;                     // the scene's reference row
constexpr Uint8 kR = 7, kG = 77, kB = 177;  // a colour no glyph uses
constexpr uint32_t kBlank = uint32_t(kR) << 16 | uint32_t(kG) << 8 | kB;

std::vector<uint32_t> grab(SDL_Surface* s) {
  std::vector<uint32_t> px;
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) px.push_back(rgbAt(s, x, y));
  return px;
}

// The built fonts and glyph buffers in place of the catalogue's, which are
// put back afterwards.
class Lyrics : public ::testing::Test {
 protected:
  sge_bmpFont** const fonts[6] = {&font2,     &font3,      &font_gul2,
                                  &font_gul3, &font_intro, &font_intro_inverted};
  const char* const files[6] = {"font_silver.bmp", "font_silver_small.bmp",
                                "font_golden.bmp", "font_golden_small.bmp",
                                "newfont.bmp",     "newfont_inverted.bmp"};
  SDL_Surface** const buffers[3] = {&charBuffer, &charBuffer2, &charBuffer_inverted};
  sge_bmpFont* savedFonts[6] = {};
  SDL_Surface* savedBuffers[3] = {};

  void SetUp() override {
    testDisplay();
    sge_Update_OFF();
    resetShowState();
    for (int i = 0; i < 6; ++i) {
      savedFonts[i] = *fonts[i];
      *fonts[i] = loadFont((kGfx + files[i]).c_str());
      ASSERT_NE(*fonts[i], nullptr) << files[i];
    }
    for (int i = 0; i < 3; ++i) savedBuffers[i] = *buffers[i];
    charBuffer = makeWorkSurface(32, 50);
    charBuffer2 = makeWorkSurface(32, 1);
    charBuffer_inverted = makeWorkSurface(32, 50);
    SDL_SetColorKey(charBuffer, SDL_SRCCOLORKEY, 0);
    vertscroll = 480;
    dt = 1.6f;
    fill(screen, kR, kG, kB);
  }
  void TearDown() override {
    for (int i = 0; i < 6; ++i) {
      if (*fonts[i]) sge_BF_CloseFont(*fonts[i]);
      *fonts[i] = savedFonts[i];
    }
    for (int i = 0; i < 3; ++i) {
      if (*buffers[i]) SDL_FreeSurface(*buffers[i]);
      *buffers[i] = savedBuffers[i];
    }
    resetShowState();
  }

  // The lines as printed from a blank screen for the given state.
  void print(int row, int pos, int active, int greeting = 0) {
    fill(screen, kR, kG, kB);
    currentrow = row;
    currentpos = pos;
    currentactionactive = active;
    greetstart = greeting;
    printMsgSection(40, kY);
  }
  std::vector<uint32_t> printed(int row, int pos, int active, int greeting = 0) {
    print(row, pos, active, greeting);
    return grab(screen);
  }
  // True if the screen still holds only the blank colour.
  bool untouched() {
    const Uint32 blank = SDL_MapRGB(screen->format, kR, kG, kB);
    for (int y = 0; y < screen->h; ++y) {
      const Uint32* row =
          reinterpret_cast<const Uint32*>(static_cast<Uint8*>(screen->pixels) + y * screen->pitch);
      for (int x = 0; x < screen->w; ++x)
        if (row[x] != blank) return false;
    }
    return true;
  }

  // Bounds of the pixels that differ from the blank colour in rows y0..y1.
  struct Box {
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
    bool empty() const { return left > right; }
  };
  Box drawnIn(int y0, int y1) {
    Box b;
    for (int y = y0; y <= y1; ++y)
      for (int x = 0; x < screen->w; ++x)
        if (rgbAt(screen, x, y) != kBlank) {
          b.left = std::min(b.left, x);
          b.right = std::max(b.right, x);
          b.top = std::min(b.top, y);
          b.bottom = std::max(b.bottom, y);
        }
    return b;
  }
};

int bangOf(int row) { return static_cast<int>(std::strchr(songtext[row], '!') - songtext[row]); }
}  // namespace

TEST_F(Lyrics, AtStartOnlyTheComingLineShowsCentredInSmallSilver) {
  print(2, 0, 0);
  const int n = static_cast<int>(std::strlen(songtext[3]));
  EXPECT_TRUE(drawnIn(0, kY + 60 - 1).empty()) << "lines just sung and being sung are empty";
  Box next = drawnIn(kY + 60, screen->h - 1);
  ASSERT_FALSE(next.empty());
  // Small letters 8 px apart from x = 320 − 4n; a glyph may start a little
  // inside its cell.
  EXPECT_GE(next.left, 320 - 4 * n);
  EXPECT_LE(next.left, 320 - 4 * n + 4);
  EXPECT_LE(next.right, 320 + 4 * n);
  EXPECT_GE(next.right, 320 + 4 * n - 8);
}

TEST_F(Lyrics, ThreeLinesAtTheirRowsAndTheSungOneAtItsPenSteps) {
  const int row = 5, n = static_cast<int>(std::strlen(songtext[row]));
  print(row, -1, 0);  // nothing lit
  Box justSung = drawnIn(kY + 15, kY + 15 + 15);
  Box sung = drawnIn(kY + 35, kY + 35 + 22);
  Box next = drawnIn(kY + 60, screen->h - 1);
  EXPECT_FALSE(justSung.empty());
  EXPECT_FALSE(next.empty());
  ASSERT_FALSE(sung.empty());
  EXPECT_EQ(sung.top >= kY + 35, true);

  // The same letters drawn one by one from x = 338 − 6n, 12 px a letter and 7
  // a space, reproduce the sung line.
  std::vector<uint32_t> shown = grab(screen);
  fill(screen, kR, kG, kB);
  int x = 338 - 6 * n - 12;
  for (int j = 0; j < n; ++j) {
    char one[2] = {songtext[row][j], '\0'};
    x += one[0] == ' ' ? 7 : 12;
    sge_BF_textout(screen, font2, one, Sint16(x), Sint16(kY + 35));
  }
  std::vector<uint32_t> byHand = grab(screen);
  for (int y = kY + 35; y < kY + 58; ++y)
    for (int px = 0; px < 640; ++px)
      ASSERT_EQ(shown[y * 640 + px], byHand[y * 640 + px]) << px << "," << y;
}

TEST_F(Lyrics, GoldCoversTheSilverLetterForLetter) {
  vertscroll = 1000000;  // the greeting scroller, called below, shows nothing
  const int row = 10;
  std::vector<uint32_t> silver = printed(row, -1, 1);
  std::vector<uint32_t> lit = printed(row, 1000, 1);
  EXPECT_EQ(currentpos, 1000) << "no '!' in a refrain line: nothing held";
  std::vector<uint32_t> allGold = printed(row, -1, 0, 1);  // greeting: the line in gold
  EXPECT_NE(lit, silver);
  EXPECT_EQ(lit, allGold);
}

TEST_F(Lyrics, GoldGrowsWithThePosition) {
  const int row = 5;
  std::vector<uint32_t> one = printed(row, 0, 0);
  std::vector<uint32_t> none = printed(row, -1, 0);
  std::vector<uint32_t> two = printed(row, 1, 0);
  EXPECT_NE(one, none) << "with position 0 the first letter is already gold";
  EXPECT_NE(two, one);
  // The second letter (x 338 − 6n + 12 on) is gold only with position 1.
  const int n = static_cast<int>(std::strlen(songtext[row]));
  int changed = 0;
  for (int y = kY + 35; y < kY + 58; ++y)
    for (int x = 0; x < 640; ++x)
      if (two[y * 640 + x] != one[y * 640 + x]) {
        ++changed;
        EXPECT_GE(x, 338 - 6 * n + 12) << y;
      }
  EXPECT_GT(changed, 0);
}

TEST_F(Lyrics, HoldAtTheBangUntilAnActionIsActive) {
  for (int verse = 0; verse < 4; ++verse) {
    const int row = 3 + 5 * verse, bang = bangOf(row);
    SCOPED_TRACE("row " + std::to_string(row));
    std::vector<uint32_t> throughSpace = printed(row, bang + 1, 0);
    EXPECT_EQ(currentpos, bang + 1);

    std::vector<uint32_t> held = printed(row, bang + 7, 0);
    EXPECT_EQ(currentpos, bang + 3) << "set to the '!' + 3";
    EXPECT_EQ(held, throughSpace) << "gold ends at the space after the '!'";
    // Tested again every frame, and it holds at exactly the sound word too.
    print(row, bang + 2, 0);
    EXPECT_EQ(currentpos, bang + 3);

    std::vector<uint32_t> released = printed(row, bang + 7, 1);
    EXPECT_EQ(currentpos, bang + 7);
    EXPECT_NE(released, held) << "the sound word lights once the action is active";
  }
}

TEST_F(Lyrics, NothingIsReadOutsideTheTableOrPastALine) {
  for (int row : {INT_MIN, -2, -1, 0, 40, 41, 1000, INT_MAX}) {
    for (int pos : {INT_MIN, -1, 0, 149, 150, INT_MAX}) {
      print(row, pos, 0);
      EXPECT_TRUE(untouched()) << row << " " << pos;
      EXPECT_EQ(currentpos, pos) << row;
    }
  }
  // The edges of the table still show what lies inside it.
  print(31, INT_MAX, 0);
  EXPECT_FALSE(drawnIn(kY + 15, kY + 30).empty()) << "line 30 just sung";
  print(2, INT_MAX, 1);
  EXPECT_FALSE(drawnIn(kY + 60, screen->h - 1).empty());
  // Past the end of the line nothing is drawn or held.
  const int row = 3, n = static_cast<int>(std::strlen(songtext[row]));
  std::vector<uint32_t> whole = printed(row, n - 1, 1);
  EXPECT_EQ(printed(row, INT_MAX, 1), whole);
}

TEST_F(Lyrics, MissingFontsDrawNothing) {
  for (int i = 0; i < 6; ++i) {
    sge_BF_CloseFont(*fonts[i]);
    *fonts[i] = nullptr;
  }
  vertscroll = -250;
  print(3, 45, 0, 1);
  EXPECT_TRUE(untouched());
  EXPECT_EQ(currentpos, bangOf(3) + 3) << "the hold works without pictures";
}

TEST_F(Lyrics, GreetingScrollerRisesFromBelowTheScreen) {
  drawGreetScoller();
  EXPECT_TRUE(untouched()) << "rows 9..18 lie below the screen";
  EXPECT_EQ(vertscroll, 480 - 3);

  // Its first letter (row 5) reaches the bottom edge at 229.
  vertscroll = 232;
  drawGreetScoller();
  EXPECT_EQ(vertscroll, 229);
  EXPECT_TRUE(untouched());
  vertscroll = 200;
  drawGreetScoller();
  EXPECT_FALSE(untouched());

  // Not drawn and not moved while the greeting is off.
  vertscroll = 100;
  print(10, 0, 0, 0);
  EXPECT_EQ(vertscroll, 100);
  print(10, 0, 0, 1);
  EXPECT_EQ(vertscroll, 97);
}

TEST_F(Lyrics, GreetingLettersTwistAroundTheWavingAxis) {
  vertscroll = -250;  // row 5, the first letter, at the top edge
  dt = 0;
  drawGreetScoller();
  int right = 0, left = 0;
  for (int y = 0; y < screen->h; ++y) {
    const int axis = static_cast<int>(30 * std::sin(0.01 * y) + 350) - 16;
    const int w = static_cast<int>(32 * std::sin(0.012 * y));
    for (int x = 0; x < screen->w; ++x) {
      if (rgbAt(screen, x, y) == kBlank) continue;
      // Squeezed to |w| px, right of the axis while w > 0, left while w < 0;
      // SGE's scaled copy may come out up to two columns wider.
      if (w > 0) {
        ++right;
        ASSERT_GE(x, axis) << y;
        ASSERT_LE(x, axis + w + 2) << y;
      } else {
        ++left;
        ASSERT_LT(x, axis + 2) << y;
        ASSERT_GE(x, axis + w) << y;
      }
    }
  }
  EXPECT_GT(right, 50);
  EXPECT_GT(left, 50);
}

TEST_F(Lyrics, GreetingScrollerEndsWithItsText) {
  vertscroll = -50 * static_cast<int>(std::strlen(greet));
  drawGreetScoller();
  EXPECT_TRUE(untouched());
  vertscroll = -50 * (static_cast<int>(std::strlen(greet)) - 5);
  for (int i = 0; i < 3; ++i) drawGreetScoller();  // blank tail: nothing either
  EXPECT_TRUE(untouched());
}

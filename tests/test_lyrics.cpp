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
constexpr int kY = 390;  // the scene's reference row
constexpr uint32_t kBlank = 0x074DB1;

using Pixels = std::vector<Uint32>;
Pixels grab() {
  const Uint32* p = static_cast<const Uint32*>(screen->pixels);
  return Pixels(p, p + screen->h * screen->pitch / 4);
}

// The built fonts and glyph buffers in place of the catalogue's, which are
// put back afterwards.
class Lyrics : public ::testing::Test {
 protected:
  sge_bmpFont** const fonts[6] = {&font2,     &font3,      &font_gul2,
                                  &font_gul3, &font_intro, &font_intro_inverted};
  const char* const files[6] = {"font_silver",       "font_silver_small", "font_golden",
                                "font_golden_small", "newfont",           "newfont_inverted"};
  sge_bmpFont* savedFonts[6] = {};
  SDL_Surface* savedBuffers[3] = {charBuffer, charBuffer2, charBuffer_inverted};
  Pixels blank;

  void SetUp() override {
    testDisplay();
    sge_Update_OFF();
    resetShowState();
    for (int i = 0; i < 6; ++i) {
      savedFonts[i] = *fonts[i];
      *fonts[i] = loadFont((std::string(PLUPP_BUILD_DIR) + "/gfx/" + files[i] + ".bmp").c_str());
      ASSERT_NE(*fonts[i], nullptr) << files[i];
    }
    charBuffer = makeWorkSurface(32, 50);
    charBuffer2 = makeWorkSurface(32, 1);
    charBuffer_inverted = makeWorkSurface(32, 50);
    SDL_SetColorKey(charBuffer, SDL_SRCCOLORKEY, 0);
    vertscroll = 480;
    dt = 1.6f;
    fill(screen, kBlank >> 16, kBlank >> 8 & 0xFF, kBlank & 0xFF);
    blank = grab();
  }
  void TearDown() override {
    for (int i = 0; i < 6; ++i) {
      if (*fonts[i]) sge_BF_CloseFont(*fonts[i]);
      *fonts[i] = savedFonts[i];
    }
    SDL_Surface** buffers[3] = {&charBuffer, &charBuffer2, &charBuffer_inverted};
    for (int i = 0; i < 3; ++i) SDL_FreeSurface(*buffers[i]), *buffers[i] = savedBuffers[i];
    resetShowState();
  }

  // The lines as printed from a blank screen for the given state, after the
  // frame's hold step as the scene takes it.
  Pixels printed(int row, int pos, int active, int greeting = 0) {
    fill(screen, kBlank >> 16, kBlank >> 8 & 0xFF, kBlank & 0xFF);
    currentrow = row;
    currentpos = pos;
    currentactionactive = active;
    greetstart = greeting;
    holdGoldAtBang();
    printMsgSection(40, kY);
    return grab();
  }
  // Leftmost and rightmost drawn columns in rows y0..y1; left > right if none.
  std::pair<int, int> drawnIn(int y0, int y1) {
    int left = INT_MAX, right = INT_MIN;
    for (int y = y0; y <= y1; ++y)
      for (int x = 0; x < screen->w; ++x)
        if (rgbAt(screen, x, y) != kBlank) left = std::min(left, x), right = std::max(right, x);
    return {left, right};
  }
};

int bangOf(int row) { return static_cast<int>(std::strchr(songtext[row], '!') - songtext[row]); }
}  // namespace

TEST_F(Lyrics, AtStartOnlyTheComingLineShowsCentredInSmallLetters) {
  printed(2, 0, 0);
  const int n = static_cast<int>(std::strlen(songtext[3]));
  auto [left, right] = drawnIn(0, kY + 59);
  EXPECT_GT(left, right) << "lines just sung and being sung are empty";
  // Small letters 8 px apart from x = 320 − 4n; a glyph may sit a little
  // inside its cell.
  std::tie(left, right) = drawnIn(kY + 60, screen->h - 1);
  EXPECT_GE(left, 320 - 4 * n);
  EXPECT_LE(left, 320 - 4 * n + 4);
  EXPECT_LE(right, 320 + 4 * n);
  EXPECT_GE(right, 320 + 4 * n - 8);
}

TEST_F(Lyrics, HoldAtTheBangUntilAnActionIsActive) {
  for (int verse = 0; verse < 4; ++verse) {
    const int row = 3 + 5 * verse, bang = bangOf(row);
    SCOPED_TRACE("row " + std::to_string(row));
    Pixels throughSpace = printed(row, bang + 1, 0);
    EXPECT_EQ(currentpos, bang + 1);
    Pixels held = printed(row, bang + 7, 0);
    EXPECT_EQ(currentpos, bang + 3) << "set to the '!' + 3";
    EXPECT_TRUE(held == throughSpace) << "gold ends at the space after the '!'";
    printed(row, bang + 2, 0);  // tested again every frame
    EXPECT_EQ(currentpos, bang + 3);
    // The drawing alone stops the gold at the hold and writes no cue state.
    fill(screen, kBlank >> 16, kBlank >> 8 & 0xFF, kBlank & 0xFF);
    currentpos = bang + 7;
    printMsgSection(40, kY);
    EXPECT_EQ(currentpos, bang + 7);
    EXPECT_TRUE(grab() == held);

    Pixels released = printed(row, bang + 7, 1);
    EXPECT_EQ(currentpos, bang + 7);
    EXPECT_FALSE(released == held) << "the sound word lights once the action is active";
  }
  // A greeting frame: the whole line gold, the same as gold over silver.
  vertscroll = 1000000;  // its scroller, past the text, shows nothing
  EXPECT_TRUE(printed(10, -1, 0, 1) == printed(10, 1000, 0));
}

TEST_F(Lyrics, NothingIsReadOutsideTheTableOrPastALine) {
  for (int row : {INT_MIN, -1, 0, 40, 41, INT_MAX}) {
    for (int pos : {INT_MIN, -1, 0, 150, INT_MAX}) {
      EXPECT_TRUE(printed(row, pos, 0) == blank) << row << " " << pos;
      EXPECT_EQ(currentpos, pos) << row;
    }
  }
  printed(31, INT_MAX, 0);
  auto [left, right] = drawnIn(kY + 15, kY + 30);
  EXPECT_LE(left, right) << "line 30 just sung, from inside the table";
  const int n = static_cast<int>(std::strlen(songtext[3]));
  EXPECT_TRUE(printed(3, INT_MAX, 1) == printed(3, n - 1, 1));
}

TEST_F(Lyrics, GreetingScrollerRisesFromBelowTheScreen) {
  drawGreetScoller();
  EXPECT_TRUE(grab() == blank) << "first frame: rows 9..18 lie below the screen";
  EXPECT_EQ(vertscroll, 480 - 3);
  vertscroll = 233;  // to 230: its first letter, row 5, just below the edge
  drawGreetScoller();
  EXPECT_TRUE(grab() == blank);
  vertscroll = 200;
  drawGreetScoller();
  EXPECT_FALSE(grab() == blank);

  vertscroll = 100;  // not moved while the greeting is off
  printed(10, 0, 0, 0);
  EXPECT_EQ(vertscroll, 100);
  printed(10, 0, 0, 1);
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

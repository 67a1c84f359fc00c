#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "demo/main.h"
#include "render/gfx.h"
#include "render/random.h"
#include "tests/support.h"

namespace {
// IMG_Load reads pictures by their content, so BMPs stand in for the PNGs.
void writePicture(const std::string& path, int w, int h, Uint8 shade) {
  SDL_Surface* s = makeSurface(w, h, 32);
  fill(s, shade, Uint8(255 - shade), 40);
  SDL_SaveBMP(s, path.c_str());
  SDL_FreeSurface(s);
}

void writeCatalogue(int ballSize) {
  system("mkdir -p gfx");
  const char* pictures[] = {"kakmonsterwalk1.png",
                            "kakmonsterwalk2.png",
                            "kakmonsterwalk3.png",
                            "kakmonsterwalk4.png",
                            "kakmonsterclap1.png",
                            "kakmonsterclap2.png",
                            "kakmonsterknapp1.png",
                            "kakmonsterknapp2.png",
                            "kakmonsterblink1.png",
                            "kakmonsterblink2.png",
                            "kakmonsterhej1.png",
                            "kakmonsterhej2.png",
                            "kakmonsterstamp.png",
                            "kakmonsterstamp2.png",
                            "kakmonsterdansar.png",
                            "kakmonsterdansar2.png",
                            "kakmonsterdansar3.png",
                            "fire_1.png",
                            "fire_2.png",
                            "fire_3.png",
                            "fire_4.png",
                            "snow1.png",
                            "snow2.png",
                            "snow3.png",
                            "snow1_dark.png",
                            "snow2_dark.png",
                            "snow3_dark.png",
                            "kakbg.png",
                            "linjenere.png",
                            "linjeuppe.png",
                            "nyruta.png",
                            "platform.png",
                            "greet1.png",
                            "greet2.png",
                            "greet3.jpg",
                            "greet4.png",
                            "greet5.png",
                            "greet6.png",
                            "greet7.png",
                            "greet8.png",
                            "bar_red.png",
                            "bar_orange.png",
                            "bar_yellow.png",
                            "bar_green.png",
                            "bar_blue.png",
                            "bar_indigo.png",
                            "bar_purple.png",
                            "psycho.png"};
  int shade = 0;
  for (const char* p : pictures) writePicture(std::string("gfx/") + p, 8, 6, Uint8(shade += 5));
  for (int i = 1; i <= 6; ++i)
    writePicture("gfx/boll000" + std::to_string(i) + ".png", ballSize, ballSize, Uint8(i * 30));
}
}  // namespace

TEST(LoadGfx, FillsAnimationsWithSeparateSurfaces) {
  testDisplay();
  TempCwd cwd;
  writeCatalogue(100);
  loadGfx();

  EXPECT_EQ(blinkcookie.numframes, 6);
  EXPECT_EQ(blinkcookie.framedelay, 500);
  for (int i = 0; i < 6; ++i) {
    ASSERT_NE(blinkcookie.frames[i], nullptr);
    for (int j = 0; j < i; ++j) EXPECT_NE(blinkcookie.frames[i], blinkcookie.frames[j]);
  }
  EXPECT_EQ(rgbAt(blinkcookie.frames[0], 0, 0), rgbAt(blinkcookie.frames[4], 0, 0));
  EXPECT_NE(rgbAt(blinkcookie.frames[0], 0, 0), rgbAt(blinkcookie.frames[5], 0, 0));

  // The dance swings 1-2-3-2 with its own copy of the middle picture.
  EXPECT_NE(dance.frames[3], dance.frames[1]);
  EXPECT_EQ(rgbAt(dance.frames[3], 0, 0), rgbAt(dance.frames[1], 0, 0));
  EXPECT_EQ(dance.framedelay, 150);

  // Six ball pictures, a cycle of five.
  EXPECT_EQ(ball.numframes, 5);
  EXPECT_NE(ball.frames[5], nullptr);
  EXPECT_EQ(ball.framedelay, 20);
  EXPECT_EQ(walk.numframes, 4);
  EXPECT_EQ(fire.framedelay, 90);
  EXPECT_EQ(walk.curframe, 0);
  EXPECT_EQ(walk.lasttick, 0u);

  // Greeting slots: 0..12 loaded, the last picture six times over.
  for (int i = 0; i <= 12; ++i) EXPECT_NE(bajssurface[i], nullptr) << i;
  EXPECT_EQ(bajssurface[13], nullptr);
  EXPECT_EQ(bajssurface[14], nullptr);
  EXPECT_NE(bajssurface[7], bajssurface[12]);
}

TEST(LoadGfx, KeysAndFormats) {
  testDisplay();
  TempCwd cwd;
  writeCatalogue(100);
  loadGfx();
  EXPECT_TRUE(img_snowflake->flags & SDL_SRCCOLORKEY);
  EXPECT_TRUE(img_snowflake_dark->flags & SDL_SRCCOLORKEY);
  EXPECT_EQ(img_snowflake->format->colorkey, SDL_MapRGB(img_snowflake->format, 255, 0, 255));
  EXPECT_FALSE(img_snowflake2->flags & SDL_SRCCOLORKEY);
  EXPECT_FALSE(img_snowflake3_dark->flags & SDL_SRCCOLORKEY);
  EXPECT_TRUE(charBuffer->flags & SDL_SRCCOLORKEY);
  EXPECT_EQ(charBuffer->format->colorkey, SDL_MapRGB(charBuffer->format, 0, 0, 0));
  EXPECT_FALSE(charBuffer_inverted->flags & SDL_SRCCOLORKEY);
  ASSERT_NE(demoboxBuffer, nullptr);
  EXPECT_EQ(demoboxBuffer->w, 200);
  EXPECT_EQ(demoboxBuffer->h, 150);
  EXPECT_EQ(demoboxBuffer->format->BitsPerPixel, screen->format->BitsPerPixel);
  EXPECT_EQ(charBuffer2->w, 32);
  EXPECT_EQ(charBuffer2->h, 1);
}

TEST(LoadGfx, BallCanvasReportsOneHundredSquareWhateverTheBallSize) {
  testDisplay();
  for (int size : {100, 60, 130}) {
    TempCwd cwd;
    writeCatalogue(size);
    loadGfx();
    ASSERT_NE(tmp_rotate, nullptr) << size;
    EXPECT_EQ(tmp_rotate->w, 100) << size;
    EXPECT_EQ(tmp_rotate->h, 100) << size;
    // The clip rectangle follows the logical size, and the storage holds it.
    EXPECT_EQ(tmp_rotate->clip_rect.w, 100) << size;
    EXPECT_GE(tmp_rotate->pitch, 100 * tmp_rotate->format->BytesPerPixel) << size;
  }
}

TEST(LoadGfx, BallsStartFromTheUnseededSequenceInOrder) {
  testDisplay();
  TempCwd cwd;
  writeCatalogue(100);
  showRandSeed(1);  // the start state
  loadGfx();
  AmigaBall first[5];
  std::copy(amigaball, amigaball + 5, first);
  showRandSeed(1);
  for (int i = 0; i < 5; ++i) {
    int speedx = showRand() % 2 + 1, speedy = showRand() % 2 + 1;
    int x = showRand() % 150, y = showRand() % 100;
    float zoom = float(32767 - showRand()) / 32767;
    int zoomspeed = showRand() % 3 + 1;
    EXPECT_EQ(first[i].speedx, speedx);
    EXPECT_EQ(first[i].speedy, speedy);
    EXPECT_EQ(first[i].x, x);
    EXPECT_EQ(first[i].y, y);
    EXPECT_FLOAT_EQ(first[i].zoom, zoom);
    EXPECT_GE(first[i].zoom, 0.0f);  // a start size, not a runaway one
    EXPECT_LE(first[i].zoom, 1.0f);
    EXPECT_EQ(first[i].zoomspeed, zoomspeed);
    EXPECT_EQ(first[i].dirx, 1);
    EXPECT_EQ(first[i].zoomdir, 1);
    EXPECT_EQ(first[i].angle, 0);
  }
}

TEST(LoadGfx, AnEmptyFolderLeavesEverythingNullAndSaysSoOncePerFile) {
  testDisplay();
  TempCwd cwd;
  testing::internal::CaptureStderr();
  loadGfx();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(font2, nullptr);
  EXPECT_EQ(font_intro_inverted, nullptr);
  EXPECT_EQ(walk.frames[0], nullptr);
  EXPECT_EQ(img_bg, nullptr);
  EXPECT_EQ(tmp_rotate, nullptr);
  EXPECT_EQ(img_snowflake, nullptr);
  EXPECT_NE(demoboxBuffer, nullptr);  // work buffers need no file
  EXPECT_NE(err.find("gfx/font_silver.bmp"), std::string::npos);
  EXPECT_NE(err.find("gfx/kakbg.png"), std::string::npos);
  // Loaded six times, reported once.
  size_t first = err.find("gfx/greet8.png");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(err.find("gfx/greet8.png", first + 1), std::string::npos);
}

TEST(LoadPicture, AnOddSizeIsReportedOnceAndThePictureStillLoads) {
  testDisplay();
  TempCwd cwd;
  writePicture("odd.png", 7, 5, 10);
  writePicture("fits.png", 200, 150, 10);
  loadGfx();  // starts a fresh report list
  testing::internal::CaptureStderr();
  SDL_Surface* odd = loadPicture("odd.png", 200, 150);
  SDL_Surface* again = loadPicture("odd.png", 200, 150);
  SDL_Surface* fits = loadPicture("fits.png", 200, 150);
  SDL_Surface* anySize = loadPicture("odd.png");
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->w, 7);
  EXPECT_NE(again, nullptr);
  EXPECT_NE(fits, nullptr);
  EXPECT_NE(anySize, nullptr);
  EXPECT_NE(err.find("odd.png is 7x5"), std::string::npos) << err;
  EXPECT_NE(err.find("200x150"), std::string::npos) << err;
  EXPECT_EQ(err.find("odd.png", err.find("odd.png") + 1), std::string::npos) << err;
  EXPECT_EQ(err.find("fits.png"), std::string::npos) << err;
  for (SDL_Surface* s : {odd, again, fits, anySize}) SDL_FreeSurface(s);
}

TEST(LoadPicture, AJpegCutShortIsReported) {
  testDisplay();
  TempCwd cwd;
  std::ifstream in(PLUPP_BUILD_DIR "/gfx/greet3.jpg", std::ios::binary);
  const std::string whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(whole.size(), 100u);
  std::ofstream(cwd.dir + "/cut.jpg", std::ios::binary) << whole.substr(0, whole.size() / 2);
  std::ofstream(cwd.dir + "/whole.jpg", std::ios::binary) << whole;
  loadGfx();
  testing::internal::CaptureStderr();
  SDL_Surface* cut = loadPicture("cut.jpg", 200, 150);
  SDL_Surface* intact = loadPicture("whole.jpg", 200, 150);
  std::string err = testing::internal::GetCapturedStderr();
  // The decoder makes a whole picture of what there is; only the warning tells.
  ASSERT_NE(cut, nullptr);
  ASSERT_NE(intact, nullptr);
  EXPECT_NE(err.find("cut.jpg is cut short"), std::string::npos) << err;
  EXPECT_EQ(err.find("whole.jpg"), std::string::npos) << err;
  SDL_FreeSurface(cut);
  SDL_FreeSurface(intact);
}

TEST(LoadFont, AFontWithoutItsGlyphMarkersIsReportedAndLeftOut) {
  testDisplay();
  TempCwd cwd;
  writePicture("nomarks.bmp", 7, 5, 10);  // a valid bitmap, one glyph at most
  loadGfx();
  testing::internal::CaptureStderr();
  sge_bmpFont* unmarked = loadFont("nomarks.bmp");
  sge_bmpFont* real = loadFont(PLUPP_BUILD_DIR "/gfx/font_silver.bmp");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(unmarked, nullptr);
  EXPECT_NE(err.find("nomarks.bmp"), std::string::npos) << err;
  EXPECT_NE(err.find("glyph markers"), std::string::npos) << err;
  ASSERT_NE(real, nullptr);
  EXPECT_EQ(err.find("font_silver"), std::string::npos) << err;
  sge_BF_CloseFont(real);
}

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include "render/gfx.h"
#include "tests/support.h"

namespace {
alignas(64) Uint8 bytes[64 * 64];

size_t allParts(int rowBytes, int pitch, int rows, int parts) {
  size_t lines = 0;
  for (int part = 0; part < parts; ++part)
    lines += readAheadBytes(bytes, rowBytes, pitch, rows, part, parts);
  return lines;
}
}  // namespace

TEST(ReadAhead, ReadsEveryCacheLineARowTouchesAndNoOther) {
  EXPECT_EQ(readAheadBytes(bytes, 1, 64, 1, 0, 1), 1u);
  EXPECT_EQ(readAheadBytes(bytes, 64, 64, 1, 0, 1), 1u);
  EXPECT_EQ(readAheadBytes(bytes, 65, 128, 1, 0, 1), 2u);
  EXPECT_EQ(readAheadBytes(bytes, 128, 128, 1, 0, 1), 2u);
  // A row starting 4 bytes before a line's end spans one line more.
  EXPECT_EQ(readAheadBytes(bytes + 60, 4, 64, 1, 0, 1), 1u);
  EXPECT_EQ(readAheadBytes(bytes + 60, 5, 64, 1, 0, 1), 2u);
  EXPECT_EQ(readAheadBytes(bytes + 60, 68, 128, 1, 0, 1), 2u);
  EXPECT_EQ(readAheadBytes(bytes + 60, 69, 128, 1, 0, 1), 3u);
}

TEST(ReadAhead, ThePartsCoverEveryRowOnceWhateverTheirNumber) {
  for (int rows : {1, 3, 7, 64})
    for (int parts : {1, 2, 3, 4, 8, 100}) {
      SCOPED_TRACE(testing::Message() << rows << " rows in " << parts << " parts");
      // One line a row: the lines read are the rows read.
      EXPECT_EQ(allParts(4, 64, rows, parts), size_t(rows));
      size_t least = SIZE_MAX, most = 0;
      for (int part = 0; part < parts; ++part) {
        const size_t n = readAheadBytes(bytes, 4, 64, rows, part, parts);
        least = n < least ? n : least;
        most = n > most ? n : most;
      }
      EXPECT_LE(most - least, 1u);  // the rows spread evenly
    }
}

TEST(ReadAhead, NothingIsReadForAPartOutsideTheCountOrAnEmptyArea) {
  EXPECT_EQ(readAheadBytes(bytes, 4, 64, 8, 4, 4), 0u);
  EXPECT_EQ(readAheadBytes(bytes, 4, 64, 8, -1, 4), 0u);
  EXPECT_EQ(readAheadBytes(bytes, 4, 64, 8, 0, 0), 0u);
  EXPECT_EQ(readAheadBytes(bytes, 0, 64, 8, 0, 1), 0u);
  EXPECT_EQ(readAheadBytes(bytes, 4, 64, 0, 0, 1), 0u);
  EXPECT_EQ(readAheadBytes(nullptr, 4, 64, 8, 0, 1), 0u);
}

TEST(ReadAhead, AnAreaIsClippedToTheSurface) {
  SDL_Surface* s = makeSurface(40, 30, 32);
  const size_t whole = readAhead(s, 0, 1);
  EXPECT_GE(whole, 30u * 160 / 64);
  EXPECT_LE(whole, 30u * (160 / 64 + 2));

  const SDL_Rect beyond = {-7, -9, 1000, 1000};
  EXPECT_EQ(readAhead(s, 0, 1, &beyond), whole);
  size_t quarters = 0;
  for (int part = 0; part < 4; ++part) quarters += readAhead(s, part, 4, &beyond);
  EXPECT_EQ(quarters, whole);

  // A column one pixel wide: a line a row.
  const SDL_Rect column = {39, -5, 1, 10};
  EXPECT_EQ(readAhead(s, 0, 1, &column), 5u);
  for (SDL_Rect outside :
       {SDL_Rect{40, 0, 5, 5}, SDL_Rect{0, 30, 5, 5}, SDL_Rect{-5, 0, 5, 5}, SDL_Rect{0, 0, 0, 5}})
    EXPECT_EQ(readAhead(s, 0, 1, &outside), 0u);
  SDL_FreeSurface(s);
}

TEST(ReadAhead, SurfacesWithoutPlainPixelsAreLeftAlone) {
  EXPECT_EQ(readAhead(nullptr, 0, 1), 0u);
  SDL_Surface* s = makeSurface(16, 16, 32);
  SDL_FillRect(s, nullptr, 0);
  // An RLE-encoded surface keeps its pixels in runs; its pixel pointer is
  // not the picture.
  SDL_SetColorKey(s, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
  SDL_Surface* dst = makeSurface(16, 16, 32);
  SDL_BlitSurface(s, nullptr, dst, nullptr);
  ASSERT_TRUE(s->flags & SDL_RLEACCEL);
  EXPECT_EQ(readAhead(s, 0, 1), 0u);
  SDL_FreeSurface(dst);
  SDL_FreeSurface(s);
}

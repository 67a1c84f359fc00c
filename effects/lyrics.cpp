#include "effects/lyrics.h"

#include <SDL/sge.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "demo/main.h"
#include "effects/texts.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace lyrics::detail {
int vertscroll = 480;
}

using lyrics::detail::vertscroll;

namespace {
// --- lyric layout: pixels; lines centred on x = 320 ---
constexpr int kRows = sizeof songtext / sizeof songtext[0];
constexpr int kLineBytes = sizeof songtext[0];
constexpr int kCentreX = 320;
constexpr int kJustSungDy = 15, kSungDy = 35, kNextDy = 60;  // below the reference row
constexpr int kSpaceAdvance = 7, kLetterAdvance = 12;        // pen step of the sung line
constexpr int kSmallHalfAdvance = 4;                         // small fonts: 8 px a letter

// --- greeting scroller: one letter a 32×50 cell, ten cells on screen ---
constexpr int kCellW = 32, kCellH = 50;
constexpr int kCellsDrawn = 10;

// A row outside the table reads as empty, and a row reads no further than its
// 150 bytes even if it lacks its terminator.
const char* lyricLine(int64_t row) { return row >= 0 && row < kRows ? songtext[row] : ""; }
int lineLength(const char* line) { return static_cast<int>(strnlen(line, kLineBytes)); }

// The lyric fonts carry Å, Ä, Ö in the slots of "<", "=", ">".
char mapLetter(char c) {
  switch (static_cast<unsigned char>(c)) {
    case 0xC5: return '<';
    case 0xC4: return '=';
    case 0xD6: return '>';
    default: return c;
  }
}

int advance(char c) { return c == ' ' ? kSpaceAdvance : kLetterAdvance; }

void drawLetter(SDL_Surface* dst, sge_bmpFont* font, char c, int x, int y) {
  if (!dst || !font) return;
  char one[2] = {c, '\0'};
  sge_BF_textout(dst, font, one, static_cast<Sint16>(x), static_cast<Sint16>(y));
}

// A whole small line centred on x = 320, unmapped.
void drawSmallLine(sge_bmpFont* font, const char* line, int y) {
  if (!screen || !font) return;
  char text[kLineBytes + 1] = {};
  int n = lineLength(line);
  std::memcpy(text, line, n);
  sge_BF_textout(screen, font, text, static_cast<Sint16>(kCentreX - kSmallHalfAdvance * n),
                 static_cast<Sint16>(y));
}

// The pen starts 6 px per letter left of the centre, one letter's worth
// less, and steps before each letter: the line lands centred for all-letter
// lines.
int penStart(int n) { return kCentreX - toInt(6.0f * static_cast<float>(n - 1)); }

// Gold from the line's start through `currentpos`. Past a "!" and its space
// the gold waits for the character's action: the position is held there
// (set to the "!"'s index + 3) every frame until an action is active.
void lightSungLine(const char* line, int y) {
  const int n = lineLength(line);
  int32_t pos = currentpos.load();
  int pen = penStart(n);
  for (int j = 0; j <= pos && j < n; ++j) {
    if (j >= 2 && line[j - 2] == '!' && currentactionactive.load() == 0) {
      // Only if the music has not moved the position meanwhile (a new line
      // sets it to 0): the hold must not carry over into the next line.
      currentpos.compare_exchange_strong(pos, j + 1);
      return;
    }
    char c = mapLetter(line[j]);
    pen += advance(c);
    drawLetter(screen, font_gul2, c, pen, y);
  }
}

// Column x where the letter's axis stands at screen row y, and the signed
// width in px (-31..31) its scanline is squeezed to there.
int axisAt(int y) { return static_cast<int>(30 * std::sin(0.01 * y) + 350); }
int squeezeAt(int y) { return static_cast<int>(32 * std::sin(0.012 * y)); }

// One scanline of the glyph in charBuffer2, squeezed to |w| px: right of the
// line x = axis - 16 while w > 0, mirrored and left of it while w < 0.
void drawScanline(int axis, int w, int y) {
  if (w < 0) mirrorImg(charBuffer2);
  // A zero width leaves nothing to draw (and SGE would divide by it).
  if (w == 0) return;
  float scale = std::abs(w) / static_cast<float>(kCellW);
  SDL_Surface* row = sge_transform_surface(charBuffer2, 0, 0.0f, scale, 1.0f, SGE_TSAFE);
  if (!row) return;
  SDL_SetColorKey(row, SDL_SRCCOLORKEY, SDL_MapRGB(row->format, 0, 0, 0));
  drawImg(screen, row, w > 0 ? axis - 16 : axis - 16 + w, y);
  SDL_FreeSurface(row);
}

void drawGreetCell(int c) {
  if (!screen || !charBuffer || !charBuffer_inverted || !charBuffer2) return;
  sge_ClearSurface(charBuffer, 0);
  sge_ClearSurface(charBuffer_inverted, 0);
  sge_ClearSurface(charBuffer2, 0);
  drawLetter(charBuffer, font_intro, greet[c], 0, 0);
  drawLetter(charBuffer_inverted, font_intro_inverted, greet[c], 0, 0);

  const int y0 = kCellH * c + vertscroll;
  for (int i = 0; i < kCellH; ++i) {
    const int y = y0 + i;
    // A scanline off the screen's rows would be clipped whole; skip its work.
    if (y < 0 || y >= screen->h) continue;
    const int w = squeezeAt(y);
    sge_ClearSurface(charBuffer2, 0);
    drawImg2(charBuffer2, w < 0 ? charBuffer : charBuffer_inverted, 0, 0, kCellW, 1, 0, i);
    drawScanline(axisAt(y), w, y);
  }
}
}  // namespace

void drawGreetScoller() {
  // The window of cells is chosen before this frame's step.
  const int first = std::abs(vertscroll / kCellH);
  vertscroll -= toInt(2 * dt);
  const int length = static_cast<int>(std::strlen(greet));
  for (int c = first; c < first + kCellsDrawn && c < length; ++c) drawGreetCell(c);
}

void printMsgSection(int, int y) {
  // One reading of the row for the whole frame, so the three lines and the
  // gold agree even if the music steps on meanwhile.
  const int32_t row = currentrow.load();
  const bool greeting = greetstart.load() != 0;

  drawSmallLine(font_gul3, lyricLine(int64_t{row} - 1), y + kJustSungDy);

  const char* sung = lyricLine(row);
  const int n = lineLength(sung);
  sge_bmpFont* silver = greeting ? font_gul2 : font2;
  int pen = penStart(n);
  for (int j = 0; j < n; ++j) {
    char c = mapLetter(sung[j]);
    pen += advance(c);
    drawLetter(screen, silver, c, pen, y + kSungDy);
  }

  drawSmallLine(font3, lyricLine(int64_t{row} + 1), y + kNextDy);

  lightSungLine(sung, y + kSungDy);
  if (greeting) drawGreetScoller();
}

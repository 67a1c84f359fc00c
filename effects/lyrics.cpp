#include "effects/lyrics.h"

#include <SDL/sge.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "demo/state.h"
#include "effects/texts.h"
#include "render/extra.h"
#include "render/font.h"
#include "render/gfx.h"
#include "render/kernels.h"

namespace lyrics::detail {
int vertscroll = 480;

void drawSqueezedRow(SDL_Surface* dst, const Uint32* row, int w, int left, int y) {
  // SGE's scaled copy is |w| + 2 px wide and 3 rows high with a black border,
  // which the key leaves out: the scanline lands one row down and one column
  // in. Its column X reads the source column X·step >> 16, step being 2^16 /
  // scale truncated, so a column that would fall on a whole source column
  // exactly can land one short of it.
  const int n = w < 0 ? -w : w;
  if (!dst || n == 0 || n > 32) return;
  const SDL_Rect& clip = dst->clip_rect;
  const int row_y = y + 1;
  if (row_y < clip.y || row_y >= clip.y + clip.h) return;
  const Uint32 step = (Uint32{32} << 16) / static_cast<Uint32>(n);
  const SDL_PixelFormat* f = dst->format;
  const Uint32 rgb = f->Rmask | f->Gmask | f->Bmask;
  Uint32* out = reinterpret_cast<Uint32*>(static_cast<Uint8*>(dst->pixels) + row_y * dst->pitch);
  const int x0 = std::max(0, clip.x - (left + 1)), x1 = std::min(n, clip.x + clip.w - (left + 1));
  if (x0 >= x1) return;
  // The squeezed scanline first, then laid over the screen by the keyed
  // copy with black, the scaled copy's key, left out.
  Uint32 squeezed[32];
  for (int x = x0; x < x1; ++x) {
    const Uint32 from = (static_cast<Uint32>(x) * step) >> 16;
    // The mirrored scanline is the scaled copy of the reversed one.
    squeezed[x - x0] = row[w < 0 ? 31 - from : from] & rgb;
  }
  kernels::keyRow(squeezed, out + (left + 1 + x0), x1 - x0, 0, rgb);
}
}  // namespace lyrics::detail

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
// Axis column and squeezed width of each screen row, filled on first use.
constexpr int kShapedRows = 480;
struct RowShape {
  int axis, squeeze;
};
RowShape rowShapes[kShapedRows];
bool rowShapesMade = false;

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
  printText(dst, font, one, static_cast<Sint16>(x), static_cast<Sint16>(y));
}

// A whole small line centred on x = 320, unmapped.
void drawSmallLine(sge_bmpFont* font, const char* line, int y) {
  if (!screen || !font) return;
  char text[kLineBytes + 1] = {};
  int n = lineLength(line);
  std::memcpy(text, line, n);
  printText(screen, font, text, static_cast<Sint16>(kCentreX - kSmallHalfAdvance * n),
            static_cast<Sint16>(y));
}

// The pen starts 6 px per letter left of the centre, one letter's worth
// less, and steps before each letter: the line lands centred for all-letter
// lines.
int penStart(int n) { return kCentreX - toInt(6.0f * static_cast<float>(n - 1)); }

// The gold of `line`, letters [0, end) of it, and whether the hold stopped it.
struct Gold {
  int end;
  bool held;
};
Gold goldOn(const char* line, int32_t pos, bool gestureActive) {
  const int n = lineLength(line);
  int j = 0;
  for (; j <= pos && j < n; ++j)
    if (j >= 2 && line[j - 2] == '!' && !gestureActive) return {j, true};
  return {j, false};
}

void lightSungLine(const char* line, int y) {
  const int end = goldOn(line, currentpos.load(), currentactionactive.load() != 0).end;
  int pen = penStart(lineLength(line));
  for (int j = 0; j < end; ++j) {
    char c = mapLetter(line[j]);
    pen += advance(c);
    drawLetter(screen, font_gul2, c, pen, y);
  }
}

// Column x where the letter's axis stands at screen row y, and the signed
// width in px (-31..31) its scanline is squeezed to there. Two sines a
// scanline and 500 scanlines a frame: the screen's rows are worked out once.
int axisOf(int y) { return static_cast<int>(30 * std::sin(0.01 * y) + 350); }
int squeezeOf(int y) { return static_cast<int>(32 * std::sin(0.012 * y)); }
void makeRowShapes() {
  if (rowShapesMade) return;
  for (int y = 0; y < kShapedRows; ++y) rowShapes[y] = {axisOf(y), squeezeOf(y)};
  rowShapesMade = true;
}
int axisAt(int y) {
  if (y < 0 || y >= kShapedRows) return axisOf(y);
  makeRowShapes();
  return rowShapes[y].axis;
}
int squeezeAt(int y) {
  if (y < 0 || y >= kShapedRows) return squeezeOf(y);
  makeRowShapes();
  return rowShapes[y].squeeze;
}

// One scanline of the glyph in charBuffer2, squeezed to |w| px: right of the
// line x = axis - 16 while w > 0, mirrored and left of it while w < 0. This
// is the general way, through SGE's scaled copy, for buffers of any format.
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

// 32-bit pixels with whole-byte colour channels and no alpha.
bool plain32(const SDL_Surface* s) {
  const SDL_PixelFormat* f = s->format;
  return f->BytesPerPixel == 4 && !f->palette && f->Amask == 0 && f->Rloss == 0 && f->Gloss == 0 &&
         f->Bloss == 0 && !SDL_MUSTLOCK(s) && s->pixels;
}

// The direct way needs the glyph buffers at their usual sizes and every
// surface in the screen's 32-bit format.
bool directScanlines() {
  for (const SDL_Surface* s : {screen, charBuffer, charBuffer_inverted, charBuffer2})
    if (!plain32(s) || s->format->Rmask != screen->format->Rmask ||
        s->format->Gmask != screen->format->Gmask || s->format->Bmask != screen->format->Bmask)
      return false;
  return charBuffer->w == kCellW && charBuffer->h == kCellH && charBuffer_inverted->w == kCellW &&
         charBuffer_inverted->h == kCellH && charBuffer2->w == kCellW && charBuffer2->h == 1;
}

// What a copy of a glyph row (kCellW pixels) of `s` into a surface cleared
// to 0 leaves: with a colour key, keyed pixels stay 0 and the rest keep
// their colour channels alone. `to` may be `from`.
void copyOver0(const SDL_Surface* s, const Uint32* from, Uint32* to) {
  const SDL_PixelFormat* f = s->format;
  if (!(s->flags & SDL_SRCCOLORKEY)) {
    std::memmove(to, from, kCellW * sizeof(Uint32));
    return;
  }
  const Uint32 key = f->colorkey, rgb = f->Rmask | f->Gmask | f->Bmask;
  kernels::keyRowFill(from, to, kCellW, key, rgb, 0);
}

// --- greeting letters, made ready once ---
// A cell's glyph rows as the direct way reads them: each row of the plain
// ([0]) and the inverted ([1]) glyph buffer after its keyed copy, and
// whether the row has a pixel other than 0 (a row of 0 draws nothing). A
// cell rises past the screen in some 240 frames; cell c keeps slot c % 10,
// which no other cell on screen shares, and its letter is drawn into the
// buffers once rather than every frame.
struct ReadyLetter {
  bool made;
  char letter;
  unsigned serial;              // pictureSerial() when made
  const void* from[4];          // the two fonts and the two glyph buffers
  Uint32 keyFlags[2], keys[2];  // the buffers' colour keys then
  Uint32 rows[2][kCellH][kCellW];
  bool ink[2][kCellH];
};
ReadyLetter readyLetters[kCellsDrawn];

void drawLetterIntoBuffers(char letter) {
  fillRect(charBuffer, nullptr, 0);
  fillRect(charBuffer_inverted, nullptr, 0);
  fillRect(charBuffer2, nullptr, 0);
  drawLetter(charBuffer, font_intro, letter, 0, 0);
  drawLetter(charBuffer_inverted, font_intro_inverted, letter, 0, 0);
}

const ReadyLetter& readyLetter(int c) {
  ReadyLetter& r = readyLetters[c % kCellsDrawn];
  const SDL_Surface* glyphs[2] = {charBuffer, charBuffer_inverted};
  const void* from[4] = {font_intro, font_intro_inverted, charBuffer, charBuffer_inverted};
  bool same = r.made && r.letter == greet[c] && r.serial == pictureSerial();
  for (int i = 0; i < 4; ++i) same = same && r.from[i] == from[i];
  for (int g = 0; g < 2; ++g)
    same = same && r.keyFlags[g] == (glyphs[g]->flags & SDL_SRCCOLORKEY) &&
           r.keys[g] == glyphs[g]->format->colorkey;
  if (same) return r;

  drawLetterIntoBuffers(greet[c]);
  r.made = true;
  r.letter = greet[c];
  r.serial = pictureSerial();
  for (int i = 0; i < 4; ++i) r.from[i] = from[i];
  for (int g = 0; g < 2; ++g) {
    r.keyFlags[g] = glyphs[g]->flags & SDL_SRCCOLORKEY;
    r.keys[g] = glyphs[g]->format->colorkey;
    for (int i = 0; i < kCellH; ++i) {
      const Uint8* line = static_cast<const Uint8*>(glyphs[g]->pixels) + i * glyphs[g]->pitch;
      copyOver0(glyphs[g], reinterpret_cast<const Uint32*>(line), r.rows[g][i]);
      r.ink[g][i] = false;
      for (Uint32 p : r.rows[g][i]) r.ink[g][i] = r.ink[g][i] || p != 0;
    }
  }
  return r;
}

// drawGreetCell's scanlines without the buffer copies and scaled surfaces:
// each row of the ready letter squeezed straight onto the screen.
void drawScanlinesDirect(const ReadyLetter& letter, int y0) {
  const Uint32 magenta = SDL_MapRGB(charBuffer2->format, 255, 0, 255);
  bool drawn = false;
  for (int i = 0; i < kCellH; ++i) {
    const int y = y0 + i;
    if (y < 0 || y >= screen->h) continue;
    const int w = squeezeAt(y);
    if (w == 0) continue;
    drawn = true;
    const int g = w < 0 ? 0 : 1;
    // The mirror copies through charBuffer2's key, which the mirror itself
    // sets to magenta: a pixel matching it comes out 0. Either way 0 stays
    // 0, and 0 is left out.
    if (!letter.ink[g][i]) {
      if (w < 0) SDL_SetColorKey(charBuffer2, SDL_SRCCOLORKEY, magenta);
      continue;
    }
    Uint32 row[kCellW];
    std::memcpy(row, letter.rows[g][i], sizeof row);
    if (w < 0) {
      copyOver0(charBuffer2, row, row);
      SDL_SetColorKey(charBuffer2, SDL_SRCCOLORKEY, magenta);
    }
    lyrics::detail::drawSqueezedRow(screen, row, w, w > 0 ? axisAt(y) - 16 : axisAt(y) - 16 + w, y);
  }
  // The general way keys the screen on magenta with every scanline it draws.
  if (drawn) keyMagenta(screen);
}

void drawGreetCell(int c) {
  if (!screen || !charBuffer || !charBuffer_inverted || !charBuffer2) return;
  const int y0 = kCellH * c + vertscroll;
  // A cell wholly above or below the screen draws nothing either way.
  if (y0 + kCellH <= 0 || y0 >= screen->h) return;
  if (directScanlines()) {
    drawScanlinesDirect(readyLetter(c), y0);
    return;
  }
  drawLetterIntoBuffers(greet[c]);
  for (int i = 0; i < kCellH; ++i) {
    const int y = y0 + i;
    // A scanline off the screen's rows would be clipped whole; skip its work.
    if (y < 0 || y >= screen->h) continue;
    const int w = squeezeAt(y);
    fillRect(charBuffer2, nullptr, 0);
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

int goldLetters(const char* line, int32_t pos, bool gestureActive) {
  return goldOn(line, pos, gestureActive).end;
}

void holdGoldAtBang() {
  int32_t pos = currentpos.load();
  const Gold gold = goldOn(lyricLine(currentrow.load()), pos, currentactionactive.load() != 0);
  // Only if the music has not moved the position meanwhile (a new line sets
  // it to 0): the hold must not carry over into the next line.
  if (gold.held) currentpos.compare_exchange_strong(pos, gold.end + 1);
}

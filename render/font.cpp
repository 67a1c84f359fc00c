#include "render/font.h"

#include "render/blit.h"

namespace {
// Letters this way have both their neighbouring markers in the sheet; the
// others (and unknown characters) are left to SGE.
bool knownLetters(const sge_bmpFont* font, const char* text) {
  for (; *text; ++text) {
    const int k = static_cast<unsigned char>(*text) - '!';
    if (*text != ' ' && (k < 0 || k > font->Chars - 2)) return false;
  }
  return true;
}
}  // namespace

void printText(SDL_Surface* dst, sge_bmpFont* font, const char* text, Sint16 x, Sint16 y) {
  if (!dst || !font || !text) return;
  if (!font->FontSurface || !font->CharPos || font->Chars < 2 || !knownLetters(font, text)) {
    sge_BF_textout(dst, font, const_cast<char*>(text), x, y);
    return;
  }
  // The sheet's top row marks each letter: CharPos holds where each marker
  // starts and ends. A letter's cell runs from the middle of its marker to
  // the middle of the next; the cell's marker half sits left of the pen
  // (rounded toward zero as SGE's float does), and the pen then steps from
  // the marker's end to the next marker's start. A space steps as far as the
  // gap after the first marker.
  const Sint16* mark = font->CharPos;
  SDL_Surface* sheet = font->FontSurface;
  int pen = x;
  for (; *text; ++text) {
    if (*text == ' ') {
      pen += mark[2] - mark[1];
      continue;
    }
    const int m = 2 * (static_cast<unsigned char>(*text) - '!');
    const int left = (mark[m] + mark[m + 1]) / 2, right = (mark[m + 2] + mark[m + 3]) / 2;
    const int at = (2 * pen - (mark[m + 1] - mark[m])) / 2;
    SDL_Rect cell = {static_cast<Sint16>(left), font->yoffs, static_cast<Uint16>(right - left),
                     static_cast<Uint16>(font->CharHeight)};
    SDL_Rect to = {static_cast<Sint16>(at), y, 0, 0};
    blitSurface(sheet, &cell, dst, &to);
    pen += mark[m + 2] - mark[m + 1];
  }
}

#include "effects/flag.h"

#include <SDL/SDL_image.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "demo/main.h"
#include "effects/tvfilters.h"
#include "render/extra.h"
#include "render/gfx.h"

SDL_Surface* homemadeBuffer;

namespace flag::detail {
int16_t sinTable[512];
uint16_t sin_index;
bool byRows = true;
}  // namespace flag::detail

using flag::detail::byRows;
using flag::detail::sin_index;
using flag::detail::sinTable;

namespace {
// --- flag state ---
SDL_Surface* homemadeImage;  // source copy, keyed on magenta so magenta is not copied

// --- the frame's column blits, clipped ---
// One destination column each: its x, first row and rows, and where its
// pixel of destination row y lies in the picture, in bytes from the start
// of row y (negative where the picture is shown higher up).
struct Column {
  int x, top, rows, offset;
};
std::vector<Column> columns;
constexpr int kGroup = 8;  // blits walked together by rows

// --- band geometry ---
// The band falls 2 rows a column up to column 200, then 1 row, and clamps at
// the top; it is 120 rows high up to column 250 and 200 rows after.
constexpr int kFirstRow = 480;    // first blit of a frame: below a 480-row picture
constexpr int kSteepUntil = 200;  // last column of the 2-row fall
constexpr int kThinUntil = 250;   // last column of the 120-row band
constexpr Uint16 kThinRows = 120, kThickRows = 200;
constexpr int kPhaseStep = 8;  // table steps a column and a frame: 64 columns a wave

void freeSurface(SDL_Surface*& s) {
  if (s) SDL_FreeSurface(s);
  s = nullptr;
}

// The surface in the display's format; the original is released.
SDL_Surface* displayFormat(SDL_Surface* s) {
  if (!s) return nullptr;
  SDL_Surface* converted = SDL_DisplayFormat(s);
  SDL_FreeSurface(s);
  return converted;
}
}  // namespace

void initHomeMade() {
  for (int i = 0; i < 512; ++i) {
    // Degrees to radians, times 360/512 degrees an entry.
    float a = static_cast<float>(i * 0.0174532 * 0.703125);
    sinTable[i] = static_cast<int16_t>(16 * std::sin(static_cast<double>(a)));
  }
  if (!screen) return;
  const SDL_PixelFormat* f = screen->format;

  // Started again (tests): the earlier surfaces go.
  freeSurface(tmpBuffer);
  freeSurface(homemadeImage);
  freeSurface(homemadeBuffer);

  tmpBuffer = SDL_CreateRGBSurface(SDL_HWSURFACE, 200, 150, f->BitsPerPixel, f->Rmask, f->Gmask,
                                   f->Bmask, f->Amask);
  if (tmpBuffer) SDL_FillRect(tmpBuffer, nullptr, SDL_MapRGB(tmpBuffer->format, 0, 0, 0));

  if (SDL_Surface* loaded = loadPicture("gfx/bg_flag.png", 436, 480)) {
    SDL_Surface* converted = SDL_ConvertSurface(loaded, screen->format, SDL_HWSURFACE);
    SDL_FreeSurface(loaded);
    if (converted) {
      SDL_SetColorKey(converted, SDL_SRCCOLORKEY, SDL_MapRGB(converted->format, 255, 0, 255));
      homemadeImage = displayFormat(converted);  // the key carries over
    }
  }
  homemadeBuffer = displayFormat(loadPicture("gfx/bg_flag.png", 436, 480));
}

namespace {
// Walks the frame's column blits in order, handing each its rectangles
// before the blit; whatever `blit` writes back carries to the next one.
template <typename Blit>
void walkColumns(Blit blit) {
  unsigned k = sin_index;
  int yStep = 2;
  // Both rectangles carry over from column to column: the blit writes the
  // clipped destination back, and a negative source row pushes dst.y down
  // for the rest of the frame. Column c is drawn by the blit after it.
  SDL_Rect src = {0, sinTable[k % 512], 1, kThinRows};
  SDL_Rect dst = {0, kFirstRow, 0, 0};
  for (int i = 0; i < homemadeImage->w; ++i) {
    blit(src, dst);
    src.x = dst.x = static_cast<Sint16>(i);
    if (i > kSteepUntil) yStep = 1;
    if (i > kThinUntil) src.h = kThickRows;
    dst.y = static_cast<Sint16>(dst.y - yStep < 0 ? 0 : dst.y - yStep);
    k = (k + kPhaseStep) % 512;
    src.y = static_cast<Sint16>(dst.y + sinTable[k]);
  }
}

// The keyed copy of the clipped columns, by destination rows: a column's
// pixels lie a row apart in memory, so drawing one at a time touches a new
// cache line per pixel. Blits go in groups of neighbours, whose rows mostly
// overlap; each group is walked row by row over the rows any of them covers,
// its blits in order within a row, so a pixel two blits share (column 0 is
// drawn twice) still ends as the later one leaves it.
void copyColumnsByRows() {
  const SDL_PixelFormat* f = homemadeImage->format;
  const Uint32 key = f->colorkey, rgb = f->Rmask | f->Gmask | f->Bmask;
  const Uint8* from = static_cast<const Uint8*>(homemadeImage->pixels);
  Uint8* to = static_cast<Uint8*>(homemadeBuffer->pixels);
  const int fromPitch = homemadeImage->pitch, toPitch = homemadeBuffer->pitch;
  const int n = static_cast<int>(columns.size());
  for (int first = 0; first < n; first += kGroup) {
    const int last = first + kGroup < n ? first + kGroup : n;
    int top = columns[first].top, bottom = top, allTop = top, allBottom = INT32_MAX;
    for (int c = first; c < last; ++c) {
      const Column& col = columns[c];
      top = col.top < top ? col.top : top;
      allTop = col.top > allTop ? col.top : allTop;
      bottom = col.top + col.rows > bottom ? col.top + col.rows : bottom;
      allBottom = col.top + col.rows < allBottom ? col.top + col.rows : allBottom;
    }
    for (int y = top; y < bottom; ++y) {
      Uint32* row = reinterpret_cast<Uint32*>(to + y * toPitch);
      const bool all = y >= allTop && y < allBottom;
      for (int c = first; c < last; ++c) {
        const Column& col = columns[c];
        if (!all && static_cast<unsigned>(y - col.top) >= static_cast<unsigned>(col.rows)) continue;
        const Uint32 s = *reinterpret_cast<const Uint32*>(from + (y * fromPitch + col.offset));
        row[col.x] = s != key ? s & rgb : row[col.x];
      }
    }
  }
}
}  // namespace

void drawHomeMade() {
  if (homemadeImage && homemadeBuffer) {
    if (byRows && blitsKeyedCopy(homemadeImage, homemadeBuffer)) {
      columns.clear();
      walkColumns([](SDL_Rect& src, SDL_Rect& dst) {
        int sx = 0, sy = 0;
        if (clipBlit(homemadeImage, &src, homemadeBuffer, &dst, &sx, &sy))
          for (int c = 0; c < dst.w; ++c)
            columns.push_back(
                {dst.x + c, dst.y, dst.h, (sy - dst.y) * homemadeImage->pitch + (sx + c) * 4});
      });
      copyColumnsByRows();
    } else {
      walkColumns([](SDL_Rect& src, SDL_Rect& dst) {
        blitSurface(homemadeImage, &src, homemadeBuffer, &dst);
      });
    }
  }
  // Tied to the frame count, not to dt: one column leftward a frame.
  sin_index = static_cast<uint16_t>(sin_index + kPhaseStep);
}

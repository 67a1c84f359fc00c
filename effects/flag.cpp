#include "effects/flag.h"

#include <SDL/SDL_image.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/state.h"
#include "effects/tvfilters.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/kernels.h"

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
// Runs of four blits, columns[first, first + 4) (fewer at the end): the
// rows any of them draws, [top, bottom), the rows all of them draw,
// [allTop, allBottom), whether they are four neighbouring columns left to
// right (a vector of the destination row) and whether they then also read
// neighbouring source words (the same wave height).
struct Quad {
  int first, top, bottom, allTop, allBottom;
  bool neighbours, oneRead;
};
std::vector<Quad> quads;

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
}  // namespace

void initHomeMade() {
  for (int i = 0; i < 512; ++i) {
    // Degrees to radians, times 360/512 degrees an entry.
    float a = static_cast<float>(i * 0.0174532 * 0.703125);
    sinTable[i] = static_cast<int16_t>(16 * std::sin(static_cast<double>(a)));
  }
  if (!screen) return;
  // Started again (tests): the earlier surfaces go.
  freeSurface(tmpBuffer);
  freeSurface(homemadeImage);
  freeSurface(homemadeBuffer);

  tmpBuffer = makeWorkSurface(200, 150);
  if (tmpBuffer) SDL_FillRect(tmpBuffer, nullptr, SDL_MapRGB(tmpBuffer->format, 0, 0, 0));

  homemadeImage = toDisplayFormat(loadPicture("gfx/bg_flag.png", 436, 480));
  keyMagenta(homemadeImage);
  homemadeBuffer = toDisplayFormat(loadPicture("gfx/bg_flag.png", 436, 480));
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

// The keyed copy of the clipped columns, by destination rows: one blit a
// column costs a call and a 1-pixel row per pixel. Here the blits go four
// at a time; where four neighbouring columns all draw a row, that row is
// one vector of the destination, the four source words gathered (or read
// at once where the wave lifts the four alike), and the quad walks down its
// rows at a pitch a step, which the prefetcher follows. Rows only some of
// the four draw (the band's slanted ends) go pixel by pixel. Quads go in
// blit order and, within a row, so do the blits of a quad, so a pixel two
// blits share (column 0 is drawn twice) still ends as the later one leaves
// it.
void copyColumnsByRows() {
  const SDL_PixelFormat* f = homemadeImage->format;
  const Uint32 key = f->colorkey, rgb = f->Rmask | f->Gmask | f->Bmask;
  const Uint8* from = static_cast<const Uint8*>(homemadeImage->pixels);
  Uint8* to = static_cast<Uint8*>(homemadeBuffer->pixels);
  const int fromPitch = homemadeImage->pitch, toPitch = homemadeBuffer->pitch;
  const int n = static_cast<int>(columns.size());
  quads.clear();
  for (int first = 0; first < n; first += 4) {
    const int last = first + 4 < n ? first + 4 : n;
    Quad q = {first, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, last - first == 4, true};
    for (int c = first; c < last; ++c) {
      const Column& col = columns[c];
      q.top = col.top < q.top ? col.top : q.top;
      q.bottom = col.top + col.rows > q.bottom ? col.top + col.rows : q.bottom;
      q.allTop = col.top > q.allTop ? col.top : q.allTop;
      q.allBottom = col.top + col.rows < q.allBottom ? col.top + col.rows : q.allBottom;
      if (c > first && col.x != columns[c - 1].x + 1) q.neighbours = false;
      if (c > first && col.offset != columns[c - 1].offset + 4) q.oneRead = false;
    }
    q.oneRead = q.oneRead && q.neighbours;
    quads.push_back(q);
  }
  const int nQuads = static_cast<int>(quads.size());
  for (int i = 0; i < nQuads; ++i) {
    const Quad& q = quads[i];
    const Column* col = &columns[q.first];
    const int count = i + 1 < nQuads ? 4 : n - q.first;
    // Rows some of the quad's blits draw, each pixel tested; the blits in
    // order within a row.
    const auto someRows = [&](int from_y, int to_y) {
      for (int y = from_y; y < to_y; ++y) {
        Uint32* row = reinterpret_cast<Uint32*>(to + y * toPitch);
        for (int c = 0; c < count; ++c) {
          if (static_cast<unsigned>(y - col[c].top) >= static_cast<unsigned>(col[c].rows)) continue;
          Uint32 s;
          std::memcpy(&s, from + (y * fromPitch + col[c].offset), 4);
          kernels::keyRow(&s, row + col[c].x, 1, key, rgb);
        }
      }
    };
#if defined(__SSE2__)
    if (q.neighbours && q.allTop < q.allBottom) {
      someRows(q.top, q.allTop);
      const __m128i keys = _mm_set1_epi32(int(key)), colour = _mm_set1_epi32(int(rgb));
      // Byte offsets in the picture of the four words of the quad's first
      // full row; they move down a row together.
      int at0 = q.allTop * fromPitch + col[0].offset;
      const int d1 = col[1].offset - col[0].offset, d2 = col[2].offset - col[0].offset,
                d3 = col[3].offset - col[0].offset;
      const auto word = [&](int at) {
        Uint32 v;
        std::memcpy(&v, from + at, 4);
        return _mm_cvtsi32_si128(int(v));
      };
      // Pictures seldom hold the key: then the row waits on no load of what
      // it covers, and the copy of s over itself is s & colour.
      const auto put = [&](Uint8* toRow, __m128i s) {
        __m128i* d = reinterpret_cast<__m128i*>(toRow);
        const bool anyKeyed = _mm_movemask_epi8(_mm_cmpeq_epi32(s, keys)) != 0;
        _mm_storeu_si128(d, kernels::keyFour(s, anyKeyed ? _mm_loadu_si128(d) : s, keys, colour));
      };
      Uint8* toRow = to + q.allTop * toPitch + col[0].x * 4;
      const int rows = q.allBottom - q.allTop;
      // One wide read where the wave lifts the four alike; else gathered in
      // registers.
      if (q.oneRead)
        for (int r = 0; r < rows; ++r, toRow += toPitch, at0 += fromPitch)
          put(toRow, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at0)));
      else
        for (int r = 0; r < rows; ++r, toRow += toPitch, at0 += fromPitch)
          put(toRow, _mm_unpacklo_epi64(_mm_unpacklo_epi32(word(at0), word(at0 + d1)),
                                        _mm_unpacklo_epi32(word(at0 + d2), word(at0 + d3))));
      someRows(q.allBottom, q.bottom);
      continue;
    }
#endif
    someRows(q.top, q.bottom);
  }
}
}  // namespace

void readAheadHomeMade(int part, int parts) {
  readAhead(homemadeImage, part, parts);
  readAhead(homemadeBuffer, part, parts);
}

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

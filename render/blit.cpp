#include "render/blit.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "render/extra.h"
#include "render/kernels.h"

namespace {
// --- run tables of pictures blended by their alpha ---
// Each row of a kept picture cut into runs: fully transparent stretches long
// enough to be worth skipping are left out, long fully opaque ones are drawn
// without looking at alpha, and the rest go through the blend that tests
// every group. Kept in order of the surface's address for a binary search.
// Every kept picture holds one reference of its surface, so the surface
// cannot be freed (and its address handed to another) while its table lives.
struct AlphaRun {
  int from, to;  // pixels [from, to) of the row
  int at;        // where the run's pixels start in `pixels` of its table
  bool opaque;
};
struct AlphaRuns {
  SDL_Surface* picture;
  // What the table was cut for: a surface whose size or pixels moved since
  // draws without it.
  const void* at;
  int w, h, pitch;
  std::vector<int> rowStart;  // row y's runs are runs[rowStart[y]] up to runs[rowStart[y + 1]]
  std::vector<AlphaRun> runs;
  // The runs' pixels one after another: drawing reads them in this order,
  // a stream the cache fetches ahead of, where rows of the surface left
  // the transparent stretches between them.
  std::vector<Uint32> pixels;
};
std::vector<AlphaRuns> keptRuns;

// How blitSurface draws a pair of surfaces.
enum class BlitKind { kSdl, kCopy, kKey, kAlpha, kFrom24 };
}  // namespace

bool byteChannels(const SDL_PixelFormat* f) {
  return (f->BytesPerPixel == 4 || f->BytesPerPixel == 3) && !f->palette && f->Rloss == 0 &&
         f->Gloss == 0 && f->Bloss == 0 && f->Rmask == Uint32{0xFF} << f->Rshift &&
         f->Gmask == Uint32{0xFF} << f->Gshift && f->Bmask == Uint32{0xFF} << f->Bshift &&
         (f->Amask == 0 || f->Amask == Uint32{0xFF} << f->Ashift);
}

namespace {
// Done here: byte-channel surfaces, the destination 32-bit without alpha, no
// RLE, nothing to lock, not the same surface (rows could overlap); either a
// 32-bit source of the destination's format without alpha (copy or colour
// key), a 32-bit source with per-pixel alpha, no key and full surface alpha
// (the blend), or a plain 24-bit source (the conversion). Anything else goes
// to SDL.
BlitKind kindOf(const SDL_Surface* src, const SDL_Surface* dst) {
  const SDL_PixelFormat *s = src->format, *d = dst->format;
  if (src == dst || !byteChannels(s) || !byteChannels(d) || d->BytesPerPixel != 4 ||
      d->Amask != 0 || (src->flags & (SDL_RLEACCEL | SDL_RLEACCELOK)) || SDL_MUSTLOCK(src) ||
      SDL_MUSTLOCK(dst) || src->locked || dst->locked || !src->pixels || !dst->pixels)
    return BlitKind::kSdl;
  if (s->BytesPerPixel == 3)
    return SDL_BYTEORDER == SDL_LIL_ENDIAN && s->Amask == 0 &&
                   !(src->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY))
               ? BlitKind::kFrom24
               : BlitKind::kSdl;
  // Per-pixel alpha in the destination's own channel places SDL blends with
  // blitters of its own, which round otherwise; those stay SDL's.
  if (src->flags & SDL_SRCALPHA)
    return s->Amask != 0 && s->alpha == SDL_ALPHA_OPAQUE && !(src->flags & SDL_SRCCOLORKEY) &&
                   !(s->Rmask == d->Rmask && s->Gmask == d->Gmask && s->Bmask == d->Bmask)
               ? BlitKind::kAlpha
               : BlitKind::kSdl;
  if (s->Amask != 0 || s->Rmask != d->Rmask || s->Gmask != d->Gmask || s->Bmask != d->Bmask)
    return BlitKind::kSdl;
  return src->flags & SDL_SRCCOLORKEY ? BlitKind::kKey : BlitKind::kCopy;
}

// Runs this short are not worth leaving their neighbours for: a group of
// four or two costs less tested than a run's set-up.
constexpr int kShortestRun = 8;

// Where `picture`'s table is kept, or would go: the first table whose
// surface does not lie below it.
std::vector<AlphaRuns>::iterator placeOf(const SDL_Surface* picture) {
  return std::lower_bound(
      keptRuns.begin(), keptRuns.end(), picture,
      [](const AlphaRuns& r, const SDL_Surface* p) { return std::less<>()(r.picture, p); });
}

// The kept table of `picture` if it still fits the surface, else null.
const AlphaRuns* runsOf(const SDL_Surface* picture) {
  if (keptRuns.empty()) return nullptr;
  auto at = placeOf(picture);
  if (at == keptRuns.end() || at->picture != picture) return nullptr;
  if (at->at != picture->pixels || at->w != picture->w || at->h != picture->h ||
      at->pitch != picture->pitch)
    return nullptr;
  return &*at;
}

// Row y of the blit (w pixels from source column sx), run by run.
void blendRowByRuns(const AlphaRuns& table, int y, int sx, int w, Uint32* d) {
  const AlphaRun* run = table.runs.data() + table.rowStart[size_t(y)];
  const AlphaRun* const end = table.runs.data() + table.rowStart[size_t(y) + 1];
  const int stop = sx + w;
  for (; run != end && run->from < stop; ++run) {
    if (run->to <= sx) continue;
    const int from = run->from > sx ? run->from : sx, to = run->to < stop ? run->to : stop;
    const Uint32* s = table.pixels.data() + run->at + (from - run->from);
    if (run->opaque)
      kernels::opaqueRow(s, d + (from - sx), to - from);
    else
      kernels::blendPictureRow(s, d + (from - sx), to - from);
  }
}
}  // namespace

void keepAlphaRuns(SDL_Surface* picture) {
  if (!picture || !picture->pixels || SDL_MUSTLOCK(picture) || picture->w < 1 || picture->h < 1)
    return;
  const SDL_PixelFormat* f = picture->format;
  if (f->BytesPerPixel != 4 || f->Amask != Uint32{0xFF} << f->Ashift) return;
  auto at = placeOf(picture);
  if (at != keptRuns.end() && at->picture == picture) return;
  AlphaRuns table{picture, picture->pixels, picture->w, picture->h, picture->pitch, {}, {}, {}};
  table.rowStart.reserve(size_t(picture->h) + 1);
  std::vector<int> kind(size_t(picture->w));  // 0 clear, 1 opaque, 2 between
  for (int y = 0; y < picture->h; ++y) {
    table.rowStart.push_back(int(table.runs.size()));
    const Uint8* row = static_cast<const Uint8*>(picture->pixels) + y * picture->pitch;
    for (int x = 0; x < picture->w; ++x) {
      Uint32 p;
      std::memcpy(&p, row + x * 4, 4);
      const Uint32 a = (p & f->Amask) >> f->Ashift;
      kind[size_t(x)] = a == 0 ? 0 : a == 255 ? 1 : 2;
    }
    // Long clear stretches dropped, long opaque ones kept apart, everything
    // else gathered into runs for the tested blend.
    for (int x = 0; x < picture->w;) {
      int end = x;
      while (end < picture->w && kind[size_t(end)] == kind[size_t(x)]) ++end;
      const bool longRun = end - x >= kShortestRun;
      if (!(longRun && kind[size_t(x)] == 0)) {
        const bool opaque = longRun && kind[size_t(x)] == 1;
        const bool joins = !opaque && table.runs.size() > size_t(table.rowStart.back()) &&
                           !table.runs.back().opaque && table.runs.back().to == x;
        if (joins)
          table.runs.back().to = end;
        else
          table.runs.push_back({x, end, int(table.pixels.size()), opaque});
        // Opaque runs keep their colours in the display's order (0x00RRGGBB),
        // the rest the picture's words as they are.
        for (int i = x; i < end; ++i) {
          Uint32 p;
          std::memcpy(&p, row + i * 4, 4);
          if (opaque)
            p = ((p >> f->Rshift) & 0xFF) << 16 | ((p >> f->Gshift) & 0xFF) << 8 |
                ((p >> f->Bshift) & 0xFF);
          table.pixels.push_back(p);
        }
      }
      x = end;
    }
  }
  table.rowStart.push_back(int(table.runs.size()));
  ++picture->refcount;  // released by dropAlphaRuns
  keptRuns.insert(at, std::move(table));
}

void dropAlphaRuns() {
  std::vector<AlphaRuns> kept;
  kept.swap(keptRuns);
  for (AlphaRuns& r : kept) SDL_FreeSurface(r.picture);
}

bool blitsKeyedCopy(const SDL_Surface* src, const SDL_Surface* dst) {
  return src && dst && kindOf(src, dst) == BlitKind::kKey;
}

bool blitsPlainCopy(const SDL_Surface* src, const SDL_Surface* dst) {
  return src && dst && kindOf(src, dst) == BlitKind::kCopy;
}

bool blitsRgbBytesToWords(const SDL_Surface* src, const SDL_Surface* dst) {
  return src && dst && kindOf(src, dst) == BlitKind::kFrom24 &&
         kernels::rgbBytesToWords(src->format, dst->format);
}

int blitSurface(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect) {
  const BlitKind kind = src && dst ? kindOf(src, dst) : BlitKind::kSdl;
  if (kind == BlitKind::kSdl) return SDL_UpperBlit(src, srcrect, dst, dstrect);
  SDL_Rect whole = {0, 0, 0, 0};
  if (!dstrect) dstrect = &whole;
  int sx = 0, sy = 0;
  if (!clipBlit(src, srcrect, dst, dstrect, &sx, &sy)) return 0;
  const int w = dstrect->w, h = dstrect->h;
  const Uint8* from =
      static_cast<const Uint8*>(src->pixels) + sy * src->pitch + sx * src->format->BytesPerPixel;
  Uint8* to = static_cast<Uint8*>(dst->pixels) + dstrect->y * dst->pitch + dstrect->x * 4;
  if (kind == BlitKind::kFrom24) {
    for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
      kernels::convertRow24(from, reinterpret_cast<Uint32*>(to), w, src->format, dst->format);
    return 0;
  }
  if (kind == BlitKind::kAlpha) {
    if (const AlphaRuns* table = runsOf(src);
        table && kernels::pictureOnDisplay(src->format, dst->format)) {
      for (int y = 0; y < h; ++y, to += dst->pitch)
        blendRowByRuns(*table, sy + y, sx, w, reinterpret_cast<Uint32*>(to));
      return 0;
    }
    for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
      kernels::blendRow(reinterpret_cast<const Uint32*>(from), reinterpret_cast<Uint32*>(to), w,
                        src->format, dst->format);
    return 0;
  }
  if (kind == BlitKind::kCopy) {
    // One format, no key: SDL copies the words as they are.
    for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
      std::memcpy(to, from, size_t(w) * 4);
    return 0;
  }
  // With a key SDL compares the whole word (no alpha mask to leave out) and
  // writes the pixel's colour channels alone, the unused bits zero.
  const Uint32 key = src->format->colorkey;
  const Uint32 rgb = src->format->Rmask | src->format->Gmask | src->format->Bmask;
  for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
    kernels::keyRow(reinterpret_cast<const Uint32*>(from), reinterpret_cast<Uint32*>(to), w, key,
                    rgb);
  return 0;
}

BlitPlan planBlit(SDL_Surface* picture, SDL_Surface* dst) {
  BlitPlan p = {picture, dst, BlitPlan::Way::kBlit, 0, 0};
  if (!picture || !dst) return p;
  const BlitKind kind = kindOf(picture, dst);
  if (kind == BlitKind::kKey)
    p.way = BlitPlan::Way::kKeyed;
  else if (kind == BlitKind::kCopy)
    p.way = BlitPlan::Way::kCopy;
  const SDL_PixelFormat* f = picture->format;
  p.key = f->colorkey;
  p.rgb = f->Rmask | f->Gmask | f->Bmask;
  return p;
}

namespace {
// Rows of whole words from a picture onto another surface. Stores run in
// fours from the area's left edge, the same columns as a keyed copy drawn
// there next reads in fours (a snowflake over the strip just repaired under
// it), so those reads are served whole from the stores; memcpy's wider,
// differently cut stores would make each of them wait for the cache.
void copyWords(const Uint8* from, int fromPitch, Uint8* to, int toPitch, int w, int h) {
#if defined(__SSE2__)
  if (w >= 4) {
    for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch) {
      int x = 0;
      for (; x + 4 <= w; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * x),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * x)));
      // The last few words as the row's last four, again from the picture.
      if (x < w)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * (w - 4)),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * (w - 4))));
    }
    return;
  }
#endif
  for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch)
    std::memcpy(to, from, size_t(w) * 4);
}
}  // namespace

bool blitPlanned(const BlitPlan& plan, const SDL_Rect* srcrect, int x, int y) {
  SDL_Surface* const src = plan.picture;
  if (!src) return false;
  SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
  if (plan.way == BlitPlan::Way::kBlit) {
    SDL_Rect from;
    if (srcrect) from = *srcrect;
    blitSurface(src, srcrect ? &from : nullptr, plan.dst, &to);
    return true;
  }
  int sx = 0, sy = 0;
  if (!clipBlit(src, srcrect, plan.dst, &to, &sx, &sy)) return true;
  // The rows below trust the clipping: its corners must lie on the surface.
  PLUPP_CHECK_PIXEL(plan.dst, to.x, to.y);
  PLUPP_CHECK_PIXEL(plan.dst, to.x + to.w - 1, to.y + to.h - 1);
  // Locals throughout: the stores could otherwise alias every field.
  const int w = to.w, h = to.h, fromPitch = src->pitch, toPitch = plan.dst->pitch;
  const Uint8* from = static_cast<const Uint8*>(src->pixels) + sy * fromPitch + sx * 4;
  Uint8* at = static_cast<Uint8*>(plan.dst->pixels) + to.y * toPitch + to.x * 4;
  if (plan.way == BlitPlan::Way::kCopy) {
    copyWords(from, fromPitch, at, toPitch, w, h);
    return true;
  }
  const Uint32 key = plan.key, rgb = plan.rgb;
  for (int row = 0; row < h; ++row, from += fromPitch, at += toPitch)
    kernels::keyRow(reinterpret_cast<const Uint32*>(from), reinterpret_cast<Uint32*>(at), w, key,
                    rgb);
  return true;
}

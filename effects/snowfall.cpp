#include "effects/snowfall.h"

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/main.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"

namespace snowfall::detail {
Flake starfield[kFlakes];
}

using snowfall::detail::Flake;
using snowfall::detail::starfield;

namespace {
// --- layer constants ---
// Pixels per hundredth of a second. The factors keep the precisions the show
// was tuned with (layer 1 in double); every product is narrowed to float
// before rounding, so at dt 1 the layers move 3, 2 and 2 pixels.
constexpr float kSpeed0 = 2.5f;
constexpr double kSpeed1 = 2.2;
constexpr float kSpeed2 = 1.5f;
// Width beyond the step of the strip repaired behind a flake: the widest
// flake of the layer (20 or 10 px). Flakes are at most 10 rows high.
constexpr int kRepairExtra[3] = {20, 10, 10};
constexpr int kRepairRows = 10;
// A flake leaving on the left gets the widest flake's strip at the edge.
constexpr int kEdgeRepairW = 20;
// The scenes repaint everything right of this column every frame (the flag).
constexpr int kLastRepairedX = 204;
// Scene mode: flakes above row 90 or below row 380 are drawn dark.
constexpr int kDarkAbove = 90, kDarkBelow = 380;
// Intro bands, rows inclusive, and the frame lines laid over their edges.
constexpr int kTopBandLastRow = 95, kBottomBandFirstRow = 385;
constexpr int kUpperLineRow = 90, kLowerLineRow = 365;

int stepOf(int layer) {
  switch (layer) {
    case 0: return toInt(dt * kSpeed0);
    case 1: return toInt(static_cast<float>(dt * kSpeed1));
    default: return toInt(dt * kSpeed2);
  }
}

SDL_Surface* normalPicture(int layer) {
  switch (layer) {
    case 0: return img_snowflake;
    case 1: return img_snowflake2;
    default: return img_snowflake3;
  }
}

SDL_Surface* darkPicture(int layer) {
  switch (layer) {
    case 0: return img_snowflake_dark;
    case 1: return img_snowflake2_dark;
    default: return img_snowflake3_dark;
  }
}

// Just off the right edge: x 640..739.
void respawn(Flake& f) { f.x = showRand() % 100 + 640; }

// A picture as the flake loop draws it, sized up once a frame: the pairs
// blitSurface would copy itself are drawn here without its per-blit format
// checks and calls; any other goes through blitSurface as before.
struct Sprite {
  SDL_Surface* surface;  // null: no picture, nothing drawn
  enum class Way { kBlit, kKeyed, kCopy } way;
  const Uint8* pixels;
  int pitch, w, h;
  Uint32 key, rgb;  // kKeyed: words equal to key are left out, the rest masked to rgb
};

// The screen as the fast drawing sees it, for one frame's flakes.
struct Target {
  SDL_Surface* surface;
  Uint8* pixels;
  int pitch;
};

// A clipped blit: destination corner, size, source corner.
struct Area {
  int x, y, w, h, sx, sy;
};

Sprite spriteOf(SDL_Surface* picture, const SDL_Surface* dst) {
  Sprite p = {picture, Sprite::Way::kBlit, nullptr, 0, 0, 0, 0, 0};
  if (!picture) return p;
  if (blitsKeyedCopy(picture, dst))
    p.way = Sprite::Way::kKeyed;
  else if (blitsPlainCopy(picture, dst))
    p.way = Sprite::Way::kCopy;
  else
    return p;
  const SDL_PixelFormat* f = picture->format;
  p.pixels = static_cast<const Uint8*>(picture->pixels);
  p.pitch = picture->pitch;
  p.w = picture->w;
  p.h = picture->h;
  p.key = f->colorkey;
  p.rgb = f->Rmask | f->Gmask | f->Bmask;
  return p;
}

Target targetOf(SDL_Surface* dst) { return {dst, static_cast<Uint8*>(dst->pixels), dst->pitch}; }

// clipBlit of the whole picture to (x, y), or (`whole` false) of its w×h
// region at (sx, sy) to (x, y).
inline bool clipArea(const Sprite& p, bool whole, int sx, int sy, int w, int h, int x, int y,
                     const Target& t, Area& a) {
  SDL_Rect from = {static_cast<Sint16>(sx), static_cast<Sint16>(sy), static_cast<Uint16>(w),
                   static_cast<Uint16>(h)};
  SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
  if (!clipBlit(p.surface, whole ? nullptr : &from, t.surface, &to, &a.sx, &a.sy)) return false;
  a.x = to.x;
  a.y = to.y;
  a.w = to.w;
  a.h = to.h;
  return true;
}

// Rows of whole words from a picture onto the screen (never the same
// surface). Stores run in fours from the area's left edge, the same
// columns as a flake drawn there next reads in fours, so those reads are
// served whole from the stores.
void copyArea(const Sprite& p, const Area& a, const Target& t) {
  // Locals throughout: the stores could otherwise alias every field.
  const int w = a.w, h = a.h, fromPitch = p.pitch, toPitch = t.pitch;
  const Uint8* from = p.pixels + a.sy * fromPitch + a.sx * 4;
  Uint8* to = t.pixels + a.y * toPitch + a.x * 4;
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
  for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch) {
    const Uint32* s = reinterpret_cast<const Uint32*>(from);
    Uint32* d = reinterpret_cast<Uint32*>(to);
    for (int x = 0; x < w; ++x) d[x] = s[x];
  }
}

// blitSurface's keyed copy. Reads of the screen come in fours from the
// left edge, then one word at a time, never straddling two of copyArea's
// stores.
void keyArea(const Sprite& p, const Area& a, const Target& t) {
  const int w = a.w, h = a.h, fromPitch = p.pitch, toPitch = t.pitch;
  const Uint8* from = p.pixels + a.sy * fromPitch + a.sx * 4;
  Uint8* to = t.pixels + a.y * toPitch + a.x * 4;
  const Uint32 key = p.key, rgb = p.rgb;
#if defined(__SSE2__)
  const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
  const __m128i colour = _mm_set1_epi32(static_cast<int>(rgb));
#endif
  for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch) {
    const Uint32* s = reinterpret_cast<const Uint32*>(from);
    Uint32* d = reinterpret_cast<Uint32*>(to);
    int x = 0;
#if defined(__SSE2__)
    for (; x + 4 <= w; x += 4) {
      const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
      const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x));
      const __m128i keyed = _mm_cmpeq_epi32(sp, keys);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x),
                       _mm_or_si128(_mm_and_si128(keyed, dp),
                                    _mm_andnot_si128(keyed, _mm_and_si128(sp, colour))));
    }
#endif
    for (; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : d[x];
  }
}

// drawImg without its colour key: the key it puts on the screen does not
// bear on blits onto the screen, so the flakes set it once (keyScreen)
// rather than each. True when there was a picture to draw.
bool drawFlake(const Sprite& p, int x, int y, const Target& t) {
  if (!p.surface) return false;
  Area a;
  switch (p.way) {
    case Sprite::Way::kKeyed:
      if (clipArea(p, true, 0, 0, 0, 0, x, y, t, a)) keyArea(p, a, t);
      break;
    case Sprite::Way::kCopy:
      if (clipArea(p, true, 0, 0, 0, 0, x, y, t, a)) copyArea(p, a, t);
      break;
    case Sprite::Way::kBlit: {
      SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
      blitSurface(p.surface, nullptr, t.surface, &to);
    }
  }
  return true;
}

// drawImg2 of the background: the w×h strip at (x, y) put back in place.
void repair(const Sprite& bg, int x, int y, int w, int h, const Target& t) {
  if (!bg.surface) return;
  Area a;
  if (bg.way != Sprite::Way::kCopy)
    drawImg2(t.surface, bg.surface, x, y, w, h, x, y);
  else if (clipArea(bg, false, x, y, w, h, x, y, t, a))
    copyArea(bg, a, t);
}

// The key drawImg would have left on the screen, if any flake was drawn.
void keyScreen(bool drewAny) {
  if (drewAny) keyMagenta(screen);
}

void drawOverScene() {
  const Target t = targetOf(screen);
  const Sprite bg = spriteOf(img_bg, screen);
  Sprite normal[3], dark[3];
  int steps[3];
  for (int l = 0; l < 3; ++l) {
    normal[l] = spriteOf(normalPicture(l), screen);
    dark[l] = spriteOf(darkPicture(l), screen);
    steps[l] = stepOf(l);
  }
  bool drewAny = false;
  for (Flake& f : starfield) {
    int step = steps[f.layer];
    int newx = f.x - step;
    // While the fade runs the scene repaints its whole background anyway.
    if (mainTrans == 0 && newx <= kLastRepairedX)
      repair(bg, newx, f.y, step + kRepairExtra[f.layer], kRepairRows, t);
    bool isDark = f.y < kDarkAbove || f.y > kDarkBelow;
    drewAny |= drawFlake(isDark ? dark[f.layer] : normal[f.layer], newx, f.y, t);
    f.x = newx;
    if (f.x < 0) {
      repair(bg, 0, f.y, kEdgeRepairW, kRepairRows, t);
      respawn(f);
    }
  }
  keyScreen(drewAny);
}

void drawIntroSnow() {
  // sge_ClearSurface's fill; the show keeps SGE's display updates off, so
  // it would push nothing either.
  fillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  // The bands are black from the clear: flakes clipped to the rows between
  // them leave what filling the bands over them would.
  const SDL_Rect whole = screen->clip_rect;
  SDL_Rect between = {0, kTopBandLastRow + 1, 640, kBottomBandFirstRow - kTopBandLastRow - 1};
  SDL_SetClipRect(screen, &between);
  const Target t = targetOf(screen);
  Sprite normal[3];
  int steps[3];
  for (int l = 0; l < 3; ++l) {
    normal[l] = spriteOf(normalPicture(l), screen);
    steps[l] = stepOf(l);
  }
  bool drewAny = false;
  for (Flake& f : starfield) {
    f.x -= steps[f.layer];
    drewAny |= drawFlake(normal[f.layer], f.x, f.y, t);
    if (f.x < 0) respawn(f);
  }
  SDL_SetClipRect(screen, &whole);
  keyScreen(drewAny);
}
}  // namespace

void initStarfield() {
  for (Flake& f : starfield) {
    f.x = showRand() % 640;
    f.y = showRand() % 480;
    f.layer = showRand() % 3;
  }
}

void drawStarfield() {
  if (!screen) return;
  int scene = currentScene.load();
  if (scene == 1 || scene == 2)
    drawOverScene();
  else
    drawIntroSnow();
  drawImg(screen, linje_uppe, 0, kUpperLineRow);
  drawImg(screen, linje_nere, 0, kLowerLineRow);
}

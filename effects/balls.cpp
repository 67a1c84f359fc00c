#include "effects/balls.h"

#include <SDL/sge.h>

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/character.h"
#include "demo/state.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace {
constexpr int kBallsShown = 3;
constexpr int kBallSize = 100;  // the pictures' nominal size, ball centred at (50, 50)
constexpr int kBoxW = 200, kBoxH = 150;

Uint32 black() { return screen ? SDL_MapRGB(screen->format, 0, 0, 0) : 0; }

// Zoom breathes between 0 and 1, reaching both ends exactly.
void breathe(AmigaBall& b) {
  b.zoom = static_cast<float>(b.zoom + dt * 0.001 * b.zoomdir * b.zoomspeed);
  if (b.zoom > 1) {
    b.zoom = 1;
    b.zoomdir = -1;
  } else if (b.zoom < 0) {
    b.zoom = 0;
    b.zoomdir = 1;
  }
}

// The bounce tests see the ball as a box of half-size 50·zoom centred 50
// pixels from its corner, while the drawn square is centred s/2 from it; the
// two agree only at full size, so a small ball turns short of the right and
// bottom sides and passes out over the left and top ones.
void bounce(AmigaBall& b) {
  const double half = 50.0 * b.zoom;
  const int nx = toInt(b.dirx * dt * b.speedx) + b.x + kBallSize / 2;
  if (nx + half > kBoxW || nx - half < 0) b.dirx = -b.dirx;
  const int ny = toInt(b.diry * dt * b.speedy) + b.y + kBallSize / 2;
  if (ny + half > kBoxH || ny - half < 0) b.diry = -b.diry;
  b.x += toInt(b.speedx * dt) * b.dirx;
  b.y += toInt(b.speedy * dt) * b.diry;
}

// SGE's own figures for the spin: degrees to radians by 0.01745273696388889
// (its pi is 3.1414926535), sine and cosine in float, and an 18.13 fixed
// point that keeps 1/scale under 2^18.
constexpr double kSgeRadians = 0.01745273696388889;
constexpr double kFixedOne = 8192.0;
constexpr double kMaxInverseScale = 262144.0;

// Every channel a whole byte at its shift and the pictures' formats alike:
// reading a pixel into red, green, blue and alpha and mapping them back, as
// the safe transform does, then gives the word itself, less any bits no mask
// covers.
bool byteChannel(Uint32 mask, Uint8 shift, Uint8 loss) {
  return loss == 0 && mask == Uint32{0xFF} << shift;
}
bool copiesWords(const SDL_Surface* from, const SDL_Surface* to) {
  const SDL_PixelFormat *f = from->format, *t = to->format;
  return f->BytesPerPixel == 4 && t->BytesPerPixel == 4 && !f->palette && !t->palette &&
         f->Rmask == t->Rmask && f->Gmask == t->Gmask && f->Bmask == t->Bmask &&
         f->Amask == t->Amask && byteChannel(f->Rmask, f->Rshift, f->Rloss) &&
         byteChannel(f->Gmask, f->Gshift, f->Gloss) && byteChannel(f->Bmask, f->Bshift, f->Bloss) &&
         (f->Amask == 0 || byteChannel(f->Amask, f->Ashift, f->Aloss)) && !SDL_MUSTLOCK(from) &&
         !SDL_MUSTLOCK(to) && from->pixels && to->pixels;
}

}  // namespace

bool balls_detail::SpinWindow::holds(Uint32 sx, Uint32 sy) const {
  const int rx = Sint16(static_cast<int32_t>(sx) >> 13);
  const int ry = Sint16(static_cast<int32_t>(sy) >> 13);
  return rx >= xmin && rx <= xmax && ry >= ymin && ry <= ymax;
}

Uint32 balls_detail::SpinWindow::texel(Uint32 sx, Uint32 sy) const {
  const int rx = Sint16(static_cast<int32_t>(sx) >> 13);
  const int ry = Sint16(static_cast<int32_t>(sy) >> 13);
  return reinterpret_cast<const Uint32*>(pixels + ry * pitch)[rx] & keep;
}

void balls_detail::spinRowEachPixel(Uint32* row, int n, Uint32 sx, Uint32 sy, Uint32 ct, Uint32 st,
                                    const SpinWindow& w, Uint32 clear) {
  for (int x = 0; x < n; ++x) {
    row[x] = w.holds(sx, sy) ? w.texel(sx, sy) : clear;
    sx += ct;
    sy -= st;
  }
}

namespace {
// Whether a fixed-point coordinate walked n steps from `start` by `step`
// never wraps, neither in 32 bits nor when its pixel is cut to 16: then the
// pixel moves one way only along the row.
bool walksStraight(Uint32 start, Uint32 step, int n) {
  const int64_t first = static_cast<int32_t>(start);
  const int64_t last = first + int64_t(n - 1) * static_cast<int32_t>(step);
  if (last < INT32_MIN || last > INT32_MAX) return false;
  auto fits16 = [](int64_t v) {
    const int64_t pixel = v >> 13;
    return pixel >= -32768 && pixel <= 32767;
  };
  return fits16(first) && fits16(last);
}
}  // namespace

void balls_detail::spinRow(Uint32* row, int n, Uint32 sx, Uint32 sy, Uint32 ct, Uint32 st,
                           const SpinWindow& w, Uint32 clear) {
  if (n <= 0) return;
  if (!walksStraight(sx, ct, n) || !walksStraight(sy, 0u - st, n)) {
    spinRowEachPixel(row, n, sx, sy, ct, st, w, clear);
    return;
  }
  // Both picture coordinates move one way only, so the pixels that land in
  // the window are one run: clear up to it from each end, then copy it
  // without a test.
  int lo = 0, hi = n - 1;
  while (lo <= hi && !w.holds(sx, sy)) {
    row[lo++] = clear;
    sx += ct;
    sy -= st;
  }
  Uint32 ex = sx + ct * Uint32(hi - lo), ey = sy - st * Uint32(hi - lo);
  while (hi > lo && !w.holds(ex, ey)) {
    row[hi--] = clear;
    ex -= ct;
    ey += st;
  }
#if defined(__SSE2__)
  // Four positions a step. Inside the window each pixel coordinate is a
  // small non-negative 16-bit number, so one multiply-add of the pair (x, y)
  // by (1, pitch in words) gives the word's index, for pitches under 2^15.
  const int pitchWords = w.pitch / 4;
  if (hi - lo >= 3 && w.xmin >= 0 && w.ymin >= 0 && w.xmax < 32768 && w.ymax < 32768 &&
      pitchWords < 32768) {
    const Uint32* const pixels = reinterpret_cast<const Uint32*>(w.pixels);
    const Uint32 keep = w.keep;
    __m128i vx = _mm_setr_epi32(int(sx), int(sx + ct), int(sx + 2 * ct), int(sx + 3 * ct));
    __m128i vy = _mm_setr_epi32(int(sy), int(sy - st), int(sy - 2 * st), int(sy - 3 * st));
    const __m128i stepX = _mm_set1_epi32(int(4 * ct)), stepY = _mm_set1_epi32(int(4 * st));
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    const __m128i weights = _mm_set1_epi32(pitchWords << 16 | 1);
    for (; lo + 3 <= hi; lo += 4) {
      const __m128i pairs = _mm_or_si128(_mm_and_si128(_mm_srai_epi32(vx, 13), low16),
                                         _mm_slli_epi32(_mm_srai_epi32(vy, 13), 16));
      const __m128i at = _mm_madd_epi16(pairs, weights);
      row[lo] = pixels[_mm_cvtsi128_si32(at)] & keep;
      row[lo + 1] = pixels[_mm_cvtsi128_si32(_mm_shuffle_epi32(at, 1))] & keep;
      row[lo + 2] = pixels[_mm_cvtsi128_si32(_mm_shuffle_epi32(at, 2))] & keep;
      row[lo + 3] = pixels[_mm_cvtsi128_si32(_mm_shuffle_epi32(at, 3))] & keep;
      vx = _mm_add_epi32(vx, stepX);
      vy = _mm_sub_epi32(vy, stepY);
    }
    sx = Uint32(_mm_cvtsi128_si32(vx));
    sy = Uint32(_mm_cvtsi128_si32(vy));
  }
#endif
  for (; lo <= hi; ++lo) {
    row[lo] = w.texel(sx, sy);
    sx += ct;
    sy -= st;
  }
}

namespace {
// The first `side`×`side` pixels of the canvas as clearing it to `clear` and
// sge_transform(picture, canvas, angle, zoom, zoom, 50, 50, side/2, side/2,
// SGE_TSAFE) leave them: the same fixed-point steps from the same corner, the
// same bounding box (its last column and row on the canvas never written),
// with every pixel outside the picture or the box cleared. Only that square
// is written, and it is all the blit reads. False, touching nothing, where
// the pixel words would not come through unchanged; the caller then asks SGE.
bool spinIntoCanvas(SDL_Surface* picture, SDL_Surface* canvas, float angle, float zoom, int side,
                    Uint32 clear) {
  const SDL_Rect& cc = canvas->clip_rect;
  if (!copiesWords(picture, canvas) || cc.x != 0 || cc.y != 0 || cc.w != canvas->w ||
      cc.h != canvas->h || zoom == 0)
    return false;
  float scale = zoom;
  if (kFixedOne / scale > kMaxInverseScale)
    scale = static_cast<float>(kFixedOne / kMaxInverseScale);
  else if (kFixedOne / scale < -kMaxInverseScale)
    scale = static_cast<float>(-kFixedOne / kMaxInverseScale);
  const float theta = static_cast<float>(double(angle) * kSgeRadians);
  const float sinT = std::sin(theta), cosT = std::cos(theta);
  const int32_t st = static_cast<int32_t>(double(sinT / scale) * kFixedOne);
  const int32_t ct = static_cast<int32_t>(double(cosT / scale) * kFixedOne);
  const int px = kBallSize / 2, py = kBallSize / 2;
  const int q = static_cast<Uint16>(side / 2);
  const int32_t mx = static_cast<int32_t>(px * kFixedOne),
                my = static_cast<int32_t>(py * kFixedOne);

  // The box of the picture's four clip corners carried forward, widened by
  // one pixel each way and cut to the canvas; SGE's 8192.2 included.
  const SDL_Rect& pc = picture->clip_rect;
  const int sxmin = pc.x, sxmax = pc.x + pc.w - 1, symin = pc.y, symax = pc.y + pc.h - 1;
  const int32_t fst = static_cast<int32_t>(double(sinT * scale) * 8192.0);
  const int32_t fct = static_cast<int32_t>(double(cosT * scale) * 8192.2);
  const Sint16 cornerX[4] = {Sint16(sxmin), Sint16(sxmax), Sint16(sxmin), Sint16(sxmax)};
  const Sint16 cornerY[4] = {Sint16(symin), Sint16(symax), Sint16(symax), Sint16(symin)};
  Sint16 xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  for (int i = 0; i < 4; ++i) {
    const int rx = Sint16(cornerX[i] - px), ry = Sint16(cornerY[i] - py);
    const Sint16 x = Sint16(((fct * rx - fst * ry) >> 13) + q);
    const Sint16 y = Sint16(((fct * ry + fst * rx) >> 13) + q);
    if (i == 0) {
      xmax = xmin = x;
      ymax = ymin = y;
    } else {
      if (x > xmax)
        xmax = x;
      else if (x < xmin)
        xmin = x;
      if (y > ymax)
        ymax = y;
      else if (y < ymin)
        ymin = y;
    }
  }
  xmin = Sint16(xmin - 1);
  ymin = Sint16(ymin - 1);
  xmax = Sint16(xmax + 1);
  ymax = Sint16(ymax + 1);
  if (xmin < cc.x) xmin = cc.x;
  if (xmax > cc.x + cc.w - 1) xmax = Sint16(cc.x + cc.w - 1);
  if (ymin < cc.y) ymin = cc.y;
  if (ymax > cc.y + cc.h - 1) ymax = Sint16(cc.y + cc.h - 1);

  const Uint32 keep = picture->format->Rmask | picture->format->Gmask | picture->format->Bmask |
                      picture->format->Amask;
  const int w = side < canvas->w ? side : canvas->w, h = side < canvas->h ? side : canvas->h;
  const balls_detail::SpinWindow window = {
      static_cast<const Uint8*>(picture->pixels), picture->pitch, sxmin, sxmax, symin, symax, keep};
  // Unsigned steps: the fixed-point sums wrap as SGE's 32-bit ones do,
  // without the undefined behaviour of a signed overflow.
  const Uint32 dx = static_cast<Uint32>(xmin - q);
  const Uint32 ctdx = static_cast<Uint32>(ct) * dx, stdx = static_cast<Uint32>(st) * dx;
  for (int y = 0; y < h; ++y) {
    Uint32* row =
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(canvas->pixels) + y * canvas->pitch);
    if (y < ymin || y >= ymax) {
      for (int x = 0; x < w; ++x) row[x] = clear;
      continue;
    }
    const Uint32 dy = static_cast<Uint32>(y - q);
    Uint32 sx = ctdx + static_cast<Uint32>(st) * dy + static_cast<Uint32>(mx);
    Uint32 sy = static_cast<Uint32>(ct) * dy - stdx + static_cast<Uint32>(my);
    int x = 0;
    for (; x < w && x < xmin; ++x) row[x] = clear;
    const int end = w < xmax ? w : xmax;
    if (x < end) {
      balls_detail::spinRow(row + x, end - x, sx, sy, static_cast<Uint32>(ct),
                            static_cast<Uint32>(st), window, clear);
      x = end;
    }
    for (; x < w; ++x) row[x] = clear;
  }
  return true;
}

// Spins and zooms the current ball picture about its centre into the canvas
// and blits the s×s square that holds it. The canvas keeps its own size: only
// the blitted region follows s, so nothing is written outside its pixels.
// The ball picture to draw at size s, or null where nothing is drawn.
SDL_Surface* ballPicture(int s) {
  if (ball.curframe < 0 || ball.curframe >= 6) return nullptr;
  SDL_Surface* picture = ball.frames[ball.curframe];
  if (!tmp_rotate || !picture || !demoboxBuffer || s <= 0) return nullptr;
  return picture;
}

void drawBall(const AmigaBall& b, int s) {
  SDL_Surface* const picture = ballPicture(s);
  if (!picture) return;
  if (!spinIntoCanvas(picture, tmp_rotate, static_cast<float>(b.angle), b.zoom, s, black())) {
    fillRect(tmp_rotate, nullptr, black());
    sge_transform(picture, tmp_rotate, static_cast<float>(b.angle), b.zoom, b.zoom, kBallSize / 2,
                  kBallSize / 2, static_cast<Uint16>(s / 2), static_cast<Uint16>(s / 2), SGE_TSAFE);
  }
  // Keyed on magenta as every whole-picture blit leaves the box.
  keyMagenta(demoboxBuffer);
  drawImg2(demoboxBuffer, tmp_rotate, b.x, b.y, s, s, 0, 0);
}

// Spin by frames; movement and zoom by the clock (dt). Returns the size the
// ball is drawn at.
int moveBall(AmigaBall& b) {
  b.angle += 1;
  breathe(b);
  // On the float value in double: a zoom of 0.29 gives 28, not 29.
  const int s = static_cast<int>(std::trunc(double(b.zoom) * kBallSize));
  bounce(b);
  return s;
}
}  // namespace

void drawAmigaBalls() {
  // One picture cycle for all three balls.
  animate(&ball);
  if (demoboxBuffer) fillRect(demoboxBuffer, nullptr, black());
  for (int i = 0; i < kBallsShown; ++i) {
    AmigaBall& b = amigaball[i];
    drawBall(b, moveBall(b));
  }
}

void advanceAmigaBalls() {
  animate(&ball);
  for (int i = 0; i < kBallsShown; ++i)
    if (ballPicture(moveBall(amigaball[i]))) keyMagenta(demoboxBuffer);
}

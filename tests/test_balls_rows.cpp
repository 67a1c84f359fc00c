// The spin's row kernel finds the run of pixels inside the picture and
// copies it without a test per pixel; its plain twin tests every pixel. Over
// rows of every short length, steps from tiny to wrapping and windows cut at
// any side, both must write the same words and nothing past the row.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/balls.h"

using balls_detail::SpinWindow;

namespace {
constexpr int kPicW = 64, kPicH = 48, kPitchWords = 70;
constexpr Uint32 kGuard = 0xDEADBEEF, kClear = 0x11223344;

// A fixed-point coordinate whose pixel is near [lo, hi] (or anywhere at all).
Uint32 nearWindow(std::mt19937& rng, int lo, int hi) {
  if (rng() % 8 == 0) return rng();
  const int pixel = lo - 6 + int(rng() % Uint32(hi - lo + 13));
  return Uint32(pixel) * 8192u + (rng() % 8192u);
}

Uint32 randomStep(std::mt19937& rng) {
  switch (rng() % 5) {
    case 0: return 0;
    case 1: return Uint32(int(rng() % 16385) - 8192);     // under a pixel a step
    case 2: return Uint32(int(rng() % 524289) - 262144);  // up to 32 pixels
    case 3: return Uint32(int(rng() % 3) - 1) * 8192u;    // whole pixels
    default: return rng();                                // wraps within the row
  }
}
}  // namespace

TEST(SpinRow, SameWordsAsThePlainWalk) {
  std::vector<Uint32> picture(kPitchWords * kPicH);
  std::mt19937 rng(3);
  for (Uint32& w : picture) w = rng();
  for (int trial = 0; trial < 40000; ++trial) {
    SpinWindow w{};
    w.pixels = reinterpret_cast<const Uint8*>(picture.data());
    w.pitch = kPitchWords * 4;
    w.xmin = int(rng() % kPicW);
    w.xmax = w.xmin + int(rng() % Uint32(kPicW - w.xmin));
    w.ymin = int(rng() % kPicH);
    w.ymax = w.ymin + int(rng() % Uint32(kPicH - w.ymin));
    w.keep = rng() % 2 ? 0xFFFFFFFFu : 0x00FFFFFFu;
    const int n = trial % 3 ? int(trial % 18) : int(rng() % 130);
    const Uint32 sx = nearWindow(rng, w.xmin, w.xmax), sy = nearWindow(rng, w.ymin, w.ymax);
    const Uint32 ct = randomStep(rng), st = randomStep(rng);

    std::vector<Uint32> fast(n + 2, kGuard), plain(n + 2, kGuard);
    balls_detail::spinRow(fast.data() + 1, n, sx, sy, ct, st, w, kClear);
    balls_detail::spinRowEachPixel(plain.data() + 1, n, sx, sy, ct, st, w, kClear);
    ASSERT_EQ(fast, plain) << "n " << n << " from " << sx << "," << sy << " by " << ct << "," << st;
    ASSERT_EQ(fast.front(), kGuard);
    ASSERT_EQ(fast.back(), kGuard);
  }
}

TEST(SpinRow, RunsThatTouchEitherEndOrFillTheRow) {
  std::vector<Uint32> picture(kPitchWords * kPicH);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = Uint32(i) * 2654435761u;
  const SpinWindow w{
      reinterpret_cast<const Uint8*>(picture.data()), kPitchWords * 4, 10, 40, 5, 30, 0xFFFFFFFFu};
  // Straight across row 7, starting before, on and after the window's left
  // side, in both directions; each length from empty to longer than the window.
  for (int start = 0; start <= 50; ++start)
    for (Uint32 step : {8192u, 0u - 8192u, 4096u, 0u - 12288u})
      for (int n = 0; n <= 60; ++n) {
        std::vector<Uint32> fast(n + 2, kGuard), plain(n + 2, kGuard);
        const Uint32 sx = Uint32(start) * 8192u + 100, sy = 7u * 8192u;
        balls_detail::spinRow(fast.data() + 1, n, sx, sy, step, 0, w, kClear);
        balls_detail::spinRowEachPixel(plain.data() + 1, n, sx, sy, step, 0, w, kClear);
        ASSERT_EQ(fast, plain) << start << " " << step << " " << n;
      }
}

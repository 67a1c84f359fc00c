#include "render/random.h"

#include <cstdint>

namespace {
// --- generator state: glibc's TYPE_3 random(), degree 31, separation 3 ---
constexpr int kDegree = 31, kSeparation = 3;
uint32_t table[kDegree];
int front = kSeparation, rear = 0;  // indices of glibc's fptr and rptr

uint32_t next() {
  // Sums wrap modulo 2^32; the low bit, the weakest, is dropped.
  table[front] += table[rear];
  const uint32_t out = table[front] >> 1;
  if (++front == kDegree) front = 0;
  if (++rear == kDegree) rear = 0;
  return out;
}

// glibc's srandom: the words from a Lehmer generator (16807, mod 2^31 - 1,
// by Schrage's method so nothing overflows), then 310 outputs thrown away.
bool seed(unsigned s) {
  int32_t word = s == 0 ? 1 : static_cast<int32_t>(s);
  table[0] = static_cast<uint32_t>(word);
  for (int i = 1; i < kDegree; ++i) {
    const int32_t hi = word / 127773, lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    table[i] = static_cast<uint32_t>(word);
  }
  front = kSeparation;
  rear = 0;
  for (int i = 0; i < 10 * kDegree; ++i) next();
  return true;
}

// Constant-initialised, so the first draw seeds whatever the start-up order.
bool seeded = false;
}  // namespace

int showRand() {
  if (!seeded) seeded = seed(1);
  return static_cast<int>(next() & 0x7FFF);
}

void showRandFill(int* out, int n) {
  if (!seeded) seeded = seed(1);
  for (int i = 0; i < n; ++i) out[i] = static_cast<int>(next() & 0x7FFF);
}

void showRandSeed(unsigned s) { seeded = seed(s); }

#include "render/random.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// --- generator state: glibc's TYPE_3 random(), degree 31, separation 3 ---
// glibc keeps the last 31 words in a ring; here they sit at the end of a
// straight run, words[count - 31 .. count - 1], oldest first, so that a
// block of new words can be written after them without wrapping. Word k is
// words[k - 31] + words[k - 3] modulo 2^32, which is glibc's
// *fptr += *rptr: fptr holds the word 31 back, rptr the one 3 back.
constexpr int kDegree = 31, kSeparation = 3;
// Block steps reach 34 words back (below), so the run keeps that many.
constexpr int kKept = kDegree + kSeparation;
constexpr int kCapacity = 4096;
uint32_t words[kCapacity];
int count = 0;

// Makes room for one more word: the tail moves to the front when full.
void makeRoom() {
  if (count < kCapacity) return;
  std::memmove(words, words + kCapacity - kKept, kKept * sizeof(uint32_t));
  count = kKept;
}

uint32_t next() {
  makeRoom();
  const uint32_t w = words[count - kDegree] + words[count - kSeparation];
  words[count++] = w;
  // Sums wrap modulo 2^32; the low bit, the weakest, is dropped.
  return w >> 1;
}

// glibc's srandom: the words from a Lehmer generator (16807, mod 2^31 - 1,
// by Schrage's method so nothing overflows), then 310 outputs thrown away.
// glibc starts with fptr at word 3 and rptr at word 0, so word 3 is the
// oldest and words 0..2 are the newest: the run starts at word 3 and wraps.
bool seed(unsigned s) {
  uint32_t ring[kDegree];
  int32_t word = s == 0 ? 1 : static_cast<int32_t>(s);
  ring[0] = static_cast<uint32_t>(word);
  for (int i = 1; i < kDegree; ++i) {
    const int32_t hi = word / 127773, lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    ring[i] = static_cast<uint32_t>(word);
  }
  for (int i = 0; i < kDegree; ++i) words[i] = ring[(i + kSeparation) % kDegree];
  count = kDegree;
  for (int i = 0; i < 10 * kDegree; ++i) next();
  return true;
}

// Words count .. count + n - 1 (all within the run), their draws into out.
// Substituting w[k-3] = w[k-6] + w[k-34] into w[k] = w[k-3] + w[k-31] gives
// w[k] = w[k-6] + w[k-31] + w[k-34]: every lag is at least 4, so four words
// in a row depend only on words already written and go in one step.
void block(int* out, int n) {
  uint32_t* w = words + count;
  int i = 0;
#if defined(__SSE2__)
  const __m128i low15 = _mm_set1_epi32(0x7FFF);
  // The last eight words stay in registers: read back from memory, the four
  // 6 back would straddle the two stores just made, which the processor
  // cannot forward, and every step would wait for them to reach the cache.
  __m128i older = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w - 8));
  __m128i newer = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w - 4));
  for (; i + 4 <= n; i += 4) {
    // Words i-6..i-3: the top half of the older four, the bottom of the
    // newer, by integer shuffles (a float one costs a domain crossing).
    const __m128i lag6 = _mm_unpacklo_epi64(_mm_srli_si128(older, 8), newer);
    const __m128i lag31 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i - 31));
    const __m128i lag34 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i - 34));
    const __m128i sum = _mm_add_epi32(_mm_add_epi32(lag31, lag34), lag6);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w + i), sum);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_and_si128(_mm_srli_epi32(sum, 1), low15));
    older = newer;
    newer = sum;
  }
#endif
  for (; i < n; ++i) {
    w[i] = w[i - kDegree] + w[i - kSeparation];
    out[i] = static_cast<int>((w[i] >> 1) & 0x7FFF);
  }
  count += n;
}

// --- skipping ahead ---
// The words obey w[k] = w[k-3] + w[k-31], so x^31 = x^28 + 1 in the ring of
// polynomials modulo P(x) = x^31 - x^28 - 1 with coefficients modulo 2^32:
// if x^m = a_0 + a_1·x + ... + a_30·x^30 there, then w[b + m] = a_0·w[b] +
// ... + a_30·w[b + 30] for any b. So the words n further on are sums of the
// 31 newest, with weights worked out once per n.
using Poly = std::array<uint32_t, kDegree>;
// Weights of the kKept words that end n words on, for the last n skipped.
int skipLength = -1;
std::array<Poly, kKept> skipWeights;

// a·b modulo P; x^d for d >= 31 folds onto x^(d-3) and x^(d-31).
Poly times(const Poly& a, const Poly& b) {
  uint32_t product[2 * kDegree - 1] = {};
  for (int i = 0; i < kDegree; ++i)
    for (int j = 0; j < kDegree; ++j) product[i + j] += a[i] * b[j];
  for (int d = 2 * kDegree - 2; d >= kDegree; --d) {
    product[d - kSeparation] += product[d];
    product[d - kDegree] += product[d];
  }
  Poly r;
  std::copy(product, product + kDegree, r.begin());
  return r;
}

// a·x modulo P.
Poly timesX(const Poly& a) {
  Poly r;
  r[0] = a[kDegree - 1];
  for (int i = 1; i < kDegree; ++i) r[i] = a[i - 1];
  r[kDegree - kSeparation] += a[kDegree - 1];
  return r;
}

// x^m modulo P, by squaring.
Poly power(int64_t m) {
  Poly r = {}, x = {};
  r[0] = 1;
  x[1] = 1;
  for (; m > 0; m >>= 1, x = times(x, x))
    if (m & 1) r = times(r, x);
  return r;
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
  while (n > 0) {
    makeRoom();
    const int chunk = n < kCapacity - count ? n : kCapacity - count;
    block(out, chunk);
    out += chunk;
    n -= chunk;
  }
}

void showRandSeed(unsigned s) { seeded = seed(s); }

void showRandSkip(int n) {
  if (!seeded) seeded = seed(1);
  // Short runs cost less drawn than weighed.
  if (n < 1024) {
    int scratch[256];
    for (; n > 0; n -= 256) showRandFill(scratch, n < 256 ? n : 256);
    return;
  }
  // The run kept after the skip is words n - 3 .. n + 30 counted from the
  // oldest of the 31 newest now (as the block step needs 34 back).
  if (n != skipLength) {
    Poly w = power(int64_t{n} - kSeparation);
    for (int t = 0; t < kKept; ++t, w = timesX(w)) skipWeights[size_t(t)] = w;
    skipLength = n;
  }
  const uint32_t* newest = words + count - kDegree;
  uint32_t kept[kKept];
  for (int t = 0; t < kKept; ++t) {
    uint32_t sum = 0;
    for (int i = 0; i < kDegree; ++i) sum += skipWeights[size_t(t)][size_t(i)] * newest[i];
    kept[t] = sum;
  }
  std::copy(kept, kept + kKept, words);
  count = kKept;
}

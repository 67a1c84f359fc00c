// The SSE2 row kernels behind blitSurface, whiteOver and the effects that
// copy pixels themselves, against their word-by-word twins: every source,
// destination and alpha for each channel of the blend, and for every kernel
// every width up to a few vectors past one, at every word alignment, with
// the words past the row untouched.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "render/extra.h"
#include "render/kernels.h"

using kernels::blendPictureRow;
using kernels::blendPictureRowScalar;
using kernels::keyRow;
using kernels::keyRowFill;
using kernels::keyRowFillScalar;
using kernels::keyRowScalar;
using kernels::whiteRow;
using kernels::whiteRowScalar;

namespace {
constexpr Uint32 kCanary = 0xDEADBEEF;

std::string hex(Uint32 v) {
  char buf[11];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

// Index of the first word where two rows differ, or -1.
int firstDifference(const std::vector<Uint32>& a, const std::vector<Uint32>& b) {
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return static_cast<int>(i);
  return -1;
}
}  // namespace

TEST(BlendRow, MatchesScalarForEverySourceDestinationAndAlpha) {
  // One row per alpha: pixel i pairs source value i >> 8 with destination
  // value i & 255. The three channels see the pairs through different
  // byte-wise bijections, so each channel meets every (s, d) pair while no
  // two channels hold the same value (a swap of channels would show). The
  // destination's unused byte varies, to be dropped or, at alpha 0, kept.
  std::vector<Uint32> src(65536), fast(65536), slow(65536);
  for (unsigned a = 0; a < 256; ++a) {
    for (unsigned i = 0; i < 65536; ++i) {
      const unsigned s = i >> 8, d = i & 0xFF;
      // Source bytes R, G, B, A; destination 0xXXRRGGBB.
      src[i] = s | ((s * 7 + 85) & 0xFF) << 8 | ((s ^ 0xA5) & 0xFF) << 16 | a << 24;
      fast[i] = slow[i] = ((d * 7 + 85) & 0xFF) << 8 | (d ^ 0xA5) | d << 16 | (i * 13 & 0xFF) << 24;
    }
    blendPictureRow(src.data(), fast.data(), 65536);
    blendPictureRowScalar(src.data(), slow.data(), 65536);
    const int at = firstDifference(fast, slow);
    ASSERT_EQ(at, -1) << "alpha " << a << " source " << hex(src[at]) << ": " << hex(fast[at])
                      << " instead of " << hex(slow[at]);
  }
}

TEST(BlendRow, KeepsToTheRowAtEveryWidthAndAlignment) {
  // Runs of clear pixels, opaque ones and partial alpha, mixed within a
  // vector and spanning its ends.
  std::mt19937 rng(5);
  std::uniform_int_distribution<Uint32> word;
  for (int offset = 0; offset < 4; ++offset)
    for (int w = 0; w <= 17; ++w)
      for (int round = 0; round < 40; ++round) {
        std::vector<Uint32> src(offset + w + 4), fast(offset + w + 4, kCanary), slow;
        for (int i = 0; i < w; ++i) {
          Uint32 v = word(rng);
          const int kind = round % 4 == 0 ? 0 : int(word(rng) % 3);
          if (kind == 0) v &= 0x00FFFFFF;
          if (kind == 1) v |= 0xFF000000;
          src[offset + i] = v;
          fast[offset + i] = word(rng);
        }
        slow = fast;
        blendPictureRow(src.data() + offset, fast.data() + offset, w);
        blendPictureRowScalar(src.data() + offset, slow.data() + offset, w);
        ASSERT_EQ(firstDifference(fast, slow), -1) << "width " << w << " offset " << offset;
        for (int i = 0; i < 4; ++i) ASSERT_EQ(fast[offset + w + i], kCanary) << "width " << w;
        for (int i = 0; i < offset; ++i) ASSERT_EQ(fast[i], kCanary) << "width " << w;
      }
}

TEST(BlendRow, MatchesScalarForEveryMixOfClearOpaqueAndPartialPixels) {
  // The fast kernel picks its way by what a group of four holds: nothing to
  // draw, alpha 0 and 255 only, or anything between. Every one of the 81
  // ways to fill four pixels from those three classes, the group starting
  // at each word offset so it also straddles two of the kernel's groups,
  // over destinations whose unused byte is set (kept under clear pixels,
  // replaced elsewhere).
  std::mt19937 rng(17);
  std::uniform_int_distribution<Uint32> word;
  for (int mix = 0; mix < 81; ++mix)
    for (int offset = 0; offset < 4; ++offset)
      for (int round = 0; round < 8; ++round) {
        const int w = offset + 4 + round % 3;
        std::vector<Uint32> src(w), fast(w + 4, kCanary), slow;
        for (int i = 0; i < w; ++i) {
          Uint32 colour = word(rng) & 0x00FFFFFF;
          int kind = int(word(rng) % 3);
          if (i >= offset && i < offset + 4) {
            int code = mix;
            for (int k = offset; k < i; ++k) code /= 3;
            kind = code % 3;
          }
          const Uint32 a = kind == 0 ? 0 : kind == 1 ? 255 : 1 + word(rng) % 254;
          src[i] = colour | a << 24;
          fast[i] = word(rng);
        }
        slow = fast;
        blendPictureRow(src.data(), fast.data(), w);
        blendPictureRowScalar(src.data(), slow.data(), w);
        const int at = firstDifference(fast, slow);
        ASSERT_EQ(at, -1) << "mix " << mix << " offset " << offset << " source " << hex(src[at])
                          << ": " << hex(fast[at]) << " instead of " << hex(slow[at]);
      }
}

TEST(KeyRow, MatchesScalarWithKeysAnywhere) {
  // Words equal to the key, words one bit away from it (in the colour
  // bytes and in the unused one) and others, keyed pixels first and last;
  // a key with its unused byte set, and masks keeping fewer channels.
  std::mt19937 rng(9);
  std::uniform_int_distribution<Uint32> word;
  const Uint32 keys[] = {0x00FF00FF, 0x5A102030, 0};
  const Uint32 masks[] = {0x00FFFFFF, 0xFFFFFF00, 0x0000FF00};
  for (Uint32 key : keys)
    for (Uint32 rgb : masks)
      for (int offset = 0; offset < 4; ++offset)
        for (int w = 0; w <= 17; ++w)
          for (int round = 0; round < 20; ++round) {
            std::vector<Uint32> src(offset + w + 4), fast(offset + w + 4, kCanary), slow;
            for (int i = 0; i < w; ++i) {
              const Uint32 pick = word(rng) % 4;
              Uint32 v = pick == 0 ? key : pick == 1 ? key ^ (1u << (word(rng) % 32)) : word(rng);
              if ((i == 0 || i == w - 1) && round % 2 == 0) v = key;
              src[offset + i] = v;
              fast[offset + i] = word(rng);
            }
            slow = fast;
            keyRow(src.data() + offset, fast.data() + offset, w, key, rgb);
            keyRowScalar(src.data() + offset, slow.data() + offset, w, key, rgb);
            ASSERT_EQ(firstDifference(fast, slow), -1)
                << "key " << hex(key) << " mask " << hex(rgb) << " width " << w;
            for (int i = 0; i < 4; ++i) ASSERT_EQ(fast[offset + w + i], kCanary);
            for (int i = 0; i < offset; ++i) ASSERT_EQ(fast[i], kCanary);
          }
}

// The variant onto a filled surface: keyed words become the fill, nothing
// of the destination is read, so the row may be copied onto itself.
TEST(KeyRow, FillVariantMatchesScalarApartAndInPlace) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<Uint32> word;
  const Uint32 key = 0x00FF00FF, rgb = 0x00FFFFFF;
  for (Uint32 fill : {0u, 0x00102030u})
    for (int offset = 0; offset < 4; ++offset)
      for (int w = 0; w <= 17; ++w)
        for (int round = 0; round < 20; ++round) {
          std::vector<Uint32> src(offset + w + 4, kCanary);
          for (int i = 0; i < w; ++i) {
            const Uint32 pick = word(rng) % 3;
            src[offset + i] = pick == 0   ? key
                              : pick == 1 ? key ^ (1u << (word(rng) % 32))
                                          : word(rng);
          }
          std::vector<Uint32> fast(src.size(), kCanary), slow = fast, inPlace = src;
          keyRowFill(src.data() + offset, fast.data() + offset, w, key, rgb, fill);
          keyRowFillScalar(src.data() + offset, slow.data() + offset, w, key, rgb, fill);
          keyRowFill(inPlace.data() + offset, inPlace.data() + offset, w, key, rgb, fill);
          ASSERT_EQ(firstDifference(fast, slow), -1) << "fill " << hex(fill) << " width " << w;
          ASSERT_EQ(firstDifference(inPlace, slow), -1)
              << "in place, fill " << hex(fill) << " width " << w;
          for (int i = 0; i < w; ++i)
            ASSERT_EQ(slow[offset + i], src[offset + i] == key ? fill : src[offset + i] & rgb);
        }
}

TEST(WhiteRow, MatchesScalarForEveryChannelValueAlphaAndWidth) {
  // Each way the processor offers: AVX2 (where it has it), then SSE2.
  const bool hasAvx2 = kernels::useAvx2;
  for (bool avx2 : {true, false}) {
    if (avx2 && !hasAvx2) continue;
    SCOPED_TRACE(avx2 ? "AVX2" : "SSE2");
    kernels::useAvx2 = avx2;
    // Every byte value in every byte of the word (the unused one must come
    // out zero), for every alpha.
    std::vector<Uint32> fast(259), slow(259);
    for (unsigned alpha = 0; alpha < 256; ++alpha) {
      for (unsigned v = 0; v < 256; ++v)
        fast[v] = slow[v] = v | (255 - v) << 8 | (v * 3 & 0xFF) << 16 | (v ^ 0x3C) << 24;
      whiteRow(fast.data(), 256, Uint8(alpha));
      whiteRowScalar(slow.data(), 256, Uint8(alpha));
      const int at = firstDifference(fast, slow);
      ASSERT_EQ(at, -1) << "alpha " << alpha << ": " << hex(fast[at]) << " instead of "
                        << hex(slow[at]);
    }
    // Widths through two of the widest steps and every tail after them.
    std::mt19937 rng(3);
    std::uniform_int_distribution<Uint32> word;
    for (int offset = 0; offset < 4; ++offset)
      for (int w = 0; w <= 40; ++w) {
        std::vector<Uint32> row(offset + w + 4, kCanary), slower;
        for (int i = 0; i < w; ++i) row[offset + i] = word(rng);
        slower = row;
        const Uint8 alpha = Uint8(word(rng) % 255 + 1);
        whiteRow(row.data() + offset, w, alpha);
        whiteRowScalar(slower.data() + offset, w, alpha);
        ASSERT_EQ(firstDifference(row, slower), -1) << "width " << w << " offset " << offset;
        for (int i = 0; i < 4; ++i) ASSERT_EQ(row[offset + w + i], kCanary);
        for (int i = 0; i < offset; ++i) ASSERT_EQ(row[i], kCanary);
      }
  }
  kernels::useAvx2 = hasAvx2;
}

TEST(WhiteRow, AtAlphaZeroClearsEveryUnusedByteWhereverItIsSet) {
  // Rows whose unused bytes are all zero but one (or none), the set one at
  // every place in and around a vector: alpha 0 changes nothing else.
  for (int offset = 0; offset < 4; ++offset)
    for (int w = 0; w <= 17; ++w)
      for (int set = -1; set < w; ++set) {
        std::vector<Uint32> row(offset + w + 4, kCanary), slower;
        for (int i = 0; i < w; ++i) row[offset + i] = Uint32(i * 0x0A0B0C + 0x102030) & 0x00FFFFFF;
        if (set >= 0) row[offset + set] |= Uint32(set + 1) << 24;
        slower = row;
        whiteRow(row.data() + offset, w, 0);
        whiteRowScalar(slower.data() + offset, w, 0);
        ASSERT_EQ(firstDifference(row, slower), -1)
            << "width " << w << " offset " << offset << " set " << set;
        for (int i = 0; i < w; ++i) ASSERT_EQ(row[offset + i] >> 24, 0u);
      }
}

// project() sums only the three coordinates it needs and divides both at
// once; over random transforms and points, depths of ±0, tiny and huge ones
// and points behind the eye, it must give what mul_vector and a plain
// divide, cut toward zero, give.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "render/math_3d.h"

namespace {
Point2d plainProjection(Point3d p) {
  const float v[4] = {p.x, p.y, p.z, 1.0f};
  float t[4];
  mul_vector(v, omatrix, t);
  if (t[2] == 0.0f) return kNoPoint;
  const double sx = std::trunc(double(t[0]) * 256.0 / double(t[2]) + 100.0);
  const double sy = std::trunc(double(t[1]) * 256.0 / double(t[2]) + 75.0);
  const auto fits = [](double v) { return v > -2147483648.0 && v <= 2147483647.0; };
  if (!fits(sx) || !fits(sy)) return kNoPoint;
  return {static_cast<int32_t>(sx), static_cast<int32_t>(sy)};
}

void expectPlain(Point3d p, const char* what) {
  const Point2d got = project(p), want = plainProjection(p);
  ASSERT_TRUE(got.x == want.x && got.y == want.y)
      << what << ": point " << p.x << "," << p.y << "," << p.z << " gives " << got.x << "," << got.y
      << ", not " << want.x << "," << want.y;
}
}  // namespace

TEST(ProjectAgreesWithMulVector, RandomTransformsAndPoints) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<float> angle(-7.0f, 7.0f), shift(-3.0f, 3.0f);
  std::uniform_real_distribution<float> coord(-6.0f, 6.0f), depth(-20.0f, 20.0f);
  for (int m = 0; m < 200; ++m) {
    rotate(angle(rng), angle(rng), angle(rng));
    translate(shift(rng), shift(rng), depth(rng));
    for (int i = 0; i < 200; ++i) expectPlain({coord(rng), coord(rng), coord(rng)}, "random");
  }
}

TEST(ProjectAgreesWithMulVector, DepthsAtTheEdges) {
  init_matrix(omatrix);
  // The depth is the point's own z: zero of either sign, denormal and tiny
  // ones that push the quotient past the int range, and huge ones.
  for (float z : {0.0f, -0.0f, 1e-40f, -1e-40f, 1e-7f, -1e-7f, 3e-6f, 1.0f, -1.0f, 1e30f, -1e30f})
    for (float xy : {0.0f, -0.0f, 0.3f, -0.3f, 1.0f, 1000.0f})
      expectPlain({xy, -xy, z}, "edge depth");
  // A shift that brings the sum to exactly zero.
  translate(0.0f, 0.0f, -2.5f);
  expectPlain({1.0f, 1.0f, 2.5f}, "cancelled depth");
}

// project() sums only the three coordinates it needs and divides both at
// once; over random transforms and points, depths of ±0, tiny and huge ones,
// points behind the eye and quotients at the ends of the int range, it and
// projectPoints must give what mul_vector and a plain divide, cut toward
// zero, give.
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
  const Point2d want = plainProjection(p);
  Point2d many[3];
  const Point3d three[3] = {{1.0f, 2.0f, 3.0f}, p, {-1.0f, 0.5f, -2.0f}};
  projectPoints(three, many, 3);
  for (Point2d got : {project(p), many[1]})
    ASSERT_TRUE(got.x == want.x && got.y == want.y)
        << what << ": point " << p.x << "," << p.y << "," << p.z << " gives " << got.x << ","
        << got.y << ", not " << want.x << "," << want.y;
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

TEST(ProjectAgreesWithMulVector, QuotientsAtTheEndsOfTheIntRange) {
  init_matrix(omatrix);
  // Coordinates whose quotient, plus the centre, lands within a few hundred
  // of ±2^31, walked float by float: some cut to INT32_MIN itself (no
  // point), some to INT32_MAX (kept), some just past either end.
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> depth(0.5f, 2.0f);
  for (int k = 0; k < 40; ++k) {
    const float z = depth(rng) * (k % 2 ? -1.0f : 1.0f);
    for (double end : {2147483648.0, -2147483648.0}) {
      const float atEnd = static_cast<float>((end - 100.0) * z / 256.0);
      float x = atEnd, y = atEnd;
      for (int step = 0; step < 300; ++step) {
        x = std::nextafter(x, 0.0f);
        y = std::nextafter(y, 2 * y);
        expectPlain({x, 0.0f, z}, "x near the int range");
        expectPlain({0.0f, y, z}, "y past the int range");
        expectPlain({x, x, z}, "both near the int range");
      }
    }
  }
}

TEST(ProjectPoints, SameAsOneByOneForEveryCount) {
  std::mt19937 rng(8);
  std::uniform_real_distribution<float> coord(-6.0f, 6.0f);
  rotate(0.3f, 1.1f, -0.7f);
  translate(0.2f, -0.1f, 2.0f);
  Point3d points[17];
  for (Point3d& p : points) p = {coord(rng), coord(rng), coord(rng)};
  points[4] = {0.0f, 0.0f, -2.0f / omatrix[10]};  // lands near depth 0
  for (int n = 0; n <= 17; ++n) {
    Point2d out[18];
    out[n] = {7, 7};  // past the end: must stay as it was
    projectPoints(points, out, n);
    for (int i = 0; i < n; ++i) {
      const Point2d want = project(points[i]);
      EXPECT_TRUE(out[i].x == want.x && out[i].y == want.y) << n << " points, point " << i;
    }
    EXPECT_TRUE(out[n].x == 7 && out[n].y == 7) << n;
  }
}

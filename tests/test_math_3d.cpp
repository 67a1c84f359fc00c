#include <gtest/gtest.h>

#include <cmath>

#include "render/math_3d.h"
#include "tests/support.h"

namespace {
constexpr float kHalfPi = 1.57079632679f;

// The point p seen through omatrix, before the perspective divide.
void transformed(float x, float y, float z, float out[4]) {
  const float v[4] = {x, y, z, 1.0f};
  mul_vector(v, omatrix, out);
}

void expectPoint(Point2d p, int x, int y) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.y, y);
}

bool isGreen(SDL_Surface* s, int x, int y) { return rgbAt(s, x, y) == 0x00FF00u; }
}  // namespace

TEST(Project, MapsToTheBoxThroughTheFocalLength) {
  init_matrix(omatrix);
  translate(0, 0, 4);
  expectPoint(project({0.5f, 0.5f, 0}), 132, 107);
  expectPoint(project({-0.5f, -0.5f, 0}), 68, 43);
  // Positive y lands below the centre: no flip.
  expectPoint(project({0, 1, 0}), 100, 139);
}

TEST(Project, CutsTowardZeroNotDown) {
  init_matrix(omatrix);
  // 75 - 85.33 = -10.33
  expectPoint(project({1, -1, 3}), 185, -10);
}

TEST(Project, MirrorsPointsBehindTheEyeThroughTheCentre) {
  init_matrix(omatrix);
  expectPoint(project({1, 1, -1}), -156, -181);
}

TEST(Project, GivesNoPointAtDepthZeroOrBeyondTheIntRange) {
  init_matrix(omatrix);
  EXPECT_FALSE(isProjected(project({1, 1, 0})));
  EXPECT_FALSE(isProjected(project({0, 0, 0})));
  // 1e7 · 256 / 1e-3 is far past 2^31.
  EXPECT_FALSE(isProjected(project({1e7f, 0, 1e-3f})));
  EXPECT_FALSE(isProjected(project({0, -1e7f, 1e-3f})));
  // Large but representable results are kept.
  Point2d far = project({1e4f, 0, 0.0078125f});
  ASSERT_TRUE(isProjected(far));
  EXPECT_EQ(far.x, 327680100);  // 1e4 · 256 · 128 + 100
}

TEST(Rotate, TurnsAboutYBeforeX) {
  rotate(kHalfPi, kHalfPi, 0);
  float t[4];
  transformed(0, 0, 1, t);
  EXPECT_NEAR(t[0], 1, 1e-6);
  EXPECT_NEAR(t[1], 0, 1e-6);
  EXPECT_NEAR(t[2], 0, 1e-6);
}

TEST(Rotate, SingleAxes) {
  float t[4];
  rotate(0, 0, kHalfPi);  // clockwise on a y-down screen
  transformed(1, 0, 0, t);
  EXPECT_NEAR(t[0], 0, 1e-6);
  EXPECT_NEAR(t[1], 1, 1e-6);
  EXPECT_NEAR(t[2], 0, 1e-6);
  rotate(0, kHalfPi, 0);
  transformed(1, 0, 0, t);
  EXPECT_NEAR(t[0], 0, 1e-6);
  EXPECT_NEAR(t[1], 0, 1e-6);
  EXPECT_NEAR(t[2], -1, 1e-6);
  rotate(kHalfPi, 0, 0);
  transformed(0, 1, 0, t);
  EXPECT_NEAR(t[0], 0, 1e-6);
  EXPECT_NEAR(t[1], 0, 1e-6);
  EXPECT_NEAR(t[2], 1, 1e-6);
}

TEST(Rotate, DiscardsWhatWasThereButTranslateComposes) {
  init_matrix(omatrix);
  translate(0, 0, 4);
  rotate(0, 0, 0);
  float identity[16];
  init_matrix(identity);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(omatrix[i], identity[i]) << "index " << i;

  // Turned first, then shifted: (1, 0, 0) goes to (0, 1, 0), then to (1, 1, 0).
  rotate(0, 0, kHalfPi);
  translate(1, 0, 0);
  float t[4];
  transformed(1, 0, 0, t);
  EXPECT_NEAR(t[0], 1, 1e-6);
  EXPECT_NEAR(t[1], 1, 1e-6);
  EXPECT_NEAR(t[2], 0, 1e-6);
  EXPECT_EQ(t[3], 1.0f);
}

TEST(Translate, AccumulatesInRowThree) {
  init_matrix(omatrix);
  translate(1, 0, 0);
  translate(1, 0, 0);
  EXPECT_EQ(omatrix[12], 2.0f);
  EXPECT_EQ(omatrix[13], 0.0f);
  EXPECT_EQ(omatrix[15], 1.0f);
}

TEST(DrawSegment, SkipsSegmentsWithAnUnplacedEnd) {
  SDL_Surface* s = makeSurface(200, 150, 32);
  fill(s, 0, 0, 0);
  drawSegment(s, {10, 10}, kNoPoint);
  drawSegment(s, kNoPoint, {10, 10});
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(s, x, y), 0u) << x << "," << y;
  drawSegment(s, {10, 10}, {20, 10});
  EXPECT_TRUE(isGreen(s, 10, 10));
  EXPECT_TRUE(isGreen(s, 20, 10));
  SDL_FreeSurface(s);
}

TEST(DrawSegment, FarEndsStillDrawTheVisiblePart) {
  SDL_Surface* s = makeSurface(200, 150, 32);
  fill(s, 0, 0, 0);
  // 100050 narrowed to 16 bits would be -31022 and the line would run left.
  drawSegment(s, {50, 75}, {100050, 75});
  EXPECT_TRUE(isGreen(s, 50, 75));
  EXPECT_TRUE(isGreen(s, 199, 75));
  EXPECT_FALSE(isGreen(s, 49, 75));
  EXPECT_FALSE(isGreen(s, 10, 75));
  // Both ends far off, on the diagonal y = x - 25 through the buffer.
  drawSegment(s, {-99900, -99925}, {100100, 100075});
  EXPECT_TRUE(isGreen(s, 30, 5));
  EXPECT_TRUE(isGreen(s, 174, 149));
  EXPECT_FALSE(isGreen(s, 30, 50));
  // Far off and missing the buffer altogether.
  fill(s, 0, 0, 0);
  drawSegment(s, {-50000, -10}, {50000, -10});
  drawSegment(s, {-70000, 40000}, {70000, 100000});
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(s, x, y), 0u) << x << "," << y;
  SDL_FreeSurface(s);
}

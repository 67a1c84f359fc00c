#include "render/math_3d.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/extra.h"

// --- the current transform ---
float omatrix[16];

namespace {
// Box to which far segment ends are cut before line() gets them: it narrows
// to 16 bits, and the line clipper multiplies coordinate differences, so ends
// stay within a few thousand pixels of the buffer.
constexpr double kSegmentLimit = 4096.0;

#if !defined(__SSE2__)
// INT32_MIN itself is kept free for kNoPoint.
bool fitsInt(double v) { return v > -2147483648.0 && v <= 2147483647.0; }
#endif

void copyMatrix(const float* from, float* to) {
  for (int i = 0; i < 16; ++i) to[i] = from[i];
}

// Liang–Barsky: cuts the segment to the box ±kSegmentLimit; false if none of
// it lies inside.
bool cutToLimit(double& x0, double& y0, double& x1, double& y1) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 + kSegmentLimit, kSegmentLimit - x0, y0 + kSegmentLimit,
                       kSegmentLimit - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    double r = q[k] / p[k];
    if (p[k] < 0.0) {
      if (r > t1) return false;
      if (r > t0) t0 = r;
    } else {
      if (r < t0) return false;
      if (r < t1) t1 = r;
    }
  }
  const double ox = x0, oy = y0;
  x0 = ox + t0 * dx;
  y0 = oy + t0 * dy;
  x1 = ox + t1 * dx;
  y1 = oy + t1 * dy;
  return true;
}
}  // namespace

bool isProjected(Point2d p) { return p.x != kNoPoint.x || p.y != kNoPoint.y; }

void init_matrix(float* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void mul_vector(const float* v, const float* m, float* out) {
  for (int i = 0; i < 4; ++i) {
    float sum = 0.0f;
    for (int k = 0; k < 4; ++k) sum = sum + v[k] * m[4 * k + i];
    out[i] = sum;
  }
}

void mul_matrix(const float* a, const float* b, float* out) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      out[4 * i + j] = 0.0f;
      for (int k = 0; k < 4; ++k) out[4 * i + j] = out[4 * i + j] + a[4 * i + k] * b[4 * k + j];
    }
}

void translate(float x, float y, float z) {
  float t[16], product[16];
  init_matrix(t);
  t[12] = x;
  t[13] = y;
  t[14] = z;
  mul_matrix(omatrix, t, product);
  copyMatrix(product, omatrix);
}

void rotate(float ax, float ay, float az) {
  const float sx = static_cast<float>(std::sin(double(ax)));
  const float cx = static_cast<float>(std::cos(double(ax)));
  const float sy = static_cast<float>(std::sin(double(ay)));
  const float cy = static_cast<float>(std::cos(double(ay)));
  const float sz = static_cast<float>(std::sin(double(az)));
  const float cz = static_cast<float>(std::cos(double(az)));
  const float rx[16] = {1, 0, 0, 0, 0, cx, sx, 0, 0, -sx, cx, 0, 0, 0, 0, 1};
  const float ry[16] = {cy, 0, -sy, 0, 0, 1, 0, 0, sy, 0, cy, 0, 0, 0, 0, 1};
  const float rz[16] = {cz, sz, 0, 0, -sz, cz, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float identity[16], withY[16], withYX[16];
  init_matrix(identity);
  mul_matrix(identity, ry, withY);
  mul_matrix(withY, rx, withYX);
  mul_matrix(withYX, rz, omatrix);
}

#if defined(__SSE2__)
namespace {
// The current transform's rows: x, y, depth (and w) of what one unit along
// each axis, and the shift, add.
struct MatrixRows {
  __m128 r0, r1, r2, r3;
};

MatrixRows matrixRows() {
  return {_mm_loadu_ps(omatrix), _mm_loadu_ps(omatrix + 4), _mm_loadu_ps(omatrix + 8),
          _mm_loadu_ps(omatrix + 12)};
}

// project() with the rows at hand. The lanes hold x, y and depth, each
// summed as mul_vector sums it: 0, then x·m, y·m, z·m and the shift, in that
// order. Both quotients come from one division, each lane rounded as a lone
// divide; the truncating conversion cuts toward zero (75 - 85.33 gives -10)
// and yields INT32_MIN for anything it cannot hold, which is just where the
// cut value would not fit an int or would be INT32_MIN itself.
inline Point2d projectWith(const MatrixRows& m, Point3d p) {
  __m128 t = _mm_add_ps(_mm_setzero_ps(), _mm_mul_ps(_mm_set1_ps(p.x), m.r0));
  t = _mm_add_ps(t, _mm_mul_ps(_mm_set1_ps(p.y), m.r1));
  t = _mm_add_ps(t, _mm_mul_ps(_mm_set1_ps(p.z), m.r2));
  t = _mm_add_ps(t, m.r3);
  const float tz = _mm_cvtss_f32(_mm_shuffle_ps(t, t, _MM_SHUFFLE(2, 2, 2, 2)));
  if (tz == 0.0f) return kNoPoint;
  const __m128d q =
      _mm_div_pd(_mm_mul_pd(_mm_cvtps_pd(t), _mm_set1_pd(256.0)), _mm_set1_pd(double(tz)));
  const __m128i xy = _mm_cvttpd_epi32(_mm_add_pd(q, _mm_set_pd(75.0, 100.0)));
  const int32_t x = _mm_cvtsi128_si32(xy), y = _mm_cvtsi128_si32(_mm_srli_si128(xy, 4));
  if (x == INT32_MIN || y == INT32_MIN) return kNoPoint;
  return {x, y};
}
}  // namespace

Point2d project(Point3d p) { return projectWith(matrixRows(), p); }

void projectPoints(const Point3d* points, Point2d* out, int n) {
  const MatrixRows m = matrixRows();
  for (int i = 0; i < n; ++i) out[i] = projectWith(m, points[i]);
}
#else
Point2d project(Point3d p) {
  // mul_vector's sums for x, y and depth, term by term in its order; w is
  // not needed, and 1·m is m exactly.
  const float* m = omatrix;
  const float tx = 0.0f + p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
  const float ty = 0.0f + p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
  const float tz = 0.0f + p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
  if (tz == 0.0f) return kNoPoint;
  // Both cut toward zero, not down: 75 - 85.33 gives -10.
  const double sx = std::trunc(double(tx) * 256.0 / tz + 100.0);
  const double sy = std::trunc(double(ty) * 256.0 / tz + 75.0);
  if (!fitsInt(sx) || !fitsInt(sy)) return kNoPoint;
  return {static_cast<int32_t>(sx), static_cast<int32_t>(sy)};
}

void projectPoints(const Point3d* points, Point2d* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = project(points[i]);
}
#endif

void drawSegment(SDL_Surface* surface, Point2d a, Point2d b) {
  if (!surface || !isProjected(a) || !isProjected(b)) return;
  auto near = [](Point2d p) {
    return std::abs(double(p.x)) <= kSegmentLimit && std::abs(double(p.y)) <= kSegmentLimit;
  };
  if (near(a) && near(b)) {
    line(surface, a.x, a.y, b.x, b.y);
    return;
  }
  double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
  if (!cutToLimit(x0, y0, x1, y1)) return;
  line(surface, static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0)),
       static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1)));
}

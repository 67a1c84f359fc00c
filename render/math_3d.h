// The small 3D pipeline of the wire-frame box effects: one current transform,
// row vectors (a point v becomes v·M, so in a·b the transform a acts first,
// and a translation sits in row 3), and a perspective projection straight to
// pixels of the 200×150 box buffer. Matrices are 16 floats, row-major
// (row r, column c at 4r + c); vectors are 4 floats (x, y, z, w).
#pragma once
#include <SDL/SDL.h>

#include <cstdint>

struct Point3d {
  float x, y, z;  // model space
};

// A pixel of the box buffer, origin top left, y down.
struct Point2d {
  int32_t x, y;
};

constexpr int kObjectPoints = 150;

// One wire-frame figure; its users pair the points into segments by index.
struct Object3d {
  Point3d points[kObjectPoints];
  Point2d projected[kObjectPoints];  // this frame's project() of points[i]
};

// What project() gives for a point it cannot place: depth exactly 0, or a
// coordinate beyond the int range. Segments with such an end are skipped.
constexpr Point2d kNoPoint = {INT32_MIN, INT32_MIN};
bool isProjected(Point2d p);

// The current transform; zero until a client calls init_matrix on it.
extern float omatrix[16];

void init_matrix(float* m);
// out = v·m
void mul_vector(const float* v, const float* m, float* out);
// out = a·b; out must be neither a nor b (it is accumulated in place).
void mul_matrix(const float* a, const float* b, float* out);
// omatrix = omatrix·T: the shift acts after everything already there.
void translate(float x, float y, float z);
// omatrix = Ry(ay)·Rx(ax)·Rz(az), angles in radians; discards the old
// omatrix. A point turns about Y first, then X, then Z; with y down, a
// positive az turns the picture clockwise.
void rotate(float ax, float ay, float az);
// The pixel at which p is seen through omatrix: focal length 256 pixels,
// centre (100, 75), cut toward zero. A depth below 0 mirrors the point
// through the centre.
Point2d project(Point3d p);
// out[i] = project(points[i]) for i < n, the transform read once.
void projectPoints(const Point3d* points, Point2d* out, int n);

// A green line between two projected points. Skipped if either end is
// kNoPoint; ends far off the surface are first cut back along the segment so
// that the 16-bit coordinates of the line drawer cannot wrap.
void drawSegment(SDL_Surface* surface, Point2d a, Point2d b);

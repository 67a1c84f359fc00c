#include "effects/grid.h"

#include <SDL/sge.h>

#include <cmath>

#include "demo/state.h"
#include "effects/cube.h"
#include "render/gfx.h"

// --- grid state ---
namespace grid_detail {
Object3d grid;
Object3d tmpgrid;
int32_t gridz[100];
// Starts below the near turn, so the first frame snaps to 3.3.
float zdepth = -0.3f;
int32_t speedzdepth = 1;
}  // namespace grid_detail

namespace {
using namespace grid_detail;

constexpr int kColumns = 25;  // the last one keeps its start-up depth for ever
constexpr int kRungs = 24;    // per gap, y = -5 .. 6.5 in half units
constexpr float kNearDepth = 3.3f, kFarDepth = 20.0f;
}  // namespace

void grid_detail::initGrid() {
  for (int c = 0; c < kColumns; ++c) {
    const int i = 2 * c;
    gridz[i] = 10 * i;
    const float x = static_cast<float>(0.15 * i - 3);
    const float z = static_cast<float>(0.5 * std::sin(0.05 * gridz[i]));
    grid.points[i] = {x, -5.0f, z};
    grid.points[i + 1] = {x, 6.0f, z};
  }
}

namespace {
// The grid turned by `alpha`, moved and waved; drawn into `box` unless that
// is null, when only the points kept in grid and tmpgrid are projected.
void waveGrid(float alpha, SDL_Surface* box) {
  rotate(0.0f, 2 * alpha, 2 * alpha);

  // One unit of depth per second, turning at both ends.
  zdepth = static_cast<float>(zdepth + dt * 0.01 * speedzdepth);
  if (zdepth > kFarDepth) {
    zdepth = kFarDepth;
    speedzdepth = -1;
  } else if (zdepth < kNearDepth) {
    zdepth = kNearDepth;
    speedzdepth = 1;
  }
  translate(-0.5f, -0.1f, zdepth);

  // Each column's two ends and its rungs' ends are projected together, then
  // drawn in the same order as ever: the column, then its rungs top down.
  Point3d ends[2 + 2 * kRungs];
  Point2d seen[2 + 2 * kRungs];
  for (int c = 0; c + 1 < kColumns; ++c) {
    const int i = 2 * c;
    // Whole phase steps only: frames under 9 ms leave the wave standing.
    gridz[i] = static_cast<int32_t>(std::trunc(gridz[i] + dt * 1.2));
    const float z = static_cast<float>(0.3 * std::sin(0.05 * gridz[i]));
    grid.points[i].z = z;
    grid.points[i + 1].z = z;
    ends[0] = grid.points[i];
    ends[1] = grid.points[i + 1];
    // The next column's depth is still last frame's (or, for the last
    // column, its start-up depth): the rungs lag the wave by one column.
    for (int j = 0; j < kRungs; ++j) {
      const float y = static_cast<float>(-5 + 0.5 * j);
      ends[2 + 2 * j] = {grid.points[i].x, y, grid.points[i].z};
      ends[3 + 2 * j] = {grid.points[i + 2].x, y, grid.points[i + 2].z};
    }
    if (box) {
      projectPoints(ends, seen, 2 + 2 * kRungs);
      drawSegment(box, seen[0], seen[1]);
      for (int j = 0; j < kRungs; ++j) drawSegment(box, seen[2 + 2 * j], seen[3 + 2 * j]);
    } else {
      // Each point is projected on its own: the column's ends and the last
      // rung's come out as in the full pass.
      projectPoints(ends, seen, 2);
      projectPoints(ends + 2 * kRungs, seen + 2 * kRungs, 2);
    }
    grid.projected[i] = seen[0];
    grid.projected[i + 1] = seen[1];
    for (int k = 0; k < 2; ++k) {
      tmpgrid.points[k] = ends[2 * kRungs + k];
      tmpgrid.projected[k] = seen[2 * kRungs + k];
    }
  }
}
}  // namespace

// Spin by frames, like the cube; travel and wave follow the clock (dt).
void drawGrid() { waveGrid(cube_detail::startSpinFrame(), demoboxBuffer); }

void advanceGrid() { waveGrid(cube_detail::stepSpin(), nullptr); }

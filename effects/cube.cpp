#include "effects/cube.h"

#include "demo/state.h"
#include "effects/grid.h"
#include "render/extra.h"
#include "render/gfx.h"

// --- cube state ---
namespace cube_detail {
Object3d cube_3d;
float ax = 0.0f;
float alpha = 0.0f;
}  // namespace cube_detail

namespace {
using cube_detail::cube_3d;

// Corner pairs: the face at z = 0.5, the face at z = -0.5, then the four
// edges joining them.
constexpr int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                               {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
}  // namespace

void initCube() {
  grid_detail::initGrid();
  const Point3d corners[8] = {{-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f},   {0.5f, 0.5f, 0.5f},
                              {-0.5f, 0.5f, 0.5f},  {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f},
                              {0.5f, 0.5f, -0.5f},  {-0.5f, 0.5f, -0.5f}};
  for (int i = 0; i < 8; ++i) cube_3d.points[i] = corners[i];
}

float cube_detail::startSpinFrame() {
  if (demoboxBuffer && screen)
    fillRect(demoboxBuffer, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  return stepSpin();
}

float cube_detail::stepSpin() {
  // A fixed step per frame: the spin follows the frame rate, not the clock.
  ax = ax + 0.51f;
  init_matrix(omatrix);
  // The show's own degrees-to-radians factor, a little under pi/180.
  alpha = static_cast<float>(ax * 0.01745273696388889);
  return alpha;
}

namespace {
// The cube turned by `alpha` and projected; its edges drawn into `box` unless
// that is null.
void spinCube(float alpha, SDL_Surface* box) {
  rotate(0.0f, 2 * alpha, 5 * alpha);
  // Turning happens about the cube's own centre, before this shift puts it
  // 4 units in front of the eye, a little left and up.
  translate(-0.5f, -0.1f, 4.0f);
  projectPoints(cube_3d.points, cube_3d.projected, 8);
  if (!box) return;
  for (const auto& e : kEdges) drawSegment(box, cube_3d.projected[e[0]], cube_3d.projected[e[1]]);
}
}  // namespace

void drawCube() { spinCube(cube_detail::startSpinFrame(), demoboxBuffer); }

void advanceCube() { spinCube(cube_detail::stepSpin(), nullptr); }

// Frames whose box the effect change covers with noise move the effects'
// state without drawing them. The frames must come out as if drawn in full.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/transitions.h"
#include "effects/balls.h"
#include "effects/barscroller.h"
#include "effects/colourfilters.h"
#include "effects/cube.h"
#include "effects/flag.h"
#include "effects/grid.h"
#include "effects/plasma.h"
#include "effects/sinscroller.h"
#include "effects/snowfall.h"
#include "effects/stars.h"
#include "effects/tunnel.h"
#include "effects/tvfilters.h"
#include "render/gfx.h"
#include "render/math_3d.h"
#include "render/random.h"
#include "tests/support.h"

namespace {
// --- whole frames across each change, drawn both ways ---

uint64_t digest(const void* data, size_t n, uint64_t h = 1469598103934665603ull) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

template <typename T>
uint64_t digestOf(const T& v, uint64_t h) {
  return digest(&v, sizeof v, h);
}

uint64_t surfaceDigest(SDL_Surface* s) {
  const std::vector<Uint32> words = allPixels(s);
  uint64_t h = digest(words.data(), words.size() * sizeof(Uint32));
  // The key decides which box pixels reach the screen on later frames.
  h = digestOf(s->flags & SDL_SRCCOLORKEY, h);
  return digestOf(s->format->colorkey, h);
}

// Everything the box's effects and filters carry from frame to frame.
uint64_t stateDigest() {
  uint64_t h = digestOf(stars_detail::stars, 1);
  h = digestOf(cube_detail::cube_3d, h);
  h = digestOf(cube_detail::ax, h);
  h = digestOf(cube_detail::alpha, h);
  h = digestOf(omatrix, h);
  h = digestOf(grid_detail::grid, h);
  h = digestOf(grid_detail::tmpgrid, h);
  h = digestOf(grid_detail::gridz, h);
  h = digestOf(grid_detail::zdepth, h);
  h = digestOf(grid_detail::speedzdepth, h);
  h = digestOf(barscroller_detail::amigascroller, h);
  using namespace colourfilters::detail;
  for (int v : {rstart, gstart, bstart, neg_dir, gneg_dir, bneg_dir}) h = digestOf(v, h);
  using namespace tvfilters::detail;
  for (int v : {draw, offset_y, tvOffset_y}) h = digestOf(v, h);
  h = digestOf(amigaball, h);
  h = digestOf(ball, h);
  for (int v : {currentEffect, fadeTo, demoboxTrans, int(demoinvert)}) h = digestOf(v, h);
  return h;
}

struct Frame {
  uint64_t box, screen, state;
  int noise;  // the frame ended with the box in noise
};

// `frames` frames at `fps` from `startMs`, a flash cued on frame `flashAt`;
// then the generator's next numbers as one more frame.
std::vector<Frame> runFrames(double fps, double startMs, int frames, int flashAt) {
  std::vector<Frame> out;
  clockUseVirtual(fps);
  clockSetVirtual(startMs);
  for (int f = 0; f < frames; ++f) {
    if (f == flashAt) {
      demoinvert = 1;
      demoinvertstart = clockTicks();
    }
    runFrame();
    out.push_back(
        {surfaceDigest(demoboxBuffer), surfaceDigest(screen), stateDigest(), demoboxTrans > 0});
    clockPaceFrame();
  }
  int next[64];
  showRandFill(next, 64);
  out.push_back({digest(next, sizeof next), 0, 0, 0});
  return out;
}

// The same frames drawn in full, in a copy of this process from this moment.
std::vector<Frame> runFramesInFull(double fps, double startMs, int frames, int flashAt) {
  std::vector<Frame> out(frames + 1);
  int fd[2];
  if (pipe(fd) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fd[0]);
    transitions::detail::hideCoveredDrawing = false;
    const std::vector<Frame> full = runFrames(fps, startMs, frames, flashAt);
    const char* p = reinterpret_cast<const char*>(full.data());
    size_t left = full.size() * sizeof(Frame);
    while (left > 0) {
      const ssize_t n = write(fd[1], p, left);
      if (n <= 0) _exit(1);
      p += n;
      left -= size_t(n);
    }
    _exit(0);
  }
  close(fd[1]);
  char* p = reinterpret_cast<char*>(out.data());
  size_t got = 0;
  while (got < out.size() * sizeof(Frame)) {
    const ssize_t n = read(fd[0], p + got, out.size() * sizeof(Frame) - got);
    if (n <= 0) break;
    got += size_t(n);
  }
  close(fd[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got != out.size() * sizeof(Frame) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return {};
  return out;
}

class HiddenBox : public ::testing::Test {
 protected:
  void SetUp() override {
    testDisplay();
    resetShowState();
    // The show's own pictures and start values, without the song.
    preparePictures();
    showRandSeed(1);
    currentScene = 1;
  }
  void TearDown() override {
    clockUseReal();
    resetShowState();
  }
};

TEST_F(HiddenBox, EveryChangeLeavesFramesAndStateAsDrawnInFull) {
  ASSERT_TRUE(demoboxBuffer && img_psycho && amigabars_gfx[0] && ball.frames[0]);
  // Each change from its effect's own frames through its noise and a few
  // frames after; three of them under the roll, every one with a flash
  // during the noise. Frame rates 60, 24 and 144 give steps of 8, 21 and 3.
  struct Run {
    double fps, startMs;
    int effect, frames;
  };
  const Run runs[] = {{60, 36950, 0, 75},   {24, 52950, 1, 35}, {144, 66950, 2, 190},
                      {60, 82950, 3, 75},   {24, 95950, 4, 35}, {60, 112950, 5, 75},
                      {144, 124950, 6, 190}};
  for (const Run& r : runs) {
    SCOPED_TRACE(::testing::Message() << "change from effect " << r.effect);
    currentEffect = r.effect;
    demoboxTrans = 0;
    td = static_cast<Uint32>(r.startMs) - 20;
    const std::vector<Frame> full = runFramesInFull(r.fps, r.startMs, r.frames, r.frames / 4);
    const std::vector<Frame> hidden = runFrames(r.fps, r.startMs, r.frames, r.frames / 4);
    ASSERT_EQ(full.size(), hidden.size());
    EXPECT_EQ(currentEffect, r.effect + 1);
    EXPECT_EQ(demoboxTrans, 0);  // the change ran to its end
    // Most frames of the run were noise, and so went undrawn.
    int noise = 0;
    for (const Frame& f : hidden) noise += f.noise;
    EXPECT_GT(noise, r.frames / 2);
    for (size_t f = 0; f < full.size(); ++f) {
      SCOPED_TRACE(::testing::Message() << "frame " << f);
      EXPECT_EQ(hidden[f].box, full[f].box);
      EXPECT_EQ(hidden[f].screen, full[f].screen);
      EXPECT_EQ(hidden[f].state, full[f].state);
      EXPECT_EQ(hidden[f].noise, full[f].noise);
    }
  }
}
}  // namespace

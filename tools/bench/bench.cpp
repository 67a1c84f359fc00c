// plupp-bench: runs the whole show once on the virtual clock at 60 frames a
// second, as fast as it can, and prints what each stretch of it costs a frame
// against the cost of copying one full 640×480×4 frame (the least a frame
// that touches the whole screen can cost).
//
// Per stretch: frames, median and worst frame cost in microseconds, the show
// time of the worst frame in seconds, and both costs as a ratio to that
// floor. Last line: the worst median ratio and the whole show's offline speed
// (song rendering included) as a multiple of real time.
#include <SDL/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/player.h"

namespace {
// --- bench state ---
using Clock = std::chrono::steady_clock;
struct Stretch {
  std::vector<double> costs;  // µs, one a frame
  double worst = -1;
  uint32_t worstAtMs = 0;  // show clock of the worst frame
};
std::map<std::string, Stretch> stretches;
struct ShowEnded {};

double microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The stretch a frame belongs to, from the state it was drawn in.
std::string stretchOf(int scene, int effect, int fade, int effectChange, int endFade, uint32_t ms) {
  if (endFade > 0) return "end fade";
  if (fade > 0) return "intro fade";
  if (scene == 0) return "intro";
  if (scene == 2) return ms > 162000 ? "greetings, closing scroller" : "greetings";
  if (scene != 1) return "no scene";
  if (effectChange > 0) return "karaoke, effect change";
  static const char* const names[8] = {"tunnel",         "plasma", "balls",      "bar scroller",
                                       "colour cycling", "cube",   "star field", "wave grid"};
  return std::string("karaoke, ") + (effect >= 0 && effect < 8 ? names[effect] : "?");
}

double memcpyFloor() {
  std::vector<uint8_t> a(640 * 480 * 4, 1), b(640 * 480 * 4);
  std::vector<double> t;
  for (int i = 0; i < 400; ++i) {
    auto start = Clock::now();
    std::memcpy(b.data(), a.data(), a.size());
    t.push_back(microseconds(Clock::now() - start));
    a[i] = b[i + 1];  // keep the copies from being folded away
  }
  return median(t);
}

[[noreturn]] void onShowEnding(int) { throw ShowEnded{}; }
}  // namespace

int main(int argc, char** argv) {
  double untilSeconds = 600;
  if (argc == 3 && std::strcmp(argv[1], "--until") == 0) untilSeconds = std::atof(argv[2]);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  clockUseVirtual(60);
  playerUseOffline();
  showEnding = onShowEnding;

  double floorUs = memcpyFloor();
  auto wallStart = Clock::now();
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !(screen = SDL_SetVideoMode(640, 480, 32, SDL_DOUBLEBUF))) {
    std::fprintf(stderr, "plupp-bench: no display: %s\n", SDL_GetError());
    return 2;
  }
  startShow();
  try {
    while (clockVirtualMs() < untilSeconds * 1000) {
      int scene = currentScene, effect = currentEffect, fade = mainTrans;
      int change = demoboxTrans, endFade = sluttrans;
      uint32_t ms = clockTicks();
      auto start = Clock::now();
      bool goOn = runFrame();
      const double us = microseconds(Clock::now() - start);
      Stretch& stretch = stretches[stretchOf(scene, effect, fade, change, endFade, ms)];
      stretch.costs.push_back(us);
      if (us > stretch.worst) stretch.worst = us, stretch.worstAtMs = ms;
      if (!goOn) break;
      clockPaceFrame();
    }
  } catch (const ShowEnded&) {
  }
  double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  double shown = clockVirtualMs() / 1000.0;

  std::printf("floor: memcpy of one 640x480x4 frame %.1f us\n", floorUs);
  std::printf("%-30s %7s %10s %10s %10s %8s %8s\n", "stretch", "frames", "median_us", "worst_us",
              "worst_at_s", "median/x", "worst/x");
  double worstRatio = 0;
  std::string worstName;
  for (const auto& [name, stretch] : stretches) {
    const double med = median(stretch.costs), worst = stretch.worst;
    std::printf("%-30s %7zu %10.1f %10.1f %10.3f %8.2f %8.2f\n", name.c_str(), stretch.costs.size(),
                med, worst, stretch.worstAtMs / 1000.0, med / floorUs, worst / floorUs);
    if (med / floorUs > worstRatio) worstRatio = med / floorUs, worstName = name;
  }
  std::printf("worst median ratio %.2f (%s); %.1f s of show in %.2f s: %.1f times real time\n",
              worstRatio, worstName.c_str(), shown, wall, wall > 0 ? shown / wall : 0.0);
  return 0;
}

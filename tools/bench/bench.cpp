// plupp-bench: runs the whole show on the virtual clock at 60 frames a
// second, as fast as it can, and prints what each stretch of it costs a frame
// against the cost of copying one full 640×480×4 frame (the least a frame
// that touches the whole screen can cost).
//
// The floor is sampled beside the frames: one timed copy before every fourth
// frame, and each stretch is measured against the median of the copies made
// during it, so a ratio follows the load the machine had at that time
// (another job on the same cores slows the copy as it slows the frame). The
// copy's 2.4 MB push the show's pictures out of the core's cache, and the
// frame right after it costs a quarter more (the tunnel's, measured): those
// frames are played but not counted.
//
// Per stretch: frames, median and worst frame cost in microseconds, the show
// time of the worst frame in seconds, the stretch's floor, and both costs as
// a ratio to it. Last line: the worst median ratio and the whole show's
// offline speed (song rendering included) as a multiple of real time.
//
// --runs N plays the show N times, each in a process of its own (the show
// starts once per process), prints each run's table and then, per stretch,
// the least, median and greatest of the runs' median ratios: a change is
// judged by whether its spread moves, not by one run.
#include <SDL/SDL.h>
#include <unistd.h>

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
  std::vector<double> costs;   // µs, one a frame
  std::vector<double> floors;  // µs of each copy made while the stretch ran
  double worst = -1;
  uint32_t worstAtMs = 0;  // show clock of the worst frame
};
std::map<std::string, Stretch> stretches;
struct ShowEnded {};
// The copy's buffers, made once: the first touch of fresh pages would cost
// more than the copy.
std::vector<uint8_t> floorFrom(640 * 480 * 4, 1), floorTo(640 * 480 * 4);

double microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
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

// One timed copy of a full frame, after an untimed one: the frame before
// leaves the buffers partly out of the cache, by as much as its own working
// set, and the floor would follow the show rather than the machine.
double floorSample() {
  std::memcpy(floorTo.data(), floorFrom.data(), floorFrom.size());
  const auto start = Clock::now();
  std::memcpy(floorTo.data(), floorFrom.data(), floorFrom.size());
  const double us = microseconds(Clock::now() - start);
  floorFrom[size_t(us) % floorFrom.size()] = floorTo[1];  // keeps the copies from being folded away
  return us;
}

[[noreturn]] void onShowEnding(int) { throw ShowEnded{}; }

constexpr int kFloorEvery = 4;  // frames a floor sample

// One run of the show in this process, its table on stdout.
int runOnce(double untilSeconds) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  clockUseVirtual(60);
  playerUseOffline();
  showEnding = onShowEnding;

  auto wallStart = Clock::now();
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !(screen = SDL_SetVideoMode(640, 480, 32, SDL_DOUBLEBUF))) {
    std::fprintf(stderr, "plupp-bench: no display: %s\n", SDL_GetError());
    return 2;
  }
  for (int i = 0; i < 20; ++i) floorSample();  // the pages and the cache settled
  std::vector<double> allFloors;
  startShow();
  try {
    for (long frame = 0; clockVirtualMs() < untilSeconds * 1000; ++frame) {
      int scene = currentScene, effect = currentEffect, fade = mainTrans;
      int change = demoboxTrans, endFade = sluttrans;
      uint32_t ms = clockTicks();
      Stretch& stretch = stretches[stretchOf(scene, effect, fade, change, endFade, ms)];
      const bool sampled = frame % kFloorEvery == 0;
      if (sampled) {
        stretch.floors.push_back(floorSample());
        allFloors.push_back(stretch.floors.back());
      }
      auto start = Clock::now();
      bool goOn = runFrame();
      const double us = microseconds(Clock::now() - start);
      if (!sampled) {
        stretch.costs.push_back(us);
        if (us > stretch.worst) stretch.worst = us, stretch.worstAtMs = ms;
      }
      if (!goOn) break;
      clockPaceFrame();
    }
  } catch (const ShowEnded&) {
  }
  double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  double shown = clockVirtualMs() / 1000.0;

  std::printf("%-30s %7s %10s %10s %10s %8s %8s %8s\n", "stretch", "frames", "median_us",
              "worst_us", "worst_at_s", "floor_us", "median/x", "worst/x");
  double worstRatio = 0;
  std::string worstName;
  for (const auto& [name, stretch] : stretches) {
    if (stretch.costs.empty()) continue;  // only sampled frames: nothing counted
    const double med = median(stretch.costs), worst = stretch.worst;
    // A stretch too short to hold a sample takes the whole run's.
    const double floorUs = median(stretch.floors.empty() ? allFloors : stretch.floors);
    std::printf("%-30s %7zu %10.1f %10.1f %10.3f %8.1f %8.2f %8.2f\n", name.c_str(),
                stretch.costs.size(), med, worst, stretch.worstAtMs / 1000.0, floorUs,
                med / floorUs, worst / floorUs);
    if (med / floorUs > worstRatio) worstRatio = med / floorUs, worstName = name;
  }
  std::printf("worst median ratio %.2f (%s); %.1f s of show in %.2f s: %.1f times real time\n",
              worstRatio, worstName.c_str(), shown, wall, wall > 0 ? shown / wall : 0.0);
  return 0;
}

// --- several runs ---
// A run's table read back: the median ratio of each stretch, and the speed.
struct RunFigures {
  std::map<std::string, double> medianRatio;
  double speed = 0;
};

// Runs the show once in a child process (this program, one run), echoing
// its table; false if it failed.
bool runChild(const std::string& self, double untilSeconds, RunFigures* figures) {
  char command[4096];
  std::snprintf(command, sizeof command, "'%s' --until %.3f", self.c_str(), untilSeconds);
  std::FILE* out = popen(command, "r");
  if (!out) return false;
  char line[512];
  while (std::fgets(line, sizeof line, out)) {
    std::fputs(line, stdout);
    // Name columns may hold spaces: the figures are the last seven fields.
    std::string text(line);
    std::vector<size_t> fieldStarts;
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] != ' ' && text[i] != '\n' && (i == 0 || text[i - 1] == ' '))
        fieldStarts.push_back(i);
    double speed;
    if (std::sscanf(line, "worst median ratio %*f (%*[^)]); %*f s of show in %*f s: %lf", &speed) ==
        1) {
      figures->speed = speed;
      continue;
    }
    if (fieldStarts.size() < 8 || text.rfind("stretch ", 0) == 0) continue;
    const size_t at = fieldStarts[fieldStarts.size() - 7];
    std::string name = text.substr(0, at);
    name.erase(name.find_last_not_of(' ') + 1);
    double frames, med, worst, worstAt, floorUs, ratio, worstRatio;
    if (std::sscanf(line + at, "%lf %lf %lf %lf %lf %lf %lf", &frames, &med, &worst, &worstAt,
                    &floorUs, &ratio, &worstRatio) == 7)
      figures->medianRatio[name] = ratio;
  }
  return pclose(out) == 0;
}

int runMany(const char* self, int runs, double untilSeconds) {
  std::vector<RunFigures> all;
  for (int r = 0; r < runs; ++r) {
    std::printf("run %d of %d\n", r + 1, runs);
    std::fflush(stdout);
    RunFigures figures;
    if (!runChild(self, untilSeconds, &figures)) {
      std::fprintf(stderr, "plupp-bench: run %d failed\n", r + 1);
      return 2;
    }
    all.push_back(figures);
  }
  std::printf("\nspread over %d runs of the median ratio (median frame / floor of its stretch)\n",
              runs);
  std::printf("%-30s %8s %8s %8s\n", "stretch", "least", "median", "most");
  std::map<std::string, std::vector<double>> byStretch;
  for (const RunFigures& f : all)
    for (const auto& [name, ratio] : f.medianRatio) byStretch[name].push_back(ratio);
  for (auto& [name, ratios] : byStretch) {
    std::sort(ratios.begin(), ratios.end());
    std::printf("%-30s %8.2f %8.2f %8.2f\n", name.c_str(), ratios.front(), median(ratios),
                ratios.back());
  }
  std::vector<double> speeds;
  for (const RunFigures& f : all) speeds.push_back(f.speed);
  std::sort(speeds.begin(), speeds.end());
  std::printf("%-30s %8.1f %8.1f %8.1f\n", "times real time", speeds.front(), median(speeds),
              speeds.back());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  double untilSeconds = 600;
  int runs = 0;  // 0: this process plays the show itself
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--until") == 0 && i + 1 < argc) {
      untilSeconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
      if (runs < 1) runs = 1;
    } else {
      std::fprintf(stderr, "usage: plupp-bench [--until SECONDS] [--runs N]\n");
      return 2;
    }
  }
  if (runs == 0) return runOnce(untilSeconds);
  // Children find this program where the kernel says it is.
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  self[n > 0 ? n : 0] = '\0';
  return runMany(n > 0 ? self : argv[0], runs, untilSeconds);
}

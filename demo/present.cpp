#include "demo/present.h"

#include <SDL/SDL.h>
#include <sys/resource.h>

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/clock.h"
#include "demo/state.h"
#include "render/gfx.h"

PresentOptions presentOptions;

namespace {
// --- display state ---
constexpr int kShowW = 640, kShowH = 480;
SDL_Surface* display = nullptr;  // null: `screen` is the display (tests)
Presentation shown{};
int desktopW = 0, desktopH = 0;  // as the desktop was before our first mode
bool compat = false;             // running on sdl12-compat
bool virtualDisplay = false;     // SDL's dummy driver: nobody watches
bool held = false;               // flips show nothing

// --- pacing probe: flips measured after each mode change ---
using Clock = std::chrono::steady_clock;
constexpr int kProbeSkip = 3;         // the first flips of a mode are its set-up
constexpr int kProbeFlips = 30;       // then this many, made without waiting
constexpr double kProbePeriodMs = 1;  // the clock then waits at most half a millisecond
int probeAt = 0;                      // flips since the mode was set; past the end: done
std::vector<double> probeIntervals, probeFlips;
Clock::time_point lastFlipEnd;
double followedPeriodMs = 0;  // the display's period while its flips pace the show
int shortIntervals = 0;       // followed flips in a row that came far too soon

// --- figures for --stats, from the first flip on (start-up left out) ---
long flipCount = 0;
Clock::time_point firstFlip;
double cpuAtFirstFlipMs = 0;

double msBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double cpuMs() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

void setEnv(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

bool setMode(const Presentation& p) {
  if (compat) {
    // Read by sdl12-compat as the mode is set (the filter by SDL2 as the
    // texture is made): a window's whole enlargement stays nearest, exact
    // blocks; a full screen fitted from a whole enlargement is linear.
    setEnv("SDL12COMPAT_WINDOW_SCALING", std::to_string(p.libraryScale));
    setEnv("SDL_RENDER_SCALE_QUALITY", p.smooth ? "linear" : "nearest");
  }
  const Uint32 flags = SDL_DOUBLEBUF | (p.fullScreen ? SDL_FULLSCREEN : 0);
  SDL_Surface* d = SDL_SetVideoMode(p.modeW, p.modeH, 32, flags);
  if (!d) return false;
  display = d;
  shown = p;
  SDL_ShowCursor(p.fullScreen ? SDL_DISABLE : SDL_ENABLE);
  // The bars: the whole surface black once, the picture then covers the rest.
  SDL_FillRect(display, nullptr, 0);
  probeAt = 0;
  probeIntervals.clear();
  probeFlips.clear();
  followedPeriodMs = 0;
  clockFollowDisplay(virtualDisplay ? 0 : kProbePeriodMs);
  return true;
}

void openMode(PresentMode mode) {
  const Presentation p = presentationFor(mode, presentOptions.scale, desktopW, desktopH, compat);
  if (setMode(p)) return;
  std::fprintf(stderr, "plupp: cannot open a %dx%d %s (%s)%s\n", p.modeW, p.modeH,
               p.fullScreen ? "full screen" : "window", SDL_GetError(),
               p.fullScreen ? "; staying in the window" : "");
}

// Watches the flips: first the probe that tells whether the display paces
// them, then, while it does, that it still does (a hidden window, say, may
// stop waiting for the display).
void watchPacing(double flipMs, double intervalMs) {
  if (virtualDisplay) return;
  ++probeAt;
  if (probeAt <= kProbeSkip) return;
  if (probeAt <= kProbeSkip + kProbeFlips) {
    probeIntervals.push_back(intervalMs);
    probeFlips.push_back(flipMs);
    if (probeAt < kProbeSkip + kProbeFlips) return;
    const double period =
        displayPeriodFrom(probeIntervals.data(), probeFlips.data(), int(probeIntervals.size()));
    // Faster displays show the show's 60 steps a second on whole refreshes;
    // 60 Hz and slower ones set the pace themselves.
    followedPeriodMs = period >= 1000.0 / 63 ? period : 0;
    clockFollowDisplay(followedPeriodMs);
    shortIntervals = 0;
    return;
  }
  if (followedPeriodMs <= 0) return;
  // Unpaced, a frame comes after the clock's half-period wait plus its
  // drawing: well under the period, while a flip that waits is near it.
  shortIntervals = intervalMs < followedPeriodMs * 0.75 ? shortIntervals + 1 : 0;
  if (shortIntervals >= kProbeFlips) {
    followedPeriodMs = 0;
    clockFollowDisplay(0);
  }
}
}  // namespace

namespace present::detail {
// A row is widened once and copied to the rows under it.
void enlargeInto(SDL_Surface* dst, const SDL_Surface* src, const Presentation& p) {
  assert(src->w == kShowW && src->h == kShowH && src->format->BytesPerPixel == 4);
  const int f = p.factor;
  assert(p.x >= 0 && p.y >= 0 && p.x + kShowW * f <= dst->w && p.y + kShowH * f <= dst->h &&
         "enlargeInto: the picture must fit the display surface");
  const size_t rowBytes = size_t(kShowW) * f * 4;
  for (int y = 0; y < kShowH; ++y) {
    const Uint32* in =
        reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(src->pixels) + y * src->pitch);
    Uint8* first = static_cast<Uint8*>(dst->pixels) + size_t(p.y + y * f) * dst->pitch + p.x * 4;
    if (f == 1) {
      std::memcpy(first, in, rowBytes);
      continue;
    }
    Uint32* out = reinterpret_cast<Uint32*>(first);
    for (int x = 0; x < kShowW; ++x)
      for (int i = 0; i < f; ++i) *out++ = in[x];
    for (int i = 1; i < f; ++i) std::memcpy(first + size_t(i) * dst->pitch, first, rowBytes);
  }
}

}  // namespace present::detail

int windowScaleFor(int w, int h) {
  int k = 1;
  while (kShowW * (k + 1) + kWindowRoomW <= w && kShowH * (k + 1) + kWindowRoomH <= h) ++k;
  return k;
}

Presentation presentationFor(PresentMode mode, int scale, int w, int h, bool onCompat) {
  if (mode == PresentMode::Window || w <= 0 || h <= 0) {
    const int k = scale > 0 ? scale : windowScaleFor(w, h);
    if (onCompat) return {kShowW, kShowH, false, 1, 0, 0, k, false};
    return {kShowW * k, kShowH * k, false, k, 0, 0, 1, false};
  }
  // The tallest 4:3 picture the desktop holds, and the whole enlargement
  // under it.
  const int pictureH = std::min(h, w * 3 / 4);
  const int whole = std::max(1, pictureH / kShowH);
  if (!onCompat) {
    // Our own code only enlarges by whole factors: centred, bars all round.
    return {w, h, true, whole, (w - kShowW * whole) / 2, (h - kShowH * whole) / 2, 1, false};
  }
  // The library fits the display surface to the height itself. A whole fit is
  // left to it, nearest; otherwise it gets the whole enlargement and stretches
  // that the last bit linearly: edges a pixel soft, columns all one width.
  if (pictureH % kShowH == 0) return {kShowW, kShowH, true, 1, 0, 0, 1, false};
  return {kShowW * whole, kShowH * whole, true, whole, 0, 0, 1, true};
}

double displayPeriodFrom(const double* intervals, const double* flips, int n) {
  if (n < 5) return 0;
  std::vector<double> iv(intervals, intervals + n), fl(flips, flips + n);
  std::sort(iv.begin(), iv.end());
  const double mid = iv[size_t(n) / 2];
  const double spread = iv[size_t(n) * 3 / 4] - iv[size_t(n) / 4];
  // A display from 45 to 160 Hz, flips steady to a tenth of the period and
  // most of each frame spent waiting in them; a slow software renderer is
  // neither steady nor waiting, and then our own clock paces.
  const bool rate = mid >= 6.2 && mid <= 22.3;
  const bool steady = spread <= 0.1 * mid;
  const bool waited = median(fl) >= 0.4 * mid;
  return rate && steady && waited ? mid : 0;
}

bool presentOpen() {
  const SDL_VideoInfo* info = SDL_GetVideoInfo();  // before a mode: the desktop's
  if (info) {
    desktopW = info->current_w;
    desktopH = info->current_h;
  }
  const SDL_version* v = SDL_Linked_Version();
  compat = v && v->major == 1 && v->minor == 2 && v->patch >= 50;
  char driver[32] = "";
  SDL_VideoDriverName(driver, sizeof driver);
  virtualDisplay = std::strcmp(driver, "dummy") == 0;
  // Tear-free where the display allows; a viewer's own setting stands.
  setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);

  PresentMode mode = virtualDisplay ? PresentMode::Window : presentOptions.mode;
  if (virtualDisplay) presentOptions.scale = 1;
  openMode(mode);
  if (!display && mode == PresentMode::FullScreen) openMode(PresentMode::Window);
  if (!display) {
    std::fprintf(stderr, "plupp: cannot open a 640x480x32 display: %s\n", SDL_GetError());
    return false;
  }
  screen = makeShowScreen();
  return screen != nullptr;
}

void presentHold(bool hold) { held = hold; }

void presentFrame() {
  if (held) return;
  if (!display) {
    SDL_Flip(screen);
    return;
  }
  const Clock::time_point start = Clock::now();
  if (SDL_MUSTLOCK(display) && SDL_LockSurface(display) < 0) return;
  present::detail::enlargeInto(display, screen, shown);
  if (SDL_MUSTLOCK(display)) SDL_UnlockSurface(display);
  SDL_Flip(display);
  const Clock::time_point end = Clock::now();
  if (flipCount++ == 0) {
    firstFlip = end;
    cpuAtFirstFlipMs = cpuMs();
  } else
    watchPacing(msBetween(start, end), msBetween(lastFlipEnd, end));
  lastFlipEnd = end;
}

void presentToggleFullScreen() {
  if (!display) {
    SDL_WM_ToggleFullScreen(screen);
    return;
  }
  if (virtualDisplay) {
    SDL_WM_ToggleFullScreen(display);
    return;
  }
  openMode(shown.fullScreen ? PresentMode::Window : PresentMode::FullScreen);
}

void presentReport() {
  if (!presentOptions.stats || flipCount < 2) return;
  const double cpu = cpuMs() - cpuAtFirstFlipMs, wall = msBetween(firstFlip, lastFlipEnd);
  const long frames = flipCount - 1;
  std::string pacing = "paced by the show's clock, 60 a second";
  if (followedPeriodMs > 0)
    pacing = "paced by the display, " + std::to_string(int(1000 / followedPeriodMs + 0.5)) + " Hz";
  // The process's CPU: drawing, presenting and the sound thread; not the
  // display server's.
  std::fprintf(stderr,
               "plupp: %ld frames in %.1f s, %.1f a second; %.2f ms of CPU a frame, %.1f%% of a "
               "core; %dx%d %s, enlarged %dx; %s\n",
               frames, wall / 1000, frames * 1000.0 / wall, cpu / frames, cpu / wall * 100,
               shown.modeW * shown.libraryScale, shown.modeH * shown.libraryScale,
               shown.fullScreen ? "full screen" : "window", shown.factor * shown.libraryScale,
               pacing.c_str());
}

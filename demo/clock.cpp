#include "demo/clock.h"

#include <SDL/SDL.h>

#include <cmath>
#include <cstdint>

namespace {
// --- clock state ---
bool virtualClock = false;
double virtualFps = 60.0;
double virtualMs = 0.0;        // current virtual time, milliseconds
double realDeadlineMs = 0.0;   // when the current real frame's 1/60 s is up
double displayPeriodMs = 0.0;  // > 0 while the display's flips pace the frames
double lastPacedMs = 0.0;      // when the last frame left clockPaceFrame
int64_t realOffsetMs = 0;      // show clock minus SDL_GetTicks

constexpr double kFrameMs = 1000.0 / 60.0;

void advanceVirtual(double toMs) {
  double from = virtualMs;
  virtualMs = toMs;
  if (clockAdvanced && toMs > from) clockAdvanced(from, toMs);
}
}  // namespace

uint32_t clockTicks() {
  if (virtualClock) return static_cast<uint32_t>(virtualMs);
  return static_cast<uint32_t>(SDL_GetTicks() + realOffsetMs);
}

void clockDelay(uint32_t ms) {
  if (virtualClock) {
    advanceVirtual(virtualMs + ms);
    return;
  }
  SDL_Delay(ms);
}

void clockPaceFrame() {
  if (virtualClock) {
    // Next frame boundary strictly after now: frame k starts at k*1000/fps ms.
    double frame = std::floor(virtualMs * virtualFps / 1000.0 + 1e-9) + 1.0;
    advanceVirtual(frame * 1000.0 / virtualFps);
    return;
  }
  // Deadlines advance by exact 1/60 s so frames average 60 a second even
  // though SDL_Delay counts whole milliseconds. A frame that overran starts a
  // fresh schedule rather than rushing the next ones to catch up.
  double now = SDL_GetTicks();
  if (displayPeriodMs > 0) {
    // The flip has already waited for the display; waiting here as well
    // would miss its next refresh.
    const double earliest = lastPacedMs + displayPeriodMs / 2;
    if (earliest > now) SDL_Delay(static_cast<uint32_t>(earliest - now));
    lastPacedMs = SDL_GetTicks();
    realDeadlineMs = lastPacedMs;
    return;
  }
  realDeadlineMs += kFrameMs;
  if (realDeadlineMs < now - kFrameMs || realDeadlineMs > now + 2 * kFrameMs)
    realDeadlineMs = now + kFrameMs;
  if (realDeadlineMs > now) SDL_Delay(static_cast<uint32_t>(realDeadlineMs - now));
}

void clockFollowDisplay(double periodMs) {
  displayPeriodMs = periodMs > 0 ? periodMs : 0;
  lastPacedMs = SDL_GetTicks();
}

void clockUseVirtual(double fps) {
  virtualClock = true;
  virtualFps = fps > 0 ? fps : 60.0;
  virtualMs = 0.0;
}

void clockSetVirtual(double ms) {
  virtualClock = true;
  virtualMs = ms;
}

void clockUseReal() {
  virtualClock = false;
  realOffsetMs = 0;
}

void clockUseRealFrom(double ms) {
  virtualClock = false;
  realOffsetMs = static_cast<int64_t>(ms) - int64_t(SDL_GetTicks());
}
double clockVirtualMs() { return virtualMs; }

#include "demo/character.h"

#include <SDL/sge.h>

#include <cmath>

#include "demo/clock.h"
#include "demo/state.h"
#include "effects/flag.h"
#include "render/extra.h"

namespace {
// --- geometry: pixels, relative to the sprite's corner (x, y) ---
constexpr int kTopRow = 30;  // scene 2: the character climbs to just below this
constexpr int kEraseDx = -20, kEraseW = 110, kEraseH = 100;
constexpr int kPlatformDx = -15, kPlatformDy = 68;
constexpr int kFlameLeftDx = -4, kFlameRightDx = 53, kFlameDy = 90;
constexpr int kLineUppeY = 90;  // scene 2's line across the top

// The frame the record shows now, or null if it has none there.
SDL_Surface* currentFrame(const Animation& a) {
  if (a.curframe < 0 || a.curframe >= a.numframes || a.curframe >= 6) return nullptr;
  return a.frames[a.curframe];
}

void showStep(Animation& a, int x, int y) {
  animate(&a);
  drawImg(screen, currentFrame(a), x, y);
}

Animation* gesture(int action) {
  switch (action) {
    case 1: return &clap;
    case 2: return &stamp;
    case 3: return &finger;
    case 4: return &hello;
    default: return nullptr;
  }
}

// Grows by 0.001 of full size a millisecond of walking; the copy lives only
// until drawn.
void growIn(SDL_Surface* frame, int x, int y) {
  animationscale += dt * 0.01f;
  if (animationscale > 1.0f) animationstarted = 1;
  // A zero or negative scale leaves nothing to draw.
  if (!frame || !(animationscale > 0.0f)) return;
  // The copy takes the sprite's own format, so SGE's plain path, which moves
  // pixel words as they are, gives what its format-converting path
  // (SGE_TSAFE) rebuilds channel by channel, alpha included: 11 µs against
  // 72 for the 88×78 walk at full size.
  SDL_Surface* grown = sge_transform_surface(frame, 0, 0.0f, animationscale, animationscale, 0);
  if (!grown) return;
  drawImg(screen, grown, x, y);
  SDL_FreeSurface(grown);
}
}  // namespace

void animate(Animation* a) {
  if (!a || a->numframes <= 0) return;
  // Unsigned, so the first call after loading (lasttick 0) steps at once.
  if (clockTicks() - a->lasttick > static_cast<Uint32>(a->framedelay)) {
    a->lasttick = clockTicks();
    a->curframe = (a->curframe + 1) % a->numframes;
  }
}

void drawAnimation() {
  const bool lastScene = currentScene.load() == 2;
  // Whole pixels a frame, about one per 10 ms; never back down.
  const int rise = toInt(dt);
  if (lastScene && rise > 0 && cookie_y - rise > kTopRow) cookie_y -= rise;

  // Phases grow by dt cut to whole numbers: frames under 10 ms stand still.
  kakmonsterx = static_cast<int>(kakmonsterx + dt);
  kakmonstery = static_cast<int>(kakmonstery + dt);
  const int dy = toInt(static_cast<float>(std::sin(kakmonsterx * 0.04 + 40) * 20));   // ±20 px
  const int dx = toInt(static_cast<float>(std::sin(kakmonstery * 0.006 + 10) * 70));  // ±70 px
  const int x = cookie_x + dx, y = cookie_y + dy;

  // The flag picture's own pixels for that place: it covers the screen from
  // x = kFlagScreenX, so the sprite, platform and flames of the last frame go.
  drawImg2(screen, homemadeBuffer, x + kEraseDx, y, kEraseW, kEraseH, x + kEraseDx - kFlagScreenX,
           y);

  // In scene 2 the blinking character stands behind platform and flames.
  if (lastScene) {
    drawImg(screen, linje_uppe, 0, kLineUppeY);
    showStep(blinkcookie, x, y);
  }
  drawImg(screen, img_platform, x + kPlatformDx, y + kPlatformDy);
  animate(&fire);
  drawImg(screen, currentFrame(fire), x + kFlameLeftDx, y + kFlameDy);
  drawImg(screen, currentFrame(fire), x + kFlameRightDx, y + kFlameDy);

  if (currentactionactive.load() != 0 && greetstart.load() == 0 && !lastScene) {
    if (Animation* a = gesture(currentaction.load())) showStep(*a, x, y);
    return;
  }
  if (lastScene) return;
  if (greetstart.load() != 0) {
    showStep(dance, x, y);
    return;
  }
  animate(&walk);
  if (animationstarted)
    drawImg(screen, currentFrame(walk), x, y);
  else
    growIn(currentFrame(walk), x, y);
}

#include "demo/transitions.h"

#include <SDL/sge.h>

#include <cstdlib>

#include "demo/state.h"
#include "effects/tvfilters.h"
#include "render/extra.h"
#include "render/gfx.h"

// --- switch for tests ---
namespace transitions::detail {
bool hideCoveredDrawing = true;
}

namespace {
// --- constants ---
constexpr int kFull = 255;
// Outline drawn on the background at full white, corners inclusive.
constexpr int kOutlineLeft = 99, kOutlineTop = 49, kOutlineRight = 300, kOutlineBottom = 200;
constexpr Uint8 kOutlineGrey = 173;

void coverWithWhite(int strength) {
  Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
  // SGE's blend reaches only 254 at alpha 255; full strength is opaque:
  // sge_FilledRect's fill, its corners inclusive. The show keeps SGE's
  // display updates off, so its update would push nothing.
  if (strength >= kFull) {
    const SDL_Rect all = {0, 0, 641, 481};
    fillRect(screen, &all, white);
  } else {
    whiteOver(screen, static_cast<Uint8>(strength));
  }
}
}  // namespace

void fadeMainScene() {
  if (currentScene.load() < fadeToScene) {
    int step = toInt(dt * 5);
    if (mainTrans + step > kFull - 1) {
      mainTrans = kFull;
      if (screen && transitions::detail::hideCoveredDrawing) {
        // The full white below covers this frame's clear, background and
        // outline in the same frame, so only the key drawImg would leave on
        // the screen is kept.
        if (img_bg) keyMagenta(screen);
      } else if (screen) {
        fillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));  // sge_ClearSurface's fill
        drawImg(screen, img_bg, 0, 0);
        Uint32 grey = SDL_MapRGB(screen->format, kOutlineGrey, kOutlineGrey, kOutlineGrey);
        sge_Rect(screen, kOutlineLeft, kOutlineTop, kOutlineRight, kOutlineBottom, grey);
      }
      currentScene += 1;
    } else {
      mainTrans += step;
    }
  } else if (currentScene.load() == fadeToScene && mainTrans > 0) {
    int step = toInt(dt * 9);
    mainTrans = mainTrans - step <= 0 ? 0 : mainTrans - step;
  }
  if (screen) coverWithWhite(mainTrans);
}

EffectChangeStep effectChangeStep(int trans, int current, int target, float frameDt) {
  EffectChangeStep next = {trans, false};
  if (current < target) {
    int step = toInt(frameDt * 5);
    if (trans + step > kFull - 1) {
      next.trans = kFull;
      next.effectSteps = true;
    } else {
      next.trans = trans + step;
    }
  } else if (current == target && trans > 0) {
    int step = toInt(frameDt * 5);
    next.trans = trans - step <= 0 ? 0 : trans - step;
  }
  return next;
}

bool changeHidesBox(int target) {
  return transitions::detail::hideCoveredDrawing &&
         effectChangeStep(demoboxTrans, currentEffect, target, dt).trans > 0 && noiseCoversBox();
}

void changeEffect() {
  const EffectChangeStep next = effectChangeStep(demoboxTrans, currentEffect, fadeTo, dt);
  demoboxTrans = next.trans;
  if (next.effectSteps) currentEffect += 1;
  if (demoboxTrans <= 0) return;
  // The counter is only a timer: the noise replaces the box, effect and
  // filters included. Grey levels 0..254.
  noiseBox(kFull);
}

#include "demo/greetscene.h"

#include <SDL/sge.h>

#include <algorithm>
#include <cmath>

#include "demo/character.h"
#include "demo/clock.h"
#include "demo/main.h"
#include "demo/mainscene.h"
#include "effects/colourfilters.h"
#include "effects/flag.h"
#include "effects/greetwipe.h"
#include "effects/sinscroller.h"
#include "effects/snowfall.h"
#include "effects/tvfilters.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace greetscene::detail {
float sluttransFraction = 0.0f;
}

using greetscene::detail::sluttransFraction;

namespace {
// --- timings: milliseconds of the show clock ---
constexpr Uint32 kClosingScrollerAfterMs = 162000;
constexpr Uint32 kGreyStepMs = 20, kLastPauseMs = 1000;
// --- the end: white strength 0..255, then greys 255, 245, ..., 5 ---
constexpr int kFullWhite = 255, kGreyStep = 10;

// Escape and the close button end the show here too, at once and as the
// viewer's own quit (status 0): these 1.5 s run outside the frame loop.
[[noreturn]] void greyStepsAndExit() {
  for (int n = kFullWhite; n > 0; n -= kGreyStep) {
    if (screen) sge_ClearSurface(screen, SDL_MapRGB(screen->format, n, n, n));
    clockDelay(kGreyStepMs);
    if (screen) flipScreen();
    if (eventsAskToQuit()) endShow(0);
  }
  for (Uint32 waited = 0; waited < kLastPauseMs; waited += kGreyStepMs) {
    clockDelay(kGreyStepMs);
    if (eventsAskToQuit()) endShow(0);
  }
  endShow(1);
}

void endFade() {
  // Whole steps go into sluttrans and the fraction waits for the next frame,
  // so frames under 5 ms still bring the end. A clock that ran backwards
  // brings nothing.
  const float step = std::max(0.0f, 2 * dt + sluttransFraction);
  // Any step past full white ends the show; larger ones need no counting.
  const float whole = std::min(std::trunc(step), kFullWhite + 1.0f);
  sluttransFraction = step - whole;
  sluttrans += static_cast<int>(whole);
  if (sluttrans > kFullWhite) greyStepsAndExit();
  if (!screen) return;
  whiteOver(screen, static_cast<Uint8>(sluttrans));
}
}  // namespace

void drawGreetscene() {
  if (mainTrans > 0 || (slutfade.load() != 0 && sluttrans > 0)) drawBackgroundBesideFlag();
  drawHomeMade();
  drawImg(screen, homemadeBuffer, kFlagScreenX, 0);
  // The karaoke scene's lyric area, left empty now, and the region left of
  // the box, both from the background (the former 10 rows further down).
  drawLyricBackground();
  drawImg2(screen, img_bg, 0, 100, 280, 250, 0, 100);

  drawStarfield();
  drawAnimation();

  drawBajs();
  tvFilter(70);
  if (tvRollDue()) offsetTv();
  // Cleared as it is read, so a flash lasts one frame here and one that
  // arrives meanwhile is not lost.
  if (demoinvert.exchange(0) != 0) negFilter(demoboxBuffer);

  swayBoxAndRepair();
  drawBoxPicture();
  // Over the box's picture, under its frame.
  if (clockTicks() > kClosingScrollerAfterMs) sinScroller();
  drawBoxFrame();

  if (slutfade.load() != 0) endFade();
}

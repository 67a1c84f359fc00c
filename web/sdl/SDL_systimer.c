/* SDL 1.2's clock in the browser. SDL_Delay hands the browser its turn
   (emscripten_sleep, through Asyncify): the page draws, sound and key events
   are served, and the show's blocking loop resumes after the wait. */
#include <emscripten.h>

#include "SDL_timer.h"
#include "SDL_systimer.h"
#include "SDL_timer_c.h"

static double startMs;

void SDL_StartTicks(void) { startMs = emscripten_get_now(); }

Uint32 SDL_GetTicks(void) { return (Uint32)(emscripten_get_now() - startMs); }

void SDL_Delay(Uint32 ms) { emscripten_sleep(ms); }

/* No timer thread: SDL_AddTimer is not used by the show. */
int SDL_SYS_TimerInit(void) { return 0; }
void SDL_SYS_TimerQuit(void) {}
int SDL_SYS_StartTimer(void) {
  SDL_SetError("Timers are not implemented in the browser build");
  return -1;
}
void SDL_SYS_StopTimer(void) {}

// The show's frame loop and start-up (the state they work on: demo/state.h;
// the hooks that tools hang on them: demo/hooks.h).
#pragma once
#include "demo/hooks.h"
#include "demo/state.h"

// The demo's entry: opens the display, starts the song, loads and prepares
// everything and runs the frame loop. Returns 0 when the viewer quits; a
// display that cannot be opened returns 2.
int SDL_main(int argc, char** argv);
// Start-up after the display is open: the song, then preparePictures.
void startShow();
// The pictures and fonts loaded, the effects' tables and start values made.
void preparePictures();
// One pass of the frame loop; false once a quit request was seen (the frame
// is still shown).
bool runFrame();
// Scene 0: snow and the sine scroller.
void drawIntro();
// Reads every waiting event: true when Escape or the window's close button
// asks to quit; `f` toggles full screen on the way.
bool eventsAskToQuit();
// Shows what was drawn: every flip of the show goes through here.
void flipScreen();
// Ends the process with `status` from inside a frame (the end fade).
[[noreturn]] void endShow(int status);

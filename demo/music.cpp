#include "demo/music.h"

#include <cstdio>
#include <initializer_list>

#include "demo/clock.h"
#include "demo/state.h"
#include "render/datadir.h"

namespace {
// Lines whose sound words are one character longer or shorter than the
// gesture's usual step.
bool shortLine(int32_t row) { return row == 24 || row == 26 || row == 30; }
}  // namespace

void instcallback(FMUSIC_MODULE*, unsigned char instrument) {
  switch (instrument) {
    case 32:  // four more characters lit
      currentpos += 4;
      break;
    case 33:  // next line; any gesture ends
      currentrow += 1;
      currentpos = 0;
      currentactionactive = 0;
      break;
    case 35:  // greetings section on or off
      if (greetstart) {
        greetstart = 0;
      } else {
        greetstart = 1;
        currentpos = 0;
      }
      break;
    case 40: currentScene += 1; break;
    case 48:  // flash
      demoinvert = 1;
      demoinvertstart = clockTicks();
      break;
    case 49:  // clap
      currentpos += 5;
      currentaction = 1;
      currentactionactive = 1;
      break;
    case 50:  // stamp
      currentpos += 5;
      currentaction = 2;
      currentactionactive = 1;
      if (shortLine(currentrow)) currentpos += 1;
      break;
    case 51:  // finger snap
      currentpos += 8;
      currentaction = 3;
      currentactionactive = 1;
      if (shortLine(currentrow)) currentpos -= 2;
      break;
    case 52:  // wave
      currentpos += 4;
      currentaction = 4;
      currentactionactive = 1;
      if (shortLine(currentrow)) currentpos += 1;
      break;
    case 53:  // end signal
      slutfade = 1;
      break;
    default: break;
  }
}

void initMusic() {
  FSOUND_Init(44100, 32, 0);
  FMUSIC_StopSong(handle);  // still empty: nothing to stop
  handle = FMUSIC_LoadSong(dataFile("data/pluppa.xm").c_str());
  FMUSIC_PlaySong(handle);
  for (int instrument : {32, 33, 34, 35, 40, 48, 49, 50, 51, 52, 53})
    FMUSIC_SetInstCallback(handle, instcallback, instrument);
  // A song that loads but is not the show's (too short, or another tune)
  // plays, but the show then waits for an end signal that never comes.
  if (handle && !playerSongNames(handle, 53))
    std::fprintf(stderr,
                 "plupp: data/pluppa.xm sends no end signal (instrument 53); the show runs until "
                 "it is quit\n");
}

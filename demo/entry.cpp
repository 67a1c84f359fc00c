#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo/main.h"
#include "demo/options.h"
#include "demo/present.h"

namespace {
// The viewer's quit and the show's end leave at once: SDL's orderly close
// waits out two buffers of the sound device (some 50 ms, the last of the song
// playing on) and tears down the renderer (up to 50 ms more under a software
// GL at 4K); ending the process lets the display server close the window and
// the sound server drop the stream as they are. Nothing else needs undoing:
// the full screen is the desktop's own mode, never a mode switch.
[[noreturn]] void leaveAtOnce(int status) {
  presentReport();
  std::fflush(nullptr);
  std::_Exit(status);
}
}  // namespace

int main(int argc, char** argv) {
  std::string error;
  switch (parseOptions(argc, argv, presentOptions, error)) {
    case OptionsVerdict::Help: std::fputs(kOptionsHelp, stdout); return 0;
    case OptionsVerdict::Bad:
      std::fprintf(stderr, "plupp: %s\n%s", error.c_str(), kOptionsHelp);
      return 2;
    case OptionsVerdict::Run: break;
  }
  showEnding = leaveAtOnce;
  const int status = SDL_main(argc, argv);
  if (status == 2) return status;  // nothing was opened
  leaveAtOnce(status);
}

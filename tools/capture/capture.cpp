// plupp-capture: runs the show on a virtual clock at a fixed frame rate,
// never waiting and needing no window, and writes what it was asked for.
//
//   --fps N               frames a second of show time (default 60)
//   --until SECONDS       stop once show time passes it (default: the show's
//                         end, at most 600 s)
//   --shot SECONDS:FILE   the screen as flipped on the first frame at or after
//                         SECONDS, as PNG (repeatable)
//   --key SECONDS:NAME    a key-down of `escape` or `f` at that time (repeatable)
//   --cues                a line `cue t=SECONDS inst=N` for every cue the song
//                         sends, as it reaches the show
//
// The song is rendered in lockstep with the virtual clock, so its cues arrive
// at the same song positions as in real time.
//
// Last line on stdout: frames=N time=T status=S, S being the status the demo
// would have ended with (0 quit, 1 end fade done, - stopped by --until).
#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/player.h"
#include "tools/capture/png_writer.h"

namespace {
// --- capture state ---
struct Shot {
  double seconds;
  std::string file;
  bool taken;
};
struct Key {
  double seconds;
  SDLKey sym;
  bool sent;
};
struct ShowEnded {
  int status;
};

double fps = 60.0;
double untilSeconds = 600.0;
std::vector<Shot> shots;
std::vector<Key> keys;
long frames = 0;
bool stoppedByUntil = false;
bool failed = false;
bool printCues = false;

void printCue(int instrument, double songSeconds) {
  std::printf("cue t=%.3f inst=%d\n", songSeconds, instrument);
}

double showSeconds() { return clockVirtualMs() / 1000.0; }

[[noreturn]] void usage(const char* why) {
  std::fprintf(stderr,
               "plupp-capture: %s\n"
               "usage: plupp-capture [--fps N] [--until SECONDS] [--shot SECONDS:FILE.png]... "
               "[--key SECONDS:escape|f]... [--cues]\n",
               why);
  std::exit(2);
}

double parseSeconds(const std::string& s, const char* opt) {
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (s.empty() || *end || v < 0) usage((std::string("bad time for ") + opt + ": " + s).c_str());
  return v;
}

// "SECONDS:REST" split at the first colon.
std::pair<double, std::string> splitTimed(const char* arg, const char* opt) {
  std::string a = arg;
  size_t colon = a.find(':');
  if (colon == std::string::npos) usage((std::string(opt) + " wants SECONDS:VALUE").c_str());
  return {parseSeconds(a.substr(0, colon), opt), a.substr(colon + 1)};
}

void deliverKeys() {
  for (Key& k : keys) {
    if (k.sent || showSeconds() < k.seconds) continue;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = k.sym;
    SDL_PushEvent(&e);
    k.sent = true;
  }
}

void afterFlip() {
  ++frames;
  // The frame just flipped was drawn at td2, the time it started.
  double frameSeconds = td2 / 1000.0;
  for (Shot& s : shots) {
    if (s.taken || frameSeconds + 1e-9 < s.seconds) continue;
    s.taken = true;
    if (!writePng(screen, s.file.c_str())) {
      std::fprintf(stderr, "plupp-capture: cannot write %s\n", s.file.c_str());
      failed = true;
    }
  }
}

[[noreturn]] void onShowEnding(int status) { throw ShowEnded{status}; }

void stopAtUntil() {
  // The dummy display draws SDL's software mouse pointer into the picture.
  static bool pointerHidden = false;
  if (!pointerHidden) SDL_ShowCursor(SDL_DISABLE);
  pointerHidden = true;

  // Checked as each frame starts: the first frame past the limit is the
  // last one drawn.
  if (showSeconds() > untilSeconds) {
    stoppedByUntil = true;
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
  }
  deliverKeys();
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) usage((opt + " wants a value").c_str());
      return argv[++i];
    };
    if (opt == "--fps") {
      fps = parseSeconds(value(), "--fps");
      if (fps <= 0) usage("--fps must be above 0");
    } else if (opt == "--until") {
      untilSeconds = parseSeconds(value(), "--until");
    } else if (opt == "--shot") {
      auto [t, file] = splitTimed(value(), "--shot");
      if (file.empty()) usage("--shot wants a file name");
      shots.push_back({t, file, false});
    } else if (opt == "--cues") {
      printCues = true;
    } else if (opt == "--key") {
      auto [t, name] = splitTimed(value(), "--key");
      SDLKey sym = name == "escape" ? SDLK_ESCAPE : name == "f" ? SDLK_f : SDLK_UNKNOWN;
      if (sym == SDLK_UNKNOWN) usage(("unknown key: " + name).c_str());
      keys.push_back({t, sym, false});
    } else {
      usage(("unknown option: " + opt).c_str());
    }
  }
  if (untilSeconds > 600.0) untilSeconds = 600.0;

  // No window, no sound card: the show draws into SDL's dummy display.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  clockUseVirtual(fps);
  playerUseOffline();
  if (printCues) playerCue = printCue;
  frameStarting = stopAtUntil;
  frameShown = afterFlip;
  showEnding = onShowEnding;

  std::string status;
  try {
    int rc = SDL_main(argc, argv);
    if (rc == 2) return 2;  // no display: SDL_main has said why
    status = stoppedByUntil ? "-" : std::to_string(rc);
  } catch (const ShowEnded& e) {
    status = std::to_string(e.status);
  }
  for (const Shot& s : shots)
    if (!s.taken)
      std::fprintf(stderr, "plupp-capture: no frame reached %.3f s for %s\n", s.seconds,
                   s.file.c_str());
  std::printf("frames=%ld time=%.3f status=%s\n", frames, td2 / 1000.0, status.c_str());
  return failed ? 1 : 0;
}

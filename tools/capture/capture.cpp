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
//   --video FILE          the whole capture as video: .mp4 (H.264 and AAC, with
//                         the sound, through ffmpeg) or .y4m (raw picture)
//   --audio FILE.wav      the sound track, 16-bit stereo at 44100 Hz
//   --size WxH            video frame size; the 4:3 picture is scaled to fit,
//                         pixel for pixel (nearest), between black bars
//   --from SECONDS        the video and sound files start at this show time;
//                         the show still runs from 0
//   --crf N, --preset NAME  the H.264 encoder's quality (default 18) and x264
//                         speed preset (default veryfast) for .mp4
//   --checksums FILE      a line `FRAME MS HASH` for every flip: flip count
//                         from 0, show clock in ms, 64-bit hash of the screen's
//                         RGB (hex); two runs drew the same if the files match
//   --memory              a line `memory t=SECONDS rss_kb=N` every 30 s of
//                         show: the process's resident memory
//
// The song is rendered in lockstep with the virtual clock, so its cues arrive
// at the same song positions as in real time.
//
// Last line on stdout: frames=N time=T status=S, S being the status the demo
// would have ended with (0 quit, 1 end fade done, - stopped by --until).
#include <SDL/SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/player.h"
#include "demo/present.h"
#include "tools/capture/av_output.h"
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
AvSettings avSettings;
void (*playerAdvance)(double, double) = nullptr;
std::FILE* checksums = nullptr;
bool printMemory = false;
double nextMemorySeconds = 0;  // show seconds of the next memory line
long flips = 0;
std::chrono::steady_clock::time_point wallStart, lastProgress;

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
}

// Frames the files will hold: to --until, or to about the song's end, from --from.
long expectedFrames() {
  double seconds = untilSeconds;
  if (double song = playerSongSeconds(); song > 0 && song < seconds) seconds = song;
  return std::max(
      0L, long(std::ceil(seconds * fps)) - long(std::ceil(avSettings.fromSeconds * fps - 1e-9)));
}

// On a terminal one line rewritten twice a second; into a log a line every 10 s.
// The count is of frames through the slowest stage, the encoder's for .mp4:
// the show renders only a few frames ahead of it, so its pace is the export's.
void showProgress(bool last) {
  static const bool terminal = isatty(fileno(stderr));
  auto now = std::chrono::steady_clock::now();
  if (!last && now - lastProgress < std::chrono::milliseconds(terminal ? 500 : 10000)) return;
  lastProgress = now;
  double wall = wallSeconds();
  long done = long(avFramesDone());
  double rate = wall > 0 ? done / wall : 0;
  long total = std::max(expectedFrames(), long(avVideoFrames()));
  double left = rate > 0 ? std::max(0L, total - done) / rate : 0;
  std::fprintf(stderr, "%splupp-capture: frame %ld of ~%ld, %.0f frames/s, %.0f s left%s",
               terminal ? "\r" : "", done, total, rate, left, terminal && !last ? "   " : "\n");
}

void onClockAdvanced(double fromMs, double toMs) {
  if (playerAdvance) playerAdvance(fromMs, toMs);
  avClockAdvanced(toMs);
}

// FNV-1a over 32-bit words: each pixel's RGB (the unused byte masked off),
// row by row within the pitch.
uint64_t screenHash() {
  const SDL_PixelFormat* f = screen->format;
  const Uint32 rgb = f->Rmask | f->Gmask | f->Bmask;
  uint64_t h = 0xcbf29ce484222325ull;
  SDL_LockSurface(screen);
  for (int y = 0; y < screen->h; ++y) {
    const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(screen->pixels) +
                                                        y * screen->pitch);
    for (int x = 0; x < screen->w; ++x) h = (h ^ (row[x] & rgb)) * 0x100000001b3ull;
  }
  SDL_UnlockSurface(screen);
  return h;
}

double showSeconds() { return clockVirtualMs() / 1000.0; }

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

void onFlip() {
  // Flips outside the loop (the end's grey steps) wait on the clock too, so
  // a key timed for them arrives during them.
  deliverKeys();
  avPictureShown(screen);
  if (checksums && screen && screen->format->BytesPerPixel == 4)
    std::fprintf(checksums, "%ld %u %016llx\n", flips, clockTicks(),
                 static_cast<unsigned long long>(screenHash()));
  ++flips;
}

void printCue(int instrument, double songSeconds) {
  std::printf("cue t=%.3f inst=%d\n", songSeconds, instrument);
}

[[noreturn]] void usage(const char* why) {
  std::fprintf(
      stderr,
      "plupp-capture: %s\n"
      "usage: plupp-capture [--fps N] [--until SECONDS] [--shot SECONDS:FILE.png]... "
      "[--key SECONDS:escape|f]... [--cues]\n"
      "       [--video FILE.mp4|FILE.y4m] [--audio FILE.wav] [--size WxH] [--from SECONDS]\n"
      "       [--crf N] [--preset NAME]\n"
      "       [--checksums FILE] [--memory]\n",
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

// Resident pages from /proc/self/statm (its second field), in kB; 0 if unreadable.
long residentKb() {
  long size = 0, resident = 0;
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
  std::fclose(f);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void afterFlip() {
  ++frames;
  if (printMemory && td2 / 1000.0 >= nextMemorySeconds) {
    std::printf("memory t=%.0f rss_kb=%ld\n", nextMemorySeconds, residentKb());
    nextMemorySeconds += 30;
  }
  if (avActive()) showProgress(false);
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

// As each frame starts: the pointer hidden once, --until checked, keys due
// delivered.
void everyFrameStart() {
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
    } else if (opt == "--video") {
      avSettings.video = value();
    } else if (opt == "--audio") {
      avSettings.audio = value();
    } else if (opt == "--size") {
      const char* v = value();
      if (std::sscanf(v, "%dx%d", &avSettings.width, &avSettings.height) != 2)
        usage("--size wants WIDTHxHEIGHT, e.g. 1920x1080");
    } else if (opt == "--from") {
      avSettings.fromSeconds = parseSeconds(value(), "--from");
    } else if (opt == "--crf") {
      avSettings.crf = value();
    } else if (opt == "--preset") {
      avSettings.preset = value();
    } else if (opt == "--memory") {
      printMemory = true;
    } else if (opt == "--checksums") {
      const char* file = value();
      if (!(checksums = std::fopen(file, "w")))
        usage((std::string("cannot write ") + file).c_str());
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
  if (avSettings.fromSeconds > 0 && avSettings.fromSeconds >= untilSeconds)
    usage("--from must come before --until");

  // No window, no sound card: the show draws into SDL's dummy display.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  clockUseVirtual(fps);
  playerUseOffline();
  if (printCues) playerCue = printCue;
  if (!avSettings.video.empty() || !avSettings.audio.empty()) {
    if (!avSettings.video.empty() && fps != std::floor(fps))
      usage("--video wants a whole number of frames a second");
    avSettings.fps = int(fps);
    std::string error;
    if (!avOpen(avSettings, error)) {
      std::fprintf(stderr, "plupp-capture: %s\n", error.c_str());
      return 2;
    }
    playerAdvance = clockAdvanced;
    clockAdvanced = onClockAdvanced;
    playerSamples = avSound;
  }
  screenFlipped = onFlip;
  // Nobody sees the dummy display: everything taken from the show (shots,
  // files, checksums) is read from its own screen, so the presenter's copy
  // to the display and SDL's flip of it are skipped.
  presentHold(true);
  wallStart = lastProgress = std::chrono::steady_clock::now();
  frameStarting = everyFrameStart;
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
  if (avActive()) {
    std::string error;
    if (!avClose(error)) {
      std::fprintf(stderr, "plupp-capture: %s\n", error.c_str());
      failed = true;
    }
    showProgress(true);
    double wall = wallSeconds(), shown = avVideoFrames() / fps;
    std::fprintf(
        stderr,
        "plupp-capture: %llu frames (%.2f s) and %.2f s of sound in %.1f s, %.1f times real time\n",
        (unsigned long long)avVideoFrames(), shown, avSoundFrames() / 44100.0, wall,
        wall > 0 ? shown / wall : 0.0);
    for (const std::string& f : {avSettings.video, avSettings.audio}) {
      struct stat st;
      if (!f.empty() && stat(f.c_str(), &st) == 0)
        std::fprintf(stderr, "plupp-capture: wrote %s, %.1f MB\n", f.c_str(), st.st_size / 1e6);
    }
  }
  if (checksums && std::fclose(checksums) != 0) {
    std::fprintf(stderr, "plupp-capture: cannot write the checksums\n");
    failed = true;
  }
  std::printf("frames=%ld time=%.3f status=%s\n", frames, td2 / 1000.0, status.c_str());
  return failed ? 1 : 0;
}

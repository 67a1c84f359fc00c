// How the show's own 640×480×32 `screen` reaches the viewer: a window enlarged
// by a whole factor, or the desktop's own full screen (no mode switch) with the
// picture filling its height, 4:3 kept, between black bars. The show draws into
// `screen` only; the display surface behind it belongs to this module, may be
// larger, and is replaced when full screen is toggled, while `screen` keeps its
// contents (the scenes repaint only what changes).
#pragma once

enum class PresentMode { Window, FullScreen };
struct PresentOptions {
  PresentMode mode = PresentMode::Window;
  int scale = 0;            // window: the whole factor; 0 takes the largest that fits
  bool stats = false;       // a line of frame figures on stderr at the end
  double startSeconds = 0;  // where the viewer joins the show
};
// Chosen before SDL_main (the demo's start options).
extern PresentOptions presentOptions;

// A display mode and how `screen` is laid into it. Sizes in display pixels.
struct Presentation {
  int modeW, modeH;  // the display surface asked of SDL
  bool fullScreen;
  int factor;        // each show pixel becomes a factor×factor block of it
  int x, y;          // where the enlarged picture starts on it
  int libraryScale;  // sdl12-compat's own whole enlargement of a window
  bool smooth;       // the library fits the surface to the screen linearly
};
// Room a desktop leaves around a window for its frame and a panel.
constexpr int kWindowRoomW = 16, kWindowRoomH = 100;
// The largest whole factor at which 640×480 and that room fit the desktop; 1
// when the desktop is unknown (0×0) or small.
int windowScaleFor(int desktopW, int desktopH);
// What `mode` looks like on a desktop of desktopW×desktopH. `compat`: the
// library is sdl12-compat, which enlarges and fits on its own (on the GPU
// where there is one); the classic SDL 1.2 gets every pixel from our code.
Presentation presentationFor(PresentMode mode, int scale, int desktopW, int desktopH, bool compat);

// The display's pacing, from about 30 flips made without waiting of our own:
// their intervals and how long each flip itself took, in milliseconds. The
// display's refresh period when the flips waited for it (vsync), else 0.
double displayPeriodFrom(const double* intervalsMs, const double* flipsMs, int n);

// After SDL_Init(SDL_INIT_VIDEO): opens the display as presentOptions asks
// and makes `screen`. False, with SDL's reason on stderr, when no display.
bool presentOpen();
// Shows `screen`: every flip of the show comes here.
void presentFrame();
// While held, flips show nothing (the show runs ahead to where it starts).
void presentHold(bool hold);
// The `f` key: window to full screen and back.
void presentToggleFullScreen();
// The frame figures of the run, if presentOptions.stats asks for them.
void presentReport();

struct SDL_Surface;
namespace present::detail {
// Lays the 640×480×32 `src` into `dst` at (p.x, p.y), each pixel a
// p.factor×p.factor block; nothing else of `dst` is written.
void enlargeInto(SDL_Surface* dst, const SDL_Surface* src, const Presentation& p);
}  // namespace present::detail

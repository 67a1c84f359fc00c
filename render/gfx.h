// The picture catalogue: every font, picture, animation and work buffer the
// show loads once at start-up. Paths are relative to the working directory.
// A file that cannot be loaded leaves its variable null (reported once on
// stderr); whatever uses it draws nothing.
#pragma once
#include <SDL/SDL.h>
#include <SDL/sge.h>

#include <cstddef>
#include <cstdint>

// A sprite cycle: `curframe` steps every `framedelay` milliseconds.
struct Animation {
  Uint32 lasttick;  // tick (ms) of the last frame change; 0 after loading
  int32_t numframes;
  int32_t curframe;
  int32_t framedelay;  // milliseconds a frame stays
  SDL_Surface* frames[6];
};

// One bouncing ball of the box: position of its 100-pixel square in the box,
// directions ±1, speeds in pixels per hundredth of a second, spin in degrees,
// zoom 0..1.
struct AmigaBall {
  int32_t x, y;
  int32_t dirx, diry;
  int32_t speedx, speedy;
  int32_t angle;
  float zoom;
  int32_t zoomdir;
  int32_t zoomspeed;
};

constexpr int kBallRecords = 100;  // room; balls 0..4 get start values
constexpr int kGreetSlots = 15;    // slots 0..12 loaded, 13 and 14 empty

// --- fonts ---
extern sge_bmpFont* font2;      // silver, line being sung
extern sge_bmpFont* font3;      // small silver, line to come
extern sge_bmpFont* font_gul2;  // gold highlight
extern sge_bmpFont* font_gul3;  // small gold, line just sung
extern sge_bmpFont* font_intro;
extern sge_bmpFont* font_intro_inverted;

// --- animations ---
extern Animation walk, clap, finger, blinkcookie, hello, stamp, dance, ball, fire;

// --- balls ---
extern AmigaBall amigaball[kBallRecords];
extern SDL_Surface* tmp_rotate;  // ball canvas: logical size 100×100

// --- snow, in display format; snow1 and its dark twin keyed on magenta ---
extern SDL_Surface *img_snowflake, *img_snowflake2, *img_snowflake3;
extern SDL_Surface *img_snowflake_dark, *img_snowflake2_dark, *img_snowflake3_dark;

// --- scene pictures and work buffers ---
extern SDL_Surface* demoboxBuffer;  // 200×150 box, display format
extern SDL_Surface* img_bg;
extern SDL_Surface* linje_nere;
extern SDL_Surface* linje_uppe;
extern SDL_Surface* demoboxen;  // box frame
extern SDL_Rect demoboxenHole;  // the frame's fully transparent window, which draws nothing
extern SDL_Surface* img_platform;
extern SDL_Surface* bajssurface[kGreetSlots];
extern SDL_Surface* amigabars_gfx[7];
extern SDL_Surface* img_psycho;
extern SDL_Surface* charBuffer;           // 32×50, keyed on black
extern SDL_Surface* charBuffer2;          // 32×1
extern SDL_Surface* charBuffer_inverted;  // 32×50

void loadGfx();

// Loaders shared with the effects that open their own files: each reports a
// failure once per path on stderr and returns null.
// `w`×`h` (if given) is the size the show lays the picture out for: another
// size is reported once, and the picture is still returned; its users must
// cope with any size.
SDL_Surface* loadPicture(const char* path, int w = 0, int h = 0);
sge_bmpFont* loadFont(const char* path);
// A work surface of w×h in the display's format, or null.
SDL_Surface* makeWorkSurface(int w, int h);
// The show's own 640×480×32 `screen`, in the format of the display surface
// now open, for a presenter to lay into that display; null (said on stderr)
// when it cannot be made.
SDL_Surface* makeShowScreen();
// The picture in the display's format: the converted copy replaces `s`
// (freed); without a display, or if the conversion fails, `s` comes back as
// it was. Null stays null.
SDL_Surface* toDisplayFormat(SDL_Surface* s);
// Reads slice `part` of `parts` of a surface's pixels (of `area`, clipped to
// the surface, if given), one byte a cache line: a picture left unread for
// seconds has dropped out of the cache, and the first frame that needs it
// pays for that several times over. Slices are whole rows, rows·part/parts
// up to rows·(part + 1)/parts of the area, so the parts cover each row once.
// Surfaces without plain pixels (null, RLE-encoded) are skipped. Returns the
// cache lines read.
size_t readAhead(const SDL_Surface* s, int part, int parts, const SDL_Rect* area = nullptr);
// The same over `rows` rows of `rowBytes` bytes, `pitch` bytes apart.
size_t readAheadBytes(const void* data, int rowBytes, int pitch, int rows, int part, int parts);
// Counts the fonts and work surfaces made so far. Something worked out from
// them and kept across frames is stale once this moves on: a new one may
// sit at a freed one's address.
unsigned pictureSerial();

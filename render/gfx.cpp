#include "render/gfx.h"

#include <SDL/SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "demo/state.h"
#include "render/blit.h"
#include "render/datadir.h"
#include "render/extra.h"
#include "render/random.h"

sge_bmpFont *font2, *font3, *font_gul2, *font_gul3, *font_intro, *font_intro_inverted;
Animation walk, clap, finger, blinkcookie, hello, stamp, dance, ball, fire;
AmigaBall amigaball[kBallRecords];
SDL_Surface* tmp_rotate;
SDL_Surface *img_snowflake, *img_snowflake2, *img_snowflake3;
SDL_Surface *img_snowflake_dark, *img_snowflake2_dark, *img_snowflake3_dark;
SDL_Surface* demoboxBuffer;
SDL_Surface* img_bg;
SDL_Surface* linje_nere;
SDL_Surface* linje_uppe;
SDL_Surface* demoboxen;
SDL_Rect demoboxenHole;
SDL_Surface* img_platform;
SDL_Surface* bajssurface[kGreetSlots];
SDL_Surface* amigabars_gfx[7];
SDL_Surface* img_psycho;
SDL_Surface* charBuffer;
SDL_Surface* charBuffer2;
SDL_Surface* charBuffer_inverted;

namespace {
// --- loader state ---
std::set<std::string> reportedPaths;  // each failing path is reported once per start-up
unsigned madeSurfaces = 0;            // fonts and work surfaces made: pictureSerial()
volatile Uint8 readAheadSink;         // where the read-ahead's bytes go, so they are read

constexpr int kCharW = 88, kCharH = 78;  // every frame of the character
// SFont glyphs run from '!' to '[': the capitals, digits and the signs
// standing in for the Swedish letters that the texts are written in. A font
// with fewer markers (none, say) would draw the whole picture as one glyph.
constexpr int kFontGlyphs = 59;

void reportMissing(const char* path, const char* why) {
  if (!reportedPaths.insert(path).second) return;
  // SDL_image's own message often just repeats the path.
  if (!why || !*why || std::strstr(why, path)) why = "missing or unreadable";
  std::fprintf(stderr, "plupp: cannot load %s (%s); the show goes on without it\n", path, why);
}

// A JPEG cut short still decodes (the rest comes out grey) without an error;
// only its missing end-of-image marker gives it away.
bool jpegCutShort(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  unsigned char head[2] = {}, tail[2] = {};
  const bool read = std::fread(head, 1, 2, f) == 2 && std::fseek(f, -2, SEEK_END) == 0 &&
                    std::fread(tail, 1, 2, f) == 2;
  std::fclose(f);
  const bool jpeg = read && head[0] == 0xFF && head[1] == 0xD8;
  return jpeg && !(tail[0] == 0xFF && tail[1] == 0xD9);
}

// A picture without alpha, key or palette blits the same words from the
// display's format: converted once here, each frame's blit is a copy.
SDL_Surface* opaqueToDisplayFormat(SDL_Surface* s) {
  if (!s || s->format->palette || s->format->Amask != 0 ||
      (s->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY)))
    return s;
  return toDisplayFormat(s);
}

void keyOn(SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b) {
  if (s) SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, r, g, b));
}

void freeSurface(SDL_Surface*& s) {
  if (s) SDL_FreeSurface(s);
  s = nullptr;
}

void closeFont(sge_bmpFont*& f) {
  if (f) sge_BF_CloseFont(f);
  f = nullptr;
}

// The show loads once; a second load (tests) drops the first catalogue.
void releaseCatalogue() {
  dropAlphaRuns();
  for (sge_bmpFont** f :
       {&font2, &font3, &font_gul2, &font_gul3, &font_intro, &font_intro_inverted})
    closeFont(*f);
  for (Animation* a : {&walk, &clap, &finger, &blinkcookie, &hello, &stamp, &dance, &ball, &fire})
    for (SDL_Surface*& frame : a->frames) freeSurface(frame);
  for (SDL_Surface** s :
       {&tmp_rotate, &img_snowflake, &img_snowflake2, &img_snowflake3, &img_snowflake_dark,
        &img_snowflake2_dark, &img_snowflake3_dark, &demoboxBuffer, &img_bg, &linje_nere,
        &linje_uppe, &demoboxen, &img_platform, &img_psycho, &charBuffer, &charBuffer2,
        &charBuffer_inverted})
    freeSurface(*s);
  for (SDL_Surface*& s : bajssurface) freeSurface(s);
  for (SDL_Surface*& s : amigabars_gfx) freeSurface(s);
}

void loadAnimation(Animation& a, std::initializer_list<const char*> files, int numframes,
                   int framedelay, int w, int h) {
  a = Animation{};
  int i = 0;
  for (const char* f : files) a.frames[i++] = loadPicture(f, w, h);
  a.numframes = numframes;
  a.framedelay = framedelay;
}
}  // namespace

SDL_Surface* toDisplayFormat(SDL_Surface* s) {
  if (!s || !SDL_GetVideoSurface()) return s;
  SDL_Surface* converted = SDL_DisplayFormat(s);
  if (!converted) return s;
  SDL_FreeSurface(s);
  return converted;
}

SDL_Surface* loadPicture(const char* name, int w, int h) {
  const std::string file = dataFile(name);
  const char* path = file.c_str();
  SDL_Surface* s = IMG_Load(path);
  if (!s) {
    reportMissing(path, IMG_GetError());
  } else if (jpegCutShort(path) && reportedPaths.insert(path).second) {
    std::fprintf(stderr, "plupp: %s is cut short; drawn as far as it goes\n", path);
  } else if (w > 0 && h > 0 && (s->w != w || s->h != h) && reportedPaths.insert(path).second) {
    std::fprintf(stderr, "plupp: %s is %dx%d, the show lays it out for %dx%d\n", path, s->w, s->h,
                 w, h);
  }
  return s;
}

unsigned pictureSerial() { return madeSurfaces; }

size_t readAheadBytes(const void* data, int rowBytes, int pitch, int rows, int part, int parts) {
  if (!data || rowBytes <= 0 || rows <= 0 || parts < 1 || part < 0 || part >= parts) return 0;
  constexpr uintptr_t kLine = 64;
  const int first = static_cast<int>(int64_t{rows} * part / parts);
  const int last = static_cast<int>(int64_t{rows} * (part + 1) / parts);
  const Uint8* base = static_cast<const Uint8*>(data);
  Uint8 sum = 0;
  size_t lines = 0;
  for (int y = first; y < last; ++y) {
    const Uint8* row = base + static_cast<ptrdiff_t>(y) * pitch;
    // The row's first byte, then the first byte of every line that starts
    // inside the row: nothing outside the row is read.
    sum = static_cast<Uint8>(sum + row[0]);
    ++lines;
    const uintptr_t start = reinterpret_cast<uintptr_t>(row);
    for (uintptr_t x = kLine - start % kLine; x < static_cast<uintptr_t>(rowBytes); x += kLine) {
      sum = static_cast<Uint8>(sum + row[x]);
      ++lines;
    }
  }
  readAheadSink = sum;
  return lines;
}

size_t readAhead(const SDL_Surface* s, int part, int parts, const SDL_Rect* area) {
  if (!s || !s->pixels || !s->format || (s->flags & SDL_RLEACCEL) || s->w <= 0 || s->h <= 0)
    return 0;
  int x0 = 0, y0 = 0, x1 = s->w, y1 = s->h;
  if (area) {
    x0 = area->x > 0 ? area->x : 0;
    y0 = area->y > 0 ? area->y : 0;
    x1 = area->x + area->w < s->w ? area->x + area->w : s->w;
    y1 = area->y + area->h < s->h ? area->y + area->h : s->h;
    if (x0 >= x1 || y0 >= y1) return 0;
  }
  const int bytes = s->format->BytesPerPixel;
  const Uint8* corner = static_cast<const Uint8*>(s->pixels) + y0 * s->pitch + x0 * bytes;
  return readAheadBytes(corner, (x1 - x0) * bytes, s->pitch, y1 - y0, part, parts);
}

sge_bmpFont* loadFont(const char* name) {
  ++madeSurfaces;
  const std::string file = dataFile(name);
  const char* path = file.c_str();
  // SGE's reader is given only files that exist and open, so a missing font
  // is reported here rather than left to it.
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    reportMissing(path, "no such file");
    return nullptr;
  }
  std::fclose(f);
  sge_bmpFont* font = sge_BF_OpenFont(const_cast<char*>(path), SGE_BFTRANSP | SGE_BFSFONT);
  if (!font) {
    reportMissing(path, "not a bitmap font");
  } else if (font->Chars < kFontGlyphs) {
    char why[64];
    std::snprintf(why, sizeof why, "%d glyph markers, the texts need %d", font->Chars, kFontGlyphs);
    reportMissing(path, why);
    closeFont(font);
  } else if (screen && font->FontSurface && font->FontSurface->format->BytesPerPixel != 4) {
    // Letters are copied word for word from a sheet in the display's
    // format; a 24-bit sheet would be unpacked byte by byte for every letter
    // of every frame. The conversion is exact and keeps the colour key.
    if (SDL_Surface* sheet = SDL_DisplayFormat(font->FontSurface)) {
      SDL_FreeSurface(font->FontSurface);
      font->FontSurface = sheet;
    }
  }
  return font;
}

SDL_Surface* makeWorkSurface(int w, int h) {
  ++madeSurfaces;
  if (!screen) return nullptr;
  const SDL_PixelFormat* f = screen->format;
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_HWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask,
                                        f->Bmask, f->Amask);
  return toDisplayFormat(s);
}

SDL_Surface* makeShowScreen() {
  const SDL_Surface* display = SDL_GetVideoSurface();
  if (!display) return nullptr;
  const SDL_PixelFormat* f = display->format;
  SDL_Surface* s =
      SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
  if (!s) std::fprintf(stderr, "plupp: cannot make the 640x480 picture: %s\n", SDL_GetError());
  return s;
}

void loadGfx() {
  releaseCatalogue();
  reportedPaths.clear();
  font2 = loadFont("gfx/font_silver.bmp");
  font3 = loadFont("gfx/font_silver_small.bmp");
  font_gul2 = loadFont("gfx/font_golden.bmp");
  font_gul3 = loadFont("gfx/font_golden_small.bmp");
  font_intro = loadFont("gfx/newfont.bmp");
  font_intro_inverted = loadFont("gfx/newfont_inverted.bmp");

  loadAnimation(walk,
                {"gfx/kakmonsterwalk1.png", "gfx/kakmonsterwalk2.png", "gfx/kakmonsterwalk3.png",
                 "gfx/kakmonsterwalk4.png"},
                4, 200, kCharW, kCharH);
  loadAnimation(clap, {"gfx/kakmonsterclap1.png", "gfx/kakmonsterclap2.png"}, 2, 200, kCharW,
                kCharH);
  loadAnimation(finger, {"gfx/kakmonsterknapp1.png", "gfx/kakmonsterknapp2.png"}, 2, 200, kCharW,
                kCharH);
  // Five separate loads of the open eyes: the blink shows them for 2.5 s.
  loadAnimation(
      blinkcookie,
      {"gfx/kakmonsterblink1.png", "gfx/kakmonsterblink1.png", "gfx/kakmonsterblink1.png",
       "gfx/kakmonsterblink1.png", "gfx/kakmonsterblink1.png", "gfx/kakmonsterblink2.png"},
      6, 500, kCharW, kCharH);
  loadAnimation(hello, {"gfx/kakmonsterhej1.png", "gfx/kakmonsterhej2.png"}, 2, 200, kCharW,
                kCharH);
  loadAnimation(stamp, {"gfx/kakmonsterstamp.png", "gfx/kakmonsterstamp2.png"}, 2, 200, kCharW,
                kCharH);
  loadAnimation(dance,
                {"gfx/kakmonsterdansar.png", "gfx/kakmonsterdansar2.png",
                 "gfx/kakmonsterdansar3.png", "gfx/kakmonsterdansar2.png"},
                4, 150, kCharW, kCharH);
  // Six pictures, a cycle of five: the sixth is never reached.
  loadAnimation(ball,
                {"gfx/boll0001.png", "gfx/boll0002.png", "gfx/boll0003.png", "gfx/boll0004.png",
                 "gfx/boll0005.png", "gfx/boll0006.png"},
                5, 20, 100, 100);
  loadAnimation(fire, {"gfx/fire_1.png", "gfx/fire_2.png", "gfx/fire_3.png", "gfx/fire_4.png"}, 4,
                90, 31, 8);

  for (int i = 0; i < 5; ++i) {
    AmigaBall& b = amigaball[i];
    b.speedx = showRand() % 2 + 1;
    b.speedy = showRand() % 2 + 1;
    b.x = showRand() % 150;
    b.y = showRand() % 100;
    b.zoom = static_cast<float>(32767 - showRand()) / 32767;
    b.zoomspeed = showRand() % 3 + 1;
    b.dirx = b.diry = b.zoomdir = 1;
    b.angle = 0;
  }

  // The ball canvas holds at least 100×100 pixels and reports a logical size
  // of 100×100. A copy of a smaller ball picture would be too small to shrink
  // into that, so it is replaced by a 100×100 surface of the same format.
  tmp_rotate = nullptr;
  if (SDL_Surface* first = ball.frames[ball.curframe]) {
    tmp_rotate = sge_transform_surface(first, 0, 0.0f, 1.0f, 1.0f, SGE_TSAFE);
    if (tmp_rotate && (tmp_rotate->w < 100 || tmp_rotate->h < 100)) {
      const SDL_PixelFormat* f = tmp_rotate->format;
      SDL_Surface* canvas = SDL_CreateRGBSurface(SDL_SWSURFACE, 100, 100, f->BitsPerPixel, f->Rmask,
                                                 f->Gmask, f->Bmask, f->Amask);
      SDL_FreeSurface(tmp_rotate);
      tmp_rotate = canvas;
    }
    if (tmp_rotate) {
      tmp_rotate->w = 100;
      tmp_rotate->h = 100;
      SDL_SetClipRect(tmp_rotate, nullptr);
    }
  }

  img_snowflake = toDisplayFormat(loadPicture("gfx/snow1.png", 9, 9));
  img_snowflake2 = toDisplayFormat(loadPicture("gfx/snow2.png", 3, 3));
  img_snowflake3 = toDisplayFormat(loadPicture("gfx/snow3.png", 2, 2));
  img_snowflake_dark = toDisplayFormat(loadPicture("gfx/snow1_dark.png", 9, 9));
  img_snowflake2_dark = toDisplayFormat(loadPicture("gfx/snow2_dark.png", 3, 3));
  img_snowflake3_dark = toDisplayFormat(loadPicture("gfx/snow3_dark.png", 2, 2));
  keyOn(img_snowflake, 255, 0, 255);
  keyOn(img_snowflake_dark, 255, 0, 255);

  demoboxBuffer = makeWorkSurface(200, 150);

  img_bg = toDisplayFormat(loadPicture("gfx/kakbg.png", 640, 480));
  linje_nere = loadPicture("gfx/linjenere.png", 640, 24);
  linje_uppe = loadPicture("gfx/linjeuppe.png", 640, 16);
  demoboxen = loadPicture("gfx/nyruta.png", 250, 190);
  demoboxenHole = transparentCentre(demoboxen);
  img_platform = loadPicture("gfx/platform.png", 103, 21);

  static const char* const greetings[7] = {"gfx/greet1.png", "gfx/greet2.png", "gfx/greet3.jpg",
                                           "gfx/greet4.png", "gfx/greet5.png", "gfx/greet6.png",
                                           "gfx/greet7.png"};
  for (int i = 0; i < kGreetSlots; ++i) bajssurface[i] = nullptr;
  for (int i = 0; i < 7; ++i)
    bajssurface[i] = opaqueToDisplayFormat(loadPicture(greetings[i], 200, 150));
  // The last greeting fills six slots, each its own surface.
  for (int i = 7; i <= 12; ++i)
    bajssurface[i] = opaqueToDisplayFormat(loadPicture("gfx/greet8.png", 200, 150));

  static const char* const bars[7] = {
      "gfx/bar_red.png",  "gfx/bar_orange.png", "gfx/bar_yellow.png", "gfx/bar_green.png",
      "gfx/bar_blue.png", "gfx/bar_indigo.png", "gfx/bar_purple.png"};
  for (int i = 0; i < 7; ++i) amigabars_gfx[i] = loadPicture(bars[i], 200, 20);

  img_psycho = loadPicture("gfx/psycho.png", 200, 150);

  charBuffer = makeWorkSurface(32, 50);
  charBuffer2 = makeWorkSurface(32, 1);
  charBuffer_inverted = makeWorkSurface(32, 50);
  keyOn(charBuffer, 0, 0, 0);

  // The pictures blended onto the screen every frame, none of them drawn
  // into after this.
  for (SDL_Surface* s : {linje_nere, linje_uppe, demoboxen, img_platform}) keepAlphaRuns(s);
  for (SDL_Surface* s : amigabars_gfx) keepAlphaRuns(s);
  for (Animation* a : {&walk, &clap, &finger, &blinkcookie, &hello, &stamp, &dance, &fire})
    for (SDL_Surface* frame : a->frames) keepAlphaRuns(frame);
}

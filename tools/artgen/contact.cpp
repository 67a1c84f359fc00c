// gfx-contact OUTFILE GFXDIR: a contact sheet of every picture in GFXDIR, each under its file
// name, and a line of text in every font. Pictures and fonts are read the way the show reads
// them (SDL_image, SGE's SFont loader), so the sheet also shows what the loaders make of them.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <SDL/sge.h>
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "canvas.h"
#include "text.h"

namespace {

constexpr int kSheetW = 1320, kPad = 10, kLabelH = 16;
constexpr int kSmall = 24, kZoom = 4;  // sprites this small are shown enlarged beside themselves

struct Item {
  std::string name;
  SDL_Surface* pic = nullptr;
  sge_bmpFont* font = nullptr;
  int x = 0, y = 0, w = 0, h = 0;
  int cellW = 0;  // picture, enlargement and label
  bool zoomed() const { return pic && w <= kSmall && h <= kSmall; }
};

bool endsWith(const std::string& s, const std::string& e) {
  return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

bool isFont(const std::string& n) {
  return endsWith(n, ".bmp") && (n.rfind("font", 0) == 0 || n.rfind("newfont", 0) == 0);
}

// A sample that shows every character the show's texts use, Å Ä Ö included.
std::string sampleFor(const std::string& n) {
  if (n.rfind("newfont", 0) == 0) return "HEJ ALLIHOPA! PLUPP-NU... <=>";
  return "ABCDEFGHIJKLMNOPQRSTUVWXYZ <=> ! - . 0123456789";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTFILE GFXDIR\n", argv[0]);
    return 2;
  }
  const std::string out = argv[1], dir = argv[2];
  if (SDL_Init(SDL_INIT_VIDEO) != 0 || !SDL_SetVideoMode(640, 480, 32, SDL_SWSURFACE)) {
    std::fprintf(stderr, "gfx-contact: no video: %s\n", SDL_GetError());
    return 1;
  }
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (endsWith(n, ".png") || endsWith(n, ".jpg") || endsWith(n, ".bmp")) names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());

  // Pictures first, large ones leading, then one line per font.
  std::vector<Item> pics, fonts;
  for (const auto& n : names) {
    Item it;
    it.name = n;
    std::string path = dir + "/" + n;
    if (isFont(n)) {
      it.font = sge_BF_OpenFont(const_cast<char*>(path.c_str()), SGE_BFTRANSP | SGE_BFSFONT);
      if (!it.font) continue;
      std::string s = sampleFor(n);
      SDL_Rect r = sge_BF_TextSize(it.font, const_cast<char*>(s.c_str()));
      it.w = r.w, it.h = r.h;
      fonts.push_back(it);
    } else {
      it.pic = IMG_Load(path.c_str());
      if (!it.pic) continue;
      // The nearest snowflakes are keyed on magenta when the show loads them.
      if (n.rfind("snow1", 0) == 0)
        SDL_SetColorKey(it.pic, SDL_SRCCOLORKEY, SDL_MapRGB(it.pic->format, 255, 0, 255));
      it.w = it.pic->w, it.h = it.pic->h;
      pics.push_back(it);
    }
  }
  std::stable_sort(pics.begin(), pics.end(), [](const Item& a, const Item& b) {
    return a.h * a.w >= 64000 && b.h * b.w < 64000;
  });

  // Shelf layout: fill rows left to right.
  cairo_font_face_t* face = art::fontFace(ARTGEN_PLAIN_FONT);
  art::Cairo measure(8, 8);
  int x = kPad, y = kPad, rowH = 0;
  for (auto& it : pics) {
    int shown = it.zoomed() ? it.w + kPad + it.w * kZoom : it.w;
    int labelW = std::max(int(art::textWidth(measure.cr(), face, 11, 1.0, it.name)) + 16,
                          int(it.name.size()) * 7 + 8);
    int cw = std::max(shown, labelW);
    int ch = it.zoomed() ? it.h * kZoom : it.h;
    if (x + cw > kSheetW - kPad) x = kPad, y += rowH + kLabelH + kPad, rowH = 0;
    it.x = x, it.y = y, it.cellW = cw;
    x += cw + kPad, rowH = std::max(rowH, ch);
  }
  y += rowH + kLabelH + kPad;
  for (auto& it : fonts) {
    it.x = kPad, it.y = y + kLabelH;
    y += kLabelH + it.h + kPad;
  }
  const int sheetH = y;

  SDL_Surface* sheet =
      SDL_CreateRGBSurface(SDL_SWSURFACE, kSheetW, sheetH, 32, 0xff0000, 0xff00, 0xff, 0);
  // A dark checkerboard shows which parts of a picture are transparent.
  for (int cy = 0; cy < sheetH; cy += 8)
    for (int cx = 0; cx < kSheetW; cx += 8) {
      SDL_Rect r{Sint16(cx), Sint16(cy), 8, 8};
      int v = ((cx + cy) / 8) % 2 ? 58 : 46;
      SDL_FillRect(sheet, &r, SDL_MapRGB(sheet->format, Uint8(v), Uint8(v), Uint8(v + 10)));
    }
  for (auto& it : pics) {
    SDL_Rect r{Sint16(it.x), Sint16(it.y), 0, 0};
    SDL_BlitSurface(it.pic, nullptr, sheet, &r);
    if (!it.zoomed()) continue;
    for (int py = 0; py < it.h; ++py)
      for (int px = 0; px < it.w; ++px) {
        SDL_Rect one{Sint16(px), Sint16(py), 1, 1};
        SDL_Rect to{Sint16(it.x + it.w + kPad + px * kZoom), Sint16(it.y + py * kZoom), 0, 0};
        SDL_BlitSurface(it.pic, &one, sheet, &to);
        // Repeat the one pixel over its enlarged square, alpha and colour key included.
        for (int k = 1; k < kZoom * kZoom; ++k) {
          SDL_Rect t{Sint16(to.x + k % kZoom), Sint16(to.y + k / kZoom), 0, 0};
          SDL_BlitSurface(it.pic, &one, sheet, &t);
        }
      }
  }
  for (auto& it : fonts) {
    SDL_Rect r{Sint16(it.x), Sint16(it.y), Uint16(it.w), Uint16(it.h)};
    SDL_FillRect(sheet, &r, SDL_MapRGB(sheet->format, 0x16, 0x22, 0x4f));
    std::string s = sampleFor(it.name);
    sge_BF_textout(sheet, it.font, const_cast<char*>(s.c_str()), Sint16(it.x), Sint16(it.y));
  }

  art::Image img(kSheetW, sheetH);
  for (int py = 0; py < sheetH; ++py)
    for (int px = 0; px < kSheetW; ++px) {
      Uint32 v = static_cast<Uint32*>(sheet->pixels)[py * sheet->pitch / 4 + px];
      img.set(px, py, {Uint8(v >> 16), Uint8(v >> 8), Uint8(v)});
    }
  art::Cairo cairo(kSheetW, sheetH);
  cairo.load(img);
  cairo_t* cr = cairo.cr();
  auto label = [&](const Item& it, int lx, int ly) {
    art::textPath(cr, face, 11, 1.0, it.name, lx, ly);
    cairo.rgb({255, 255, 255});
    cairo_fill(cr);
  };
  for (auto& it : pics) label(it, it.x, it.y + (it.zoomed() ? it.h * kZoom : it.h) + 12);
  for (auto& it : fonts) label(it, it.x, it.y - 4);
  art::writePng(out, cairo.image(), art::Channels::Rgb);
  SDL_Quit();
  return 0;
}

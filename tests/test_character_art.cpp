// The character's pictures as the build draws them into build/gfx: that they
// load the way the show loads them, keep to the area the show cleans behind
// the character every frame, and come out the same on every build.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/extra.h"
#include "tests/support.h"

namespace {

const std::string kGfx = std::string(PLUPP_BUILD_DIR) + "/gfx/";
const std::string kTool = std::string(PLUPP_BUILD_DIR) + "/tools/chargen/chargen";
const std::string kSheet = std::string(PLUPP_SOURCE_DIR) + "/assets/art/character/character.sheet";

const std::map<std::string, std::vector<std::string>> kPoses = {
    {"walk", {"kakmonsterwalk1", "kakmonsterwalk2", "kakmonsterwalk3", "kakmonsterwalk4"}},
    {"clap", {"kakmonsterclap1", "kakmonsterclap2"}},
    {"stamp", {"kakmonsterstamp", "kakmonsterstamp2"}},
    {"snap", {"kakmonsterknapp1", "kakmonsterknapp2"}},
    {"wave", {"kakmonsterhej1", "kakmonsterhej2"}},
    {"dance", {"kakmonsterdansar", "kakmonsterdansar2", "kakmonsterdansar3"}},
    {"blink", {"kakmonsterblink1", "kakmonsterblink2"}},
};
const std::vector<std::string> kFlames = {"fire_1", "fire_2", "fire_3", "fire_4"};

std::vector<std::string> characterFrames() {
  std::vector<std::string> all;
  for (const auto& [pose, frames] : kPoses) all.insert(all.end(), frames.begin(), frames.end());
  return all;
}

std::vector<std::string> everyPicture() {
  std::vector<std::string> all = characterFrames();
  all.insert(all.end(), kFlames.begin(), kFlames.end());
  all.push_back("platform");
  return all;
}

struct SurfaceFree {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Picture = std::unique_ptr<SDL_Surface, SurfaceFree>;

Picture load(const std::string& name) { return Picture(IMG_Load((kGfx + name + ".png").c_str())); }

Uint8 alphaAt(SDL_Surface* s, int x, int y) {
  Uint8 r, g, b, a;
  SDL_GetRGBA(pixelAt(s, x, y), s->format, &r, &g, &b, &a);
  return a;
}

// Extent of the pixels that show at all, in the picture's own coordinates.
struct Box {
  int left = 1 << 20, top = 1 << 20, right = -(1 << 20), bottom = -(1 << 20);
  bool empty() const { return right < left; }
};

Box visibleBox(SDL_Surface* s) {
  Box box;
  SDL_LockSurface(s);
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x)
      if (alphaAt(s, x, y) > 0) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  SDL_UnlockSurface(s);
  return box;
}

// The area the show cleans is 110x100 from (x - 20, y); since (x, y) moves
// up to 2 pixels a frame, a picture drawn at (x + dx, y + dy) must leave a
// 2-pixel margin inside it.
void expectInsideCleanedArea(const Box& b, int dx, int dy, const std::string& what) {
  ASSERT_FALSE(b.empty()) << what << " shows nothing";
  EXPECT_GE(b.left + dx, -18) << what;
  EXPECT_LE(b.right + dx, 87) << what;
  EXPECT_GE(b.top + dy, 2) << what;
  EXPECT_LE(b.bottom + dy, 97) << what;
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// SGE refreshes the display after each operation unless told not to, as the
// show does at start-up.
void sgeQuiet() {
  testDisplay();
  sge_Update_OFF();
}

// Runs the builder and returns its exit status and everything it printed.
std::pair<int, std::string> runTool(const std::string& args) {
  std::string out;
  FILE* p = popen((kTool + " " + args + " 2>&1").c_str(), "r");
  if (!p) return {-1, out};
  char buf[256];
  while (fgets(buf, sizeof buf, p)) out += buf;
  int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace

TEST(CharacterArt, EveryPictureLoadsWithItsOwnAlpha) {
  for (const std::string& name : everyPicture()) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name << ": " << IMG_GetError();
    // The pictures are drawn without a key or display conversion and are
    // scaled with sge_transform_surface, which keeps per-pixel alpha only
    // in a true-colour picture with an alpha channel.
    EXPECT_EQ(p->format->BitsPerPixel, 32) << name;
    EXPECT_NE(p->format->Amask, 0u) << name;
    EXPECT_TRUE(p->flags & SDL_SRCALPHA) << name;
    SDL_LockSurface(p.get());
    EXPECT_EQ(alphaAt(p.get(), 0, 0), 0) << name << " has no transparent corner";
    SDL_UnlockSurface(p.get());
  }
}

TEST(CharacterArt, CreatureIsWarmColoured) {
  // Most of the creature is orange-red fur; a swapped channel order in the
  // written files would turn it blue.
  for (const std::string& name : characterFrames()) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name;
    int warm = 0, cool = 0;
    SDL_LockSurface(p.get());
    for (int y = 0; y < p->h; ++y)
      for (int x = 0; x < p->w; ++x) {
        Uint8 r, g, b, a;
        SDL_GetRGBA(pixelAt(p.get(), x, y), p->format, &r, &g, &b, &a);
        if (a < 255) continue;
        if (r > b + 60) ++warm;
        if (b > r + 60) ++cool;
      }
    SDL_UnlockSurface(p.get());
    EXPECT_GT(warm, 4 * cool) << name;
  }
}

TEST(CharacterArt, FramesOfAPoseShareSizeAndFooting) {
  int width = 0, height = 0;
  for (const auto& [pose, frames] : kPoses) {
    int feet = -1;
    std::vector<std::string> pixels;
    for (const std::string& name : frames) {
      Picture p = load(name);
      ASSERT_TRUE(p) << name;
      if (width == 0) {
        width = p->w;
        height = p->h;
      }
      // One size for every frame, so the body never jumps between frames
      // or when a gesture starts.
      EXPECT_EQ(p->w, width) << name;
      EXPECT_EQ(p->h, height) << name;
      // The feet stay on the same row of the platform.
      Box b = visibleBox(p.get());
      if (feet < 0) feet = b.bottom;
      EXPECT_EQ(b.bottom, feet) << pose << ": " << name;
      pixels.emplace_back(static_cast<const char*>(p->pixels), size_t(p->pitch) * p->h);
    }
    for (size_t i = 1; i < pixels.size(); ++i)
      EXPECT_NE(pixels[i], pixels[i - 1])
          << pose << " frames " << i - 1 << " and " << i << " are alike";
  }
  Picture first = load(kFlames[0]);
  ASSERT_TRUE(first);
  for (const std::string& name : kFlames) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name;
    EXPECT_EQ(p->w, first->w) << name;
    EXPECT_EQ(p->h, first->h) << name;
  }
}

TEST(CharacterArt, BlinkMovesOnlyTheEyes) {
  Picture open = load("kakmonsterblink1"), shut = load("kakmonsterblink2");
  ASSERT_TRUE(open && shut);
  ASSERT_EQ(open->w, shut->w);
  ASSERT_EQ(open->h, shut->h);
  Box changed;
  for (int y = 0; y < open->h; ++y)
    for (int x = 0; x < open->w; ++x)
      if (pixelAt(open.get(), x, y) != pixelAt(shut.get(), x, y)) {
        changed.left = std::min(changed.left, x);
        changed.right = std::max(changed.right, x);
        changed.top = std::min(changed.top, y);
        changed.bottom = std::max(changed.bottom, y);
      }
  ASSERT_FALSE(changed.empty()) << "the eyes never close";
  EXPECT_LE(changed.bottom - changed.top + 1, open->h / 4);
  EXPECT_LE(changed.right - changed.left + 1, open->w / 2);
}

TEST(CharacterArt, EveryPictureStaysInsideTheCleanedArea) {
  for (const std::string& name : characterFrames()) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name;
    expectInsideCleanedArea(visibleBox(p.get()), 0, 0, name);
  }

  Picture platform = load("platform");
  ASSERT_TRUE(platform);
  Box deck = visibleBox(platform.get());
  expectInsideCleanedArea(deck, -15, 68, "platform");
  // The flames show below it.
  EXPECT_LE(deck.bottom + 68, 88);

  for (const std::string& name : kFlames) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name;
    Box b = visibleBox(p.get());
    EXPECT_LE(b.bottom - b.top + 1, 8) << name;
    expectInsideCleanedArea(b, -4, 90, name + " left");
    expectInsideCleanedArea(b, 53, 90, name + " right");
    // Each flame hangs under the platform rather than beside it.
    EXPECT_GE(b.left - 4, deck.left - 15) << name;
    EXPECT_LE(b.right + 53, deck.right - 15) << name;
  }
}

TEST(CharacterArt, FeetStandOnThePlatform) {
  Picture platform = load("platform");
  ASSERT_TRUE(platform);
  SDL_LockSurface(platform.get());
  for (const std::string& name : characterFrames()) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name;
    Box b = visibleBox(p.get());
    // The lowest row of the creature, in platform coordinates, must fall on
    // the deck under the middle of the frame, or it floats or sinks.
    int row = b.bottom - 68, column = (b.left + b.right) / 2 + 15;
    ASSERT_GE(row, 0) << name << " floats above the platform";
    ASSERT_LT(row, platform->h) << name << " stands below the platform";
    EXPECT_EQ(alphaAt(platform.get(), column, row), 255) << name;
  }
  SDL_UnlockSurface(platform.get());
}

TEST(CharacterArt, GrowingInKeepsTheWalkInsideTheCleanedArea) {
  // While it grows in, the walk is drawn as a copy scaled from its top-left
  // corner, ending a little above full size; the copy must stay transparent
  // around the creature and inside the cleaned area.
  sgeQuiet();
  for (const std::string& name : kPoses.at("walk")) {
    Picture p = load(name);
    ASSERT_TRUE(p) << name;
    for (float scale : {0.016f, 0.25f, 0.6f, 0.99f, 1.016f, 1.05f}) {
      Picture copy(sge_transform_surface(p.get(), 0, 0.0f, scale, scale, SGE_TSAFE));
      ASSERT_TRUE(copy) << name << " at " << scale;
      Box b = visibleBox(copy.get());
      if (b.empty()) continue;
      std::string what = name + " at scale " + std::to_string(scale);
      EXPECT_LE(b.right, 87) << what;
      EXPECT_LE(b.bottom, 97) << what;
      if (scale >= 1.0f) {
        EXPECT_GE(b.top, 2) << what;
      }
    }
  }
}

TEST(CharacterArt, MovingCharacterLeavesNoTrail) {
  // Draws the character the way the show does while its drawing point
  // wanders up to 2 pixels a frame in every direction, each frame cleaning
  // only the area at the new point, and checks that nothing of an earlier
  // frame is left outside it.
  sgeQuiet();
  SDL_Surface* screen = makeSurface(640, 480, 32);
  ASSERT_TRUE(screen);
  const Uint32 sky = SDL_MapRGB(screen->format, 0x16, 0x22, 0x4f);
  SDL_FillRect(screen, nullptr, sky);

  std::vector<Picture> frames;
  for (const std::string& name : characterFrames()) frames.push_back(load(name));
  for (const std::string& name : kPoses.at("walk")) {
    Picture p = load(name);
    frames.emplace_back(sge_transform_surface(p.get(), 0, 0.0f, 1.05f, 1.05f, SGE_TSAFE));
  }
  std::vector<Picture> flames;
  for (const std::string& name : kFlames) flames.push_back(load(name));
  Picture platform = load("platform");
  ASSERT_TRUE(platform);

  const int steps[][2] = {{2, 2},  {-2, 2}, {2, -2}, {-2, -2}, {0, 2},
                          {0, -2}, {2, 0},  {-2, 0}, {1, -2}};
  int x = 430, y = 190;
  int n = 0;
  for (int round = 0; round < 3; ++round)
    for (const auto& step : steps)
      for (int repeat = 0; repeat < 2; ++repeat, ++n) {
        x += step[0];
        y += step[1];
        SDL_Rect area = {Sint16(x - 20), Sint16(y), 110, 100};
        SDL_FillRect(screen, &area, sky);
        drawImg(screen, platform.get(), x - 15, y + 68);
        SDL_Surface* flame = flames[n % flames.size()].get();
        drawImg(screen, flame, x - 4, y + 90);
        drawImg(screen, flame, x + 53, y + 90);
        drawImg(screen, frames[n % frames.size()].get(), x, y);

        SDL_LockSurface(screen);
        int left = 0;
        for (int sy = y - 30; sy < y + 130; ++sy)
          for (int sx = x - 50; sx < x + 120; ++sx) {
            bool inside = sx >= x - 20 && sx < x + 90 && sy >= y && sy < y + 100;
            if (!inside && pixelAt(screen, sx, sy) != sky) ++left;
          }
        SDL_UnlockSurface(screen);
        ASSERT_EQ(left, 0) << "trail after a step of (" << step[0] << ", " << step[1]
                           << ") at frame " << n;
      }
  SDL_FreeSurface(screen);
}

TEST(CharacterArt, BuildsAreByteForByteTheSame) {
  TempCwd cwd;
  auto [status, output] = runTool(kSheet + " " + cwd.dir);
  ASSERT_EQ(status, 0) << output;
  for (const std::string& name : everyPicture()) {
    std::string again = readBytes(cwd.dir + "/" + name + ".png");
    std::string built = readBytes(kGfx + name + ".png");
    ASSERT_FALSE(built.empty()) << name;
    EXPECT_TRUE(again == built) << name << " differs between two builds";
    EXPECT_EQ(built.find("tIME"), std::string::npos) << name << " carries a time stamp";
  }
}

TEST(CharacterArt, BuilderRejectsAMistakeInTheSheetByLine) {
  TempCwd cwd;
  {
    std::ofstream bad(cwd.dir + "/bad.sheet");
    bad << "colour ink #000000\n# a comment\nframe-size 10 10\nframe a\n  wiggle 3\n";
  }
  auto [status, output] = runTool(cwd.dir + "/bad.sheet " + cwd.dir);
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find("line 5"), std::string::npos) << output;
  EXPECT_NE(output.find("wiggle"), std::string::npos) << output;
}

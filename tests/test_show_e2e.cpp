// The whole show through plupp-capture on its virtual clock, judged from the
// shots it writes against the pictures in gfx/.
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/support.h"

namespace {
namespace fs = std::filesystem;

struct CaptureRun {
  std::string out;  // stdout and stderr
  long frames = -1;
  double time = -1;
  std::string status;
};

long countLines(const std::string& file) {
  std::ifstream in(file);
  long n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

CaptureRun capture(const std::string& folder, const std::string& args) {
  std::string cmd = "cd '" + folder + "' && '" PLUPP_BUILD_DIR "/plupp-capture' " + args + " 2>&1";
  CaptureRun run;
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) run.out.append(buf, n);
  pclose(p);
  std::smatch m;
  static const std::regex last(R"(frames=(\d+) time=([0-9.]+) status=(\S+)\s*$)");
  if (std::regex_search(run.out, m, last)) {
    run.frames = std::stol(m[1]);
    run.time = std::stod(m[2]);
    run.status = m[3];
  }
  return run;
}

using Picture = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;
Picture load(const std::string& path) {
  SDL_Surface* raw = IMG_Load(path.c_str());
  SDL_Surface* rgb =
      raw ? SDL_CreateRGBSurface(SDL_SWSURFACE, raw->w, raw->h, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0)
          : nullptr;
  if (rgb) SDL_BlitSurface(raw, nullptr, rgb, nullptr);
  if (raw) SDL_FreeSurface(raw);
  return Picture(rgb, SDL_FreeSurface);
}

struct Rect {
  int x, y, w, h;
};

// Share of the pixels of `area` on the shot that equal the picture's pixels
// `dy` rows further down.
double sameAs(SDL_Surface* shot, SDL_Surface* picture, Rect area, int dy = 0) {
  int same = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x)
      same += rgbAt(shot, x, y) == rgbAt(picture, x, y + dy);
  return double(same) / (area.w * area.h);
}

double blackShare(SDL_Surface* shot, Rect area) {
  int black = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) black += rgbAt(shot, x, y) == 0;
  return double(black) / (area.w * area.h);
}

// The grey noise of an effect change: every pixel grey, levels spread evenly
// over 0..254. Effects on black (cube, stars, grid) are grey too, but dark.
bool showsNoise(SDL_Surface* shot, Rect area) {
  int grey = 0;
  double sum = 0, sum2 = 0;
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) {
      uint32_t c = rgbAt(shot, x, y);
      uint32_t r = c >> 16, g = c >> 8 & 0xFF, b = c & 0xFF;
      grey += r == g && g == b;
      sum += r;
      sum2 += double(r) * r;
    }
  const double n = area.w * area.h, mean = sum / n, spread = std::sqrt(sum2 / n - mean * mean);
  return grey > 0.97 * n && mean > 100 && mean < 155 && spread > 60;
}

// Inside the box wherever its sway takes it.
constexpr Rect kBoxInside = {160, 185, 130, 100};
// The intro's top band, and the same place in the karaoke scene's sky left
// of the flag.
constexpr Rect kTopBand = {0, 5, 200, 80};
// The karaoke scene's lyric area, a copy of the background from 10 rows down.
constexpr Rect kLyricArea = {10, 392, 300, 78};
// Left of the box in the last scene: background, snow, and the scroller.
constexpr Rect kLeftOfBox = {0, 140, 85, 140};

constexpr double kEffectWindows[] = {37.0, 51.5, 67.0, 81.0, 96.0, 110.0, 125.0};
}  // namespace

TEST(ShowEndToEnd, WithTheSongTheShowRunsThroughItsScenesToTheEndFade) {
  TempCwd cwd;
  const std::string shots = cwd.dir;
  std::map<std::string, double> at = {
      {"intro", 20.5},      {"karaoke", 22.3},     {"lyrics", 60.0},   {"lastKaraoke", 149.5},
      {"greetings", 150.5}, {"noScroller", 161.9}, {"scroller", 170.0}};
  for (int i = 0; i < 7; ++i) {
    at["before" + std::to_string(i)] = kEffectWindows[i] - 0.6;
    at["change" + std::to_string(i)] = kEffectWindows[i] + 0.5;
  }
  std::string args = "--cues --memory";
  for (auto& [name, t] : at)
    args += " --shot " + std::to_string(t) + ":" + shots + "/" + name + ".png";
  CaptureRun run = capture(PLUPP_BUILD_DIR, args);

  // The end signal, then about 1.3 s of white at 60 frames a second.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(cue t=([0-9.]+) inst=53)"))) << run.out;
  const double endSignal = std::stod(m[1]);
  EXPECT_EQ(run.status, "1") << run.out.substr(run.out.size() - 300);
  EXPECT_GT(run.time, endSignal + 1.0);
  EXPECT_LT(run.time, endSignal + 2.0);

  // Resident memory flat once the show has started: under 1 MB of growth
  // after the first minute. (The address sanitizer holds freed memory back
  // on purpose, so its build does not count.)
  std::map<int, long> rssKb;
  static const std::regex memoryLine(R"(memory t=(\d+) rss_kb=(\d+))");
  for (std::sregex_iterator i(run.out.begin(), run.out.end(), memoryLine), end; i != end; ++i)
    rssKb[std::stoi((*i)[1])] = std::stol((*i)[2]);
  ASSERT_TRUE(rssKb.count(60) && rssKb.count(240)) << run.out.substr(0, 300);
#ifndef __SANITIZE_ADDRESS__
  for (const auto& [t, kb] : rssKb)
    if (t > 60) {
      EXPECT_LT(kb - rssKb[60], 1024) << "resident memory at " << t << " s";
    }
#endif

  testDisplay();
  Picture bg = load(PLUPP_BUILD_DIR "/gfx/kakbg.png");
  ASSERT_TRUE(bg);
  std::map<std::string, Picture> shot;
  for (auto& [name, t] : at) {
    shot.emplace(name, load(shots + "/" + name + ".png"));
    ASSERT_TRUE(shot.at(name)) << name << " at " << t << " s";
  }
  auto get = [&](const char* name) { return shot.at(name).get(); };

  // Scene 0 until the fade: black bands; scene 1 right after it, the white gone.
  EXPECT_GT(blackShare(get("intro"), kTopBand), 0.9);
  EXPECT_LT(blackShare(get("karaoke"), kTopBand), 0.1);
  EXPECT_GT(sameAs(get("karaoke"), bg.get(), kTopBand), 0.85);

  // Each effect change in its window: noise just inside, none just before.
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE("window from " + std::to_string(kEffectWindows[i]) + " s");
    EXPECT_FALSE(showsNoise(shot.at("before" + std::to_string(i)).get(), kBoxInside));
    EXPECT_TRUE(showsNoise(shot.at("change" + std::to_string(i)).get(), kBoxInside));
  }

  // Lyrics over the background in scene 1, up to its last line just sung;
  // none from 150 s on, where only snow crosses the area.
  EXPECT_LT(sameAs(get("lyrics"), bg.get(), kLyricArea, 10), 0.9);
  EXPECT_LT(sameAs(get("lastKaraoke"), bg.get(), kLyricArea, 10), 0.97);
  EXPECT_GT(sameAs(get("greetings"), bg.get(), kLyricArea, 10), 0.98);

  // The closing scroller crosses the left of the screen only after 162 s.
  EXPECT_GT(sameAs(get("noScroller"), bg.get(), kLeftOfBox), 0.95);
  EXPECT_LT(sameAs(get("scroller"), bg.get(), kLeftOfBox), 0.92);
}

TEST(ShowEndToEnd, WithoutTheSongTheShowRunsUntilEscape) {
  TempCwd cwd;
  fs::create_directory_symlink(PLUPP_BUILD_DIR "/gfx", "gfx");
  // Past the song's end: nothing ends the show but the viewer.
  CaptureRun run = capture(cwd.dir, "--fps 20 --key 260:escape");
  EXPECT_EQ(run.status, "0") << run.out;
  EXPECT_DOUBLE_EQ(run.time, 260.0);
  EXPECT_EQ(run.frames, 260 * 20 + 1);
}

// The end's grey steps and last pause (about 1.5 s after the last loop frame)
// run outside the frame loop; an Escape there still ends the show at once, as
// the viewer's own quit.
TEST(ShowEndToEnd, EscapeDuringTheGreyStepsEndsAtOnceWithZero) {
  TempCwd cwd;
  const std::string sums = cwd.dir + "/sums.txt";
  CaptureRun whole = capture(PLUPP_BUILD_DIR, "--fps 20 --checksums '" + sums + "'");
  ASSERT_EQ(whole.status, "1") << whole.out;
  const long allFlips = countLines(sums);
  // Some eight grey steps (20 ms each) in; the key arrives with a flip.
  const double inGreys = whole.time + 0.05 + 6 * 0.02;
  CaptureRun cut = capture(PLUPP_BUILD_DIR, "--fps 20 --checksums '" + sums + "' --key " +
                                                std::to_string(inGreys) + ":escape");
  EXPECT_EQ(cut.status, "0") << cut.out;
  EXPECT_EQ(cut.frames, whole.frames);  // the same last loop frame
  const long cutFlips = countLines(sums);
  EXPECT_GT(cutFlips, allFlips - 26 + 3) << "the key came too early to be in the grey steps";
  EXPECT_LT(cutFlips, allFlips - 10) << "the grey steps went on after the Escape";
}

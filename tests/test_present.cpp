#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "demo/options.h"
#include "demo/present.h"
#include "render/datadir.h"
#include "tests/support.h"
#include "tools/soundcheck/envelope.h"

namespace fs = std::filesystem;

TEST(WindowScale, TheLargestWholeFactorThatLeavesRoomForFrameAndPanel) {
  EXPECT_EQ(windowScaleFor(1920, 1080), 2);
  EXPECT_EQ(windowScaleFor(3840, 2160), 4);
  EXPECT_EQ(windowScaleFor(2560, 1440), 2);
  EXPECT_EQ(windowScaleFor(1366, 768), 1);
  EXPECT_EQ(windowScaleFor(0, 0), 1);  // desktop unknown
  // Factor 2 needs 1280 + 16 by 960 + 100.
  EXPECT_EQ(windowScaleFor(1296, 1060), 2);
  EXPECT_EQ(windowScaleFor(1295, 1060), 1);
  EXPECT_EQ(windowScaleFor(1296, 1059), 1);
}

TEST(Presentation, OnSdl12CompatTheLibraryEnlargesAndFits) {
  Presentation w = presentationFor(PresentMode::Window, 0, 1920, 1080, true);
  EXPECT_EQ(w.modeW, 640);
  EXPECT_EQ(w.libraryScale, 2);
  EXPECT_EQ(w.factor, 1);
  EXPECT_FALSE(w.smooth);
  EXPECT_EQ(presentationFor(PresentMode::Window, 3, 1920, 1080, true).libraryScale, 3);

  // Full screen: the whole enlargement under the desktop's height, stretched
  // the rest of the way linearly.
  Presentation f = presentationFor(PresentMode::FullScreen, 0, 1920, 1080, true);
  EXPECT_TRUE(f.fullScreen);
  EXPECT_EQ(f.modeW, 1280);
  EXPECT_EQ(f.modeH, 960);
  EXPECT_EQ(f.factor, 2);
  EXPECT_TRUE(f.smooth);
  f = presentationFor(PresentMode::FullScreen, 0, 3840, 2160, true);
  EXPECT_EQ(f.modeW, 2560);
  EXPECT_EQ(f.factor, 4);
  // A height of whole multiples is left to the library, nearest.
  f = presentationFor(PresentMode::FullScreen, 0, 1920, 1440, true);
  EXPECT_EQ(f.modeW, 640);
  EXPECT_FALSE(f.smooth);
  // A portrait desktop: the width bounds the picture (1080 wide: 810 tall).
  f = presentationFor(PresentMode::FullScreen, 0, 1080, 1920, true);
  EXPECT_EQ(f.factor, 1);
  EXPECT_TRUE(f.smooth);
  // A desktop whose size is unknown gets a plain window.
  EXPECT_FALSE(presentationFor(PresentMode::FullScreen, 0, 0, 0, true).fullScreen);
}

TEST(Presentation, OnClassicSdlOurCodeEnlargesByWholeFactorsCentred) {
  Presentation w = presentationFor(PresentMode::Window, 0, 1920, 1080, false);
  EXPECT_EQ(w.modeW, 1280);
  EXPECT_EQ(w.modeH, 960);
  EXPECT_EQ(w.factor, 2);
  EXPECT_EQ(w.libraryScale, 1);
  Presentation f = presentationFor(PresentMode::FullScreen, 0, 1920, 1080, false);
  EXPECT_EQ(f.modeW, 1920);
  EXPECT_EQ(f.factor, 2);
  EXPECT_EQ(f.x, 320);
  EXPECT_EQ(f.y, 60);
  f = presentationFor(PresentMode::FullScreen, 0, 1024, 768, false);
  EXPECT_EQ(f.factor, 1);
  EXPECT_EQ(f.x, 192);
  EXPECT_EQ(f.y, 144);
}

namespace {
double periodOf(std::vector<double> intervals, std::vector<double> flips) {
  return displayPeriodFrom(intervals.data(), flips.data(), int(intervals.size()));
}
std::vector<double> around(double v, int n, double jitter) {
  std::vector<double> out;
  for (int i = 0; i < n; ++i) out.push_back(v + ((i * 7) % 5 - 2) * jitter / 2);
  return out;
}
}  // namespace

TEST(DisplayPacing, SteadyFlipsThatWaitAreTheDisplaysRefresh) {
  EXPECT_NEAR(periodOf(around(16.67, 30, 0.2), around(15.0, 30, 0.5)), 16.67, 0.2);
  EXPECT_NEAR(periodOf(around(8.33, 30, 0.1), around(7.0, 30, 0.5)), 8.33, 0.1);   // 120 Hz
  EXPECT_NEAR(periodOf(around(20.0, 30, 0.2), around(18.0, 30, 0.5)), 20.0, 0.2);  // 50 Hz
  // Flips that return at once leave the pace to the show's own drawing.
  EXPECT_EQ(periodOf(around(16.67, 30, 0.2), around(1.0, 30, 0.2)), 0);
  // An uneven software renderer, too slow or too fast to be a display.
  EXPECT_EQ(periodOf(around(16.0, 30, 8.0), around(12.0, 30, 4.0)), 0);
  EXPECT_EQ(periodOf(around(40.0, 30, 0.5), around(35.0, 30, 0.5)), 0);
  EXPECT_EQ(periodOf(around(3.0, 30, 0.1), around(2.5, 30, 0.1)), 0);
  EXPECT_EQ(periodOf(around(16.67, 4, 0.1), around(15.0, 4, 0.1)), 0);  // too few
}

TEST(Enlarge, EveryPixelBecomesABlockAndNothingOutsideIsWritten) {
  testDisplay();
  SDL_Surface* src = makeSurface(640, 480, 32);
  paintGradient(src, 0x010203, 3, 1 << 10);
  for (int factor : {1, 3}) {
    SDL_Surface* dst = makeSurface(640 * factor + 25, 480 * factor + 12, 32);
    fill(dst, 9, 9, 9);
    const int x0 = 17, y0 = 5;
    const Presentation p{dst->w, dst->h, true, factor, x0, y0, 1, false};
    present::detail::enlargeInto(dst, src, p);
    int wrong = 0, outside = 0;
    for (int y = 0; y < dst->h; ++y)
      for (int x = 0; x < dst->w; ++x) {
        const bool in = x >= x0 && y >= y0 && x < x0 + 640 * factor && y < y0 + 480 * factor;
        const Uint32 got = pixelAt(dst, x, y);
        if (in && got != pixelAt(src, (x - x0) / factor, (y - y0) / factor)) ++wrong;
        if (!in && rgbAt(dst, x, y) != 0x090909) ++outside;
      }
    EXPECT_EQ(wrong, 0) << "factor " << factor;
    EXPECT_EQ(outside, 0) << "factor " << factor;
    SDL_FreeSurface(dst);
  }
  SDL_FreeSurface(src);
}

namespace {
OptionsVerdict parse(std::vector<const char*> args, PresentOptions& out, std::string& error) {
  args.insert(args.begin(), "plupp");
  return parseOptions(int(args.size()), args.data(), out, error);
}
}  // namespace

TEST(StartOptions, ModesScalesAndMistakes) {
  PresentOptions o;
  std::string error;
  ASSERT_EQ(parse({}, o, error), OptionsVerdict::Run);
  EXPECT_EQ(o.mode, PresentMode::Window);
  EXPECT_EQ(o.scale, 0);
  ASSERT_EQ(parse({"--fullscreen", "--stats"}, o, error), OptionsVerdict::Run);
  EXPECT_EQ(o.mode, PresentMode::FullScreen);
  EXPECT_TRUE(o.stats);
  // A scale asks for a window; the last of the modes named stands.
  ASSERT_EQ(parse({"--fullscreen", "--scale", "3"}, o, error), OptionsVerdict::Run);
  EXPECT_EQ(o.mode, PresentMode::Window);
  EXPECT_EQ(o.scale, 3);
  ASSERT_EQ(parse({"--window", "--fullscreen"}, o, error), OptionsVerdict::Run);
  EXPECT_EQ(o.mode, PresentMode::FullScreen);
  EXPECT_EQ(parse({"--help"}, o, error), OptionsVerdict::Help);
  for (std::vector<const char*> bad : {std::vector<const char*>{"--scale"},
                                       {"--scale", "0"},
                                       {"--scale", "17"},
                                       {"--scale", "2x"},
                                       {"--scale", ""},
                                       {"-f"},
                                       {"fullscreen"}}) {
    error.clear();
    EXPECT_EQ(parse(bad, o, error), OptionsVerdict::Bad) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(DataFolder, WorkingDirectoryThenBesideTheExecutableThenInstalled) {
  const std::vector<std::string> c = dataCandidates("/opt/demo/bin/plupp");
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0], "");
  EXPECT_EQ(c[1], "/opt/demo/bin");
  EXPECT_EQ(c[2], "/opt/demo/share/plupp");
  EXPECT_EQ(dataCandidates("").size(), 1u);
  {
    TempCwd cwd;
    const std::string exe = cwd.dir + "/tree/bin/plupp";
    fs::create_directories(cwd.dir + "/tree/bin");
    std::string looked;
    EXPECT_FALSE(findShowData(exe, &looked));
    EXPECT_NE(looked.find("the working directory"), std::string::npos) << looked;
    EXPECT_NE(looked.find(cwd.dir + "/tree/share/plupp"), std::string::npos) << looked;

    fs::create_directories(cwd.dir + "/tree/share/plupp/data");
    ASSERT_TRUE(findShowData(exe, nullptr));
    EXPECT_EQ(dataFile("gfx/kakbg.png"), cwd.dir + "/tree/share/plupp/gfx/kakbg.png");
    fs::create_directories(cwd.dir + "/tree/bin/gfx");
    ASSERT_TRUE(findShowData(exe, nullptr));
    EXPECT_EQ(dataFile("gfx/kakbg.png"), cwd.dir + "/tree/bin/gfx/kakbg.png");
    // A working directory with either folder is the show's, damaged or not.
    fs::create_directories(cwd.dir + "/gfx");
    ASSERT_TRUE(findShowData(exe, nullptr));
    EXPECT_EQ(dataFile("gfx/kakbg.png"), "gfx/kakbg.png");
  }
  ASSERT_TRUE(findShowData("", nullptr));  // back to the build folder's data
}

TEST(Dropouts, SilentRunsAtTheirBoundaries) {
  std::vector<int16_t> s(2 * 100, 1000);
  for (int f = 10; f < 30; ++f) s[2 * f] = s[2 * f + 1] = 0;   // 20 frames
  for (int f = 50; f < 69; ++f) s[2 * f] = s[2 * f + 1] = 0;   // 19 frames
  for (int f = 80; f < 100; ++f) s[2 * f] = s[2 * f + 1] = 0;  // 20, at the end
  std::vector<SilentRun> runs = silentRuns(s, 20);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].start, 10u);
  EXPECT_EQ(runs[0].frames, 20u);
  EXPECT_EQ(runs[1].start, 80u);
  EXPECT_EQ(runs[1].frames, 20u);
  // One channel with sound is no silence: 10..19, then 21..29 is too short.
  s[2 * 20] = 5;
  runs = silentRuns(s, 10);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].frames, 10u);
  EXPECT_EQ(runs[1].start, 50u);
  EXPECT_EQ(runs[1].frames, 19u);
}

TEST(Dropouts, TheRecordingIsFoundInTheSongByItsLoudness) {
  std::vector<double> song;
  for (int i = 0; i < 400; ++i)
    song.push_back(0.3 + 0.2 * std::sin(i * 0.37) * std::cos(i * 0.051));
  const std::vector<double> part(song.begin() + 123, song.begin() + 323);
  EXPECT_EQ(bestOffset(song, part), 123);
  // A recording that starts 40 blocks before the song does.
  std::vector<double> early(40, 0.0);
  early.insert(early.end(), song.begin(), song.begin() + 160);
  EXPECT_EQ(bestOffset(song, early), -40);
  std::vector<int16_t> square(2 * kBlock * 2);
  for (size_t i = 0; i < square.size(); ++i) square[i] = i % 2 ? -32768 : 32767;
  const std::vector<double> env = blockEnvelope(square);
  ASSERT_EQ(env.size(), 2u);
  EXPECT_NEAR(env[0], 1.0, 1e-4);
}

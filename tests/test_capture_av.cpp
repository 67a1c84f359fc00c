#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support.h"
#include "tools/capture/av_output.h"

namespace {
struct CaptureRun {
  int status;
  std::string out;  // stdout and stderr together
};

CaptureRun capture(const std::string& args) {
  std::string cmd = "cd " PLUPP_BUILD_DIR " && ./plupp-capture " + args + " 2>&1";
  CaptureRun run{-1, ""};
  std::FILE* p = popen(cmd.c_str(), "r");
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) run.out.append(buf, n);
  int rc = pclose(p);
  run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return run;
}

std::vector<char> slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t le32(const std::vector<char>& b, size_t at) {
  return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
}  // namespace

TEST(AvFit, KeepsFourToThreeCentredWithEvenSides) {
  SDL_Rect r = avFit(1920, 1080);
  EXPECT_EQ(r.x, 240);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.w, 1440);
  EXPECT_EQ(r.h, 1080);
  r = avFit(640, 480);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.w, 640);
  EXPECT_EQ(r.h, 480);
  r = avFit(800, 800);  // too narrow for the height: bars above and below
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 100);
  EXPECT_EQ(r.w, 800);
  EXPECT_EQ(r.h, 600);
  r = avFit(1000, 562);  // 749.3 wide: rounded down to even
  EXPECT_EQ(r.w % 2, 0);
  EXPECT_EQ(r.h, 562);
}

TEST(CaptureFiles, Y4mAndWavCoverTheSameTime) {
  TempCwd dir;
  CaptureRun run = capture("--until 2 --video " + dir.dir + "/a.y4m --audio " + dir.dir + "/a.wav");
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<char> y4m = slurp(dir.dir + "/a.y4m");
  std::string text(y4m.begin(), y4m.end());
  ASSERT_EQ(text.rfind("YUV4MPEG2 W640 H480 F60:1 ", 0), 0u);
  size_t header = text.find('\n') + 1;
  size_t frameBytes = 6 + 640 * 480 * 3 / 2;
  ASSERT_EQ((y4m.size() - header) % frameBytes, 0u);
  size_t frames = (y4m.size() - header) / frameBytes;
  for (size_t k = 0; k < frames; ++k)
    ASSERT_EQ(text.compare(header + k * frameBytes, 6, "FRAME\n"), 0);
  // Two seconds at 60 a second, and the frame that crossed the limit.
  EXPECT_GE(frames, 120u);
  EXPECT_LE(frames, 121u);

  std::vector<char> wav = slurp(dir.dir + "/a.wav");
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(le32(wav, 24), 44100u);
  uint32_t soundFrames = le32(wav, 40) / 4;
  EXPECT_EQ(wav.size(), 44u + le32(wav, 40));
  // Exactly 735 stereo frames of sound for every picture at 60 a second.
  EXPECT_EQ(soundFrames, frames * 735);
}

TEST(CaptureFiles, SizeScalesBetweenBlackBars) {
  TempCwd dir;
  CaptureRun run = capture("--until 0.05 --size 320x200 --video " + dir.dir + "/s.y4m");
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<char> y4m = slurp(dir.dir + "/s.y4m");
  std::string text(y4m.begin(), y4m.end());
  ASSERT_EQ(text.rfind("YUV4MPEG2 W320 H200 ", 0), 0u);
  size_t luma = text.find("FRAME\n") + 6;
  // 266×200 picture in the middle; the 26 columns left of it are bars.
  EXPECT_EQ(uint8_t(y4m[luma + 100 * 320 + 5]), 16);
}

TEST(CaptureFiles, BadOutputsFailBeforeRendering) {
  TempCwd dir;
  CaptureRun unknown = capture("--until 1 --video " + dir.dir + "/a.avi");
  EXPECT_NE(unknown.status, 0);
  EXPECT_NE(unknown.out.find("unknown kind of file"), std::string::npos) << unknown.out;
  EXPECT_EQ(unknown.out.find("frames="), std::string::npos);

  CaptureRun unwritable = capture("--until 1 --video /nonexistent/dir/a.y4m");
  EXPECT_NE(unwritable.status, 0);
  EXPECT_NE(unwritable.out.find("cannot write /nonexistent/dir/a.y4m"), std::string::npos)
      << unwritable.out;

  CaptureRun badWav = capture("--until 1 --audio " + dir.dir + "/a.mp3");
  EXPECT_NE(badWav.status, 0);
  EXPECT_NE(badWav.out.find(".wav"), std::string::npos);
}

namespace {
// Mean luma of the box's area in frame k of a y4m file of w×h.
double boxLuma(const std::vector<char>& y4m, size_t header, int w, int h, size_t k) {
  size_t frame = header + k * (6 + size_t(w) * h * 3 / 2) + 6;
  // The box sways around (115..315, 161..311) of 640×480; its middle is safe.
  int x0 = 150 * w / 640, x1 = 280 * w / 640, y0 = 190 * h / 480, y1 = 280 * h / 480;
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) sum += uint8_t(y4m[frame + size_t(y) * w + x]);
  return sum / ((x1 - x0) * (y1 - y0));
}
}  // namespace

// A flash turns the box negative for 50 ms on the song's accent: in the
// exported files the first negative frame and the accent's onset in the sound
// track lie within one frame of each other, and a clap sounds at its cue.
TEST(CaptureFiles, FlashAndItsAccentLineUp) {
  TempCwd dir;
  const int w = 128, h = 96;
  CaptureRun run = capture("--until 31.5 --cues --size 128x96 --video " + dir.dir +
                           "/f.y4m --audio " + dir.dir + "/f.wav");
  ASSERT_EQ(run.status, 0) << run.out;
  // The first flash and clap cues the song sends inside the karaoke scene.
  auto firstCue = [&](int instrument) {
    std::string tag = " inst=" + std::to_string(instrument) + "\n";
    for (size_t at = run.out.find("cue t="); at != std::string::npos;
         at = run.out.find("cue t=", at + 1)) {
      double t = std::atof(run.out.c_str() + at + 6);
      if (run.out.compare(run.out.find(" inst=", at), tag.size(), tag) == 0 && t > 25) return t;
    }
    return -1.0;
  };
  double cue = firstCue(48), clapCue = firstCue(49);
  ASSERT_GT(cue, 25) << "no flash cue in the karaoke scene";
  ASSERT_GT(clapCue, 25) << "no clap cue in the karaoke scene";

  std::vector<char> y4m = slurp(dir.dir + "/f.y4m");
  size_t header = std::string(y4m.begin(), y4m.begin() + 100).find('\n') + 1;
  size_t frames = (y4m.size() - header) / (6 + size_t(w) * h * 3 / 2);
  // The frame whose box jumps most against the one before, near the cue.
  size_t flashFrame = 0;
  double biggest = 0;
  for (size_t k = size_t((cue - 0.3) * 60); k < std::min(frames, size_t((cue + 0.3) * 60)); ++k) {
    double jump = std::abs(boxLuma(y4m, header, w, h, k) - boxLuma(y4m, header, w, h, k - 1));
    if (jump > biggest) biggest = jump, flashFrame = k;
  }
  EXPECT_GT(biggest, 20.0) << "no negative box near the cue";

  std::vector<char> wav = slurp(dir.dir + "/f.wav");
  const int16_t* pcm = reinterpret_cast<const int16_t*>(wav.data() + 44);
  size_t soundFrames = (wav.size() - 44) / 4;
  // Sound energy in windows of 1/240 s; the accent is the sharpest rise near the cue.
  auto start = [](size_t i) { return i * 44100 / 240; };  // exact: 183.75 frames a window
  auto energy = [&](size_t i) {
    double e = 0;
    for (size_t s = start(i); s < start(i + 1) && s < soundFrames; ++s)
      e += double(pcm[2 * s]) * pcm[2 * s] + double(pcm[2 * s + 1]) * pcm[2 * s + 1];
    return e + 1.0;
  };
  auto onsetNear = [&](double t) {
    size_t onset = 0;
    double sharpest = 0;
    for (size_t i = size_t((t - 0.3) * 240); i < size_t((t + 0.3) * 240); ++i) {
      double rise = energy(i) / energy(i - 1);
      if (rise > sharpest) sharpest = rise, onset = i;
    }
    return onset / 240.0;
  };
  double flashSeconds = flashFrame / 60.0, onsetSeconds = onsetNear(cue);
  // The clap sits among other sounds: it need not be the sharpest rise around,
  // but its own clear rise must come within a frame of its cue.
  double clapRise = 0;
  for (size_t i = size_t((clapCue - 1.0 / 60) * 240); i <= size_t((clapCue + 1.0 / 60) * 240); ++i)
    clapRise = std::max(clapRise, energy(i) / energy(i - 1));
  EXPECT_GT(clapRise, 2.5) << "no clap sound at " << clapCue << " s";
  EXPECT_NEAR(flashSeconds, cue, 1.0 / 60 + 0.006);
  // One frame, plus the width of a sound window.
  EXPECT_NEAR(onsetSeconds, flashSeconds, 1.0 / 60 + 1.0 / 240)
      << "picture " << flashSeconds << " s, sound " << onsetSeconds << " s, cue " << cue << " s";
}

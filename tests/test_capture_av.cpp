#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
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

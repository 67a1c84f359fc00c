#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <regex>
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
// Mean luma of the box's area in a w×h luma plane.
double boxLuma(const char* luma, int w, int h) {
  // The box sways around (115..315, 161..311) of 640×480; its middle is safe.
  int x0 = 150 * w / 640, x1 = 280 * w / 640, y0 = 190 * h / 480, y1 = 280 * h / 480;
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) sum += uint8_t(luma[size_t(y) * w + x]);
  return sum / ((x1 - x0) * (y1 - y0));
}
// Mean luma of the box's area in frame k of a y4m file of w×h.
double boxLuma(const std::vector<char>& y4m, size_t header, int w, int h, size_t k) {
  return boxLuma(y4m.data() + header + k * (6 + size_t(w) * h * 3 / 2) + 6, w, h);
}

// The first cue of an instrument inside the karaoke scene and after `after`
// seconds in a capture's --cues lines, or -1.
double firstCue(const std::string& out, int instrument, double after) {
  std::string tag = " inst=" + std::to_string(instrument) + "\n";
  for (size_t at = out.find("cue t="); at != std::string::npos; at = out.find("cue t=", at + 1)) {
    double t = std::atof(out.c_str() + at + 6);
    if (out.compare(out.find(" inst=", at), tag.size(), tag) == 0 && t > std::max(25.0, after))
      return t;
  }
  return -1.0;
}

// Picture and sound of a file that starts `from` seconds into the show: the
// box's first negative frame lies within a frame of the flash cue, the sound's
// accent within a frame of that picture, and a clap rises at its cue.
// `boxAt(k)` is the box's mean luma in file frame k; pcm is stereo 16-bit.
void expectFlashMeetsAccent(const std::string& out, double from, size_t frames,
                            const std::function<double(size_t)>& boxAt, const int16_t* pcm,
                            size_t soundFrames) {
  // Cues far enough into the file for the search windows around them.
  double cue = firstCue(out, 48, from + 0.3), clapCue = firstCue(out, 49, from + 0.3);
  ASSERT_GT(cue, 25) << "no flash cue in the karaoke scene";
  ASSERT_GT(clapCue, 25) << "no clap cue in the karaoke scene";
  cue -= from, clapCue -= from;  // in the file's time
  ASSERT_GT(cue, 0.3) << "the file starts after the flash";
  size_t flashFrame = 0;
  double biggest = 0;
  for (size_t k = size_t((cue - 0.3) * 60); k < std::min(frames, size_t((cue + 0.3) * 60)); ++k) {
    double jump = std::abs(boxAt(k) - boxAt(k - 1));
    if (jump > biggest) biggest = jump, flashFrame = k;
  }
  EXPECT_GT(biggest, 20.0) << "no negative box near the cue";
  auto start = [](size_t i) { return i * 44100 / 240; };
  auto energy = [&](size_t i) {
    double e = 0;
    for (size_t s = start(i); s < start(i + 1) && s < soundFrames; ++s)
      e += double(pcm[2 * s]) * pcm[2 * s] + double(pcm[2 * s + 1]) * pcm[2 * s + 1];
    return e + 1.0;
  };
  // A note 0.24 s before the accent rises almost as sharply (4.76 against
  // 4.83 times in the lossless track), and AAC's coding of the dithered
  // sound can swap the two. So the accent is looked for within 0.1 s of its
  // cue, and must rise clearly; a track off by more finds no accent there.
  size_t onset = 0;
  double sharpest = 0;
  for (size_t i = size_t((cue - 0.1) * 240); i < size_t((cue + 0.1) * 240); ++i) {
    double rise = energy(i) / energy(i - 1);
    if (rise > sharpest) sharpest = rise, onset = i;
  }
  EXPECT_GT(sharpest, 3.0) << "no accent within 0.1 s of the flash cue at " << cue << " s";
  double clapRise = 0;
  for (size_t i = size_t((clapCue - 1.0 / 60) * 240); i <= size_t((clapCue + 1.0 / 60) * 240); ++i)
    clapRise = std::max(clapRise, energy(i) / energy(i - 1));
  EXPECT_GT(clapRise, 2.5) << "no clap sound at " << clapCue << " s";
  double flashSeconds = flashFrame / 60.0, onsetSeconds = onset / 240.0;
  EXPECT_NEAR(flashSeconds, cue, 1.0 / 60 + 0.006);
  EXPECT_NEAR(onsetSeconds, flashSeconds, 1.0 / 60 + 1.0 / 240)
      << "picture " << flashSeconds << " s, sound " << onsetSeconds << " s, cue " << cue << " s";
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

namespace {
// The plain way to make a frame: every output pixel's RGB from its nearest
// source pixel (black in the bars), then luma per pixel and chroma from the
// rounded mean of each 2×2 square.
std::vector<uint8_t> scaledThenConverted(const std::vector<uint32_t>& picture, int w, int h) {
  SDL_Rect fit = avFit(w, h);
  std::vector<uint32_t> rgb(size_t(w) * h, 0);
  for (int y = fit.y; y < fit.y + fit.h; ++y)
    for (int x = fit.x; x < fit.x + fit.w; ++x)
      rgb[size_t(y) * w + x] = picture[size_t((y - fit.y + 0.5) * 480 / fit.h) * 640 +
                                       size_t((x - fit.x + 0.5) * 640 / fit.w)];
  std::vector<uint8_t> yuv(size_t(w) * h * 3 / 2);
  auto channel = [](uint32_t p, int shift) { return int(p >> shift & 255); };
  for (size_t i = 0; i < rgb.size(); ++i)
    yuv[i] = uint8_t(
        ((66 * channel(rgb[i], 16) + 129 * channel(rgb[i], 8) + 25 * channel(rgb[i], 0) + 128) >>
         8) +
        16);
  uint8_t* u = &yuv[size_t(w) * h];
  uint8_t* v = u + size_t(w / 2) * (h / 2);
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x) {
      int c[3] = {0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            c[k] += channel(rgb[size_t(2 * y + dy) * w + 2 * x + dx], 16 - 8 * k);
        c[k] = (c[k] + 2) / 4;
      }
      u[size_t(y) * (w / 2) + x] =
          uint8_t(((-38 * c[0] - 74 * c[1] + 112 * c[2] + 128) >> 8) + 128);
      v[size_t(y) * (w / 2) + x] = uint8_t(((112 * c[0] - 94 * c[1] - 18 * c[2] + 128) >> 8) + 128);
    }
  return yuv;
}

// The planes of every frame of a y4m file of `frameBytes` a frame, without
// the headers.
std::vector<char> framesOf(const std::vector<char>& y4m, size_t frameBytes) {
  std::vector<char> planes;
  size_t at = std::string(y4m.begin(), y4m.begin() + std::min<size_t>(y4m.size(), 100)).find('\n');
  for (++at; at + 6 + frameBytes <= y4m.size(); at += 6 + frameBytes)
    planes.insert(planes.end(), y4m.begin() + at + 6, y4m.begin() + at + 6 + frameBytes);
  return planes;
}

bool haveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

// Runs a shell command and returns its stdout.
std::string shell(const std::string& cmd) {
  std::string out;
  std::FILE* p = popen(cmd.c_str(), "r");
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  pclose(p);
  return out;
}
}  // namespace

// Noise, where no two neighbours share a colour, at sizes that enlarge,
// shrink, leave bars on either side or both, put a bar's edge inside a 2×2
// square (642x482: 1-pixel bars), round a side down to even (1000x562) and
// show the picture one to one between bars above and below (640x600).
TEST(Yuv420Scaler, GivesTheFrameOfScalingEveryPixelThenConverting) {
  std::mt19937 random(23);
  std::vector<uint32_t> picture(640 * 480);
  for (uint32_t& p : picture) p = random() & 0xFFFFFF;
  const int sizes[][2] = {{640, 480},  {320, 200}, {1920, 1080}, {3840, 2160}, {642, 482},
                          {1000, 562}, {800, 800}, {128, 96},    {640, 600},   {2, 2}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    Yuv420Scaler scaler(w, h);
    ASSERT_EQ(scaler.frameBytes(), size_t(w) * h * 3 / 2);
    std::vector<uint8_t> fast(scaler.frameBytes(), 0xAA);
    scaler.scale(picture.data(), fast.data());
    std::vector<uint8_t> plain = scaledThenConverted(picture, w, h);
    auto differ = std::mismatch(fast.begin(), fast.end(), plain.begin());
    EXPECT_TRUE(differ.first == fast.end())
        << w << "x" << h << ": first differs at byte " << differ.first - fast.begin() << " of "
        << fast.size() << " (luma is " << size_t(w) * h << ")";
  }
  // The screen's unused top byte, which drawing may leave set, changes nothing.
  std::vector<uint32_t> marked(picture);
  for (uint32_t& p : marked) p |= random() << 24;
  for (const auto& size : sizes) {
    Yuv420Scaler scaler(size[0], size[1]);
    std::vector<uint8_t> clean(scaler.frameBytes()), dirty(scaler.frameBytes());
    scaler.scale(picture.data(), clean.data());
    scaler.scale(marked.data(), dirty.data());
    EXPECT_TRUE(clean == dirty) << size[0] << "x" << size[1];
  }
}

// The .mp4 encoder gets exactly the frames the .y4m holds: losslessly coded
// (CRF 0) they decode to the same bytes, from --from on as well; the preset
// reaches x264 too (ultrafast codes without CABAC), and without the options
// the encoder runs at CRF 18 with veryfast, as it always has.
TEST(CaptureFiles, Mp4CarriesTheY4mFramesAtTheAskedCrfAndPreset) {
  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
  TempCwd dir;
  const std::string common = "--until 1 --from 0.5 --size 322x240 --video " + dir.dir;
  CaptureRun raw = capture(common + "/a.y4m");
  ASSERT_EQ(raw.status, 0) << raw.out;
  CaptureRun lossless = capture(common + "/a.mp4 --crf 0 --preset ultrafast");
  ASSERT_EQ(lossless.status, 0) << lossless.out;
  std::string decoded = shell("ffmpeg -nostdin -loglevel error -i " + dir.dir +
                              "/a.mp4 -f rawvideo -pix_fmt yuv420p -");
  std::vector<char> frames = framesOf(slurp(dir.dir + "/a.y4m"), 322 * 240 * 3 / 2);
  ASSERT_EQ(frames.size() % (322 * 240 * 3 / 2), 0u);
  EXPECT_EQ(frames.size() / (322 * 240 * 3 / 2), 31u);  // 0.5 s at 60, and the one past --until
  ASSERT_EQ(decoded.size(), frames.size());
  EXPECT_TRUE(std::equal(frames.begin(), frames.end(), decoded.begin()));

  std::vector<char> mp4 = slurp(dir.dir + "/a.mp4");
  std::string coded(mp4.begin(), mp4.end());
  EXPECT_NE(coded.find(" cabac=0 "), std::string::npos);

  CaptureRun plain = capture("--until 0.2 --video " + dir.dir + "/d.mp4");
  ASSERT_EQ(plain.status, 0) << plain.out;
  std::vector<char> d = slurp(dir.dir + "/d.mp4");
  std::string defaults(d.begin(), d.end());
  EXPECT_NE(defaults.find(" crf=18.0 "), std::string::npos);
  EXPECT_NE(defaults.find(" subme=2 "), std::string::npos);  // veryfast's
  EXPECT_NE(defaults.find(" cabac=1 "), std::string::npos);
}

TEST(CaptureFiles, BadEncoderOptionsFailBeforeRendering) {
  TempCwd dir;
  const std::string mp4 = " --until 1 --video " + dir.dir + "/a.mp4";
  for (std::string bad : {"--crf 52", "--crf -1", "--crf fine", "--preset warp"}) {
    CaptureRun run = capture(bad + mp4);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.out.find(bad.substr(0, bad.find(' '))), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("frames="), std::string::npos) << bad;
  }
  CaptureRun y4m = capture("--crf 20 --until 1 --video " + dir.dir + "/a.y4m");
  EXPECT_EQ(y4m.status, 2);
  EXPECT_NE(y4m.out.find("need --video FILE.mp4"), std::string::npos) << y4m.out;
  CaptureRun late = capture("--from 2 --until 1 --video " + dir.dir + "/a.y4m");
  EXPECT_EQ(late.status, 2);
  EXPECT_NE(late.out.find("--from must come before --until"), std::string::npos) << late.out;
}

// --from cuts the same show later: its frames are the whole capture's from
// that frame on, and its sound the whole sound from that frame's first sample
// (the player dithers, so samples may differ by 2 between runs; one sample
// off they differ far more).
TEST(CaptureFiles, FromStartsBothFilesAtTheSameFrameOfTheShow) {
  TempCwd dir;
  CaptureRun whole =
      capture("--until 3 --video " + dir.dir + "/w.y4m --audio " + dir.dir + "/w.wav");
  ASSERT_EQ(whole.status, 0) << whole.out;
  CaptureRun later =
      capture("--until 3 --from 1.5 --video " + dir.dir + "/l.y4m --audio " + dir.dir + "/l.wav");
  ASSERT_EQ(later.status, 0) << later.out;
  const size_t frameBytes = 640 * 480 * 3 / 2;
  std::vector<char> all = framesOf(slurp(dir.dir + "/w.y4m"), frameBytes);
  std::vector<char> cut = framesOf(slurp(dir.dir + "/l.y4m"), frameBytes);
  ASSERT_EQ(all.size(), 181 * frameBytes);
  ASSERT_EQ(cut.size(), (181 - 90) * frameBytes);
  EXPECT_TRUE(std::equal(cut.begin(), cut.end(), all.begin() + 90 * frameBytes));

  std::vector<char> wAll = slurp(dir.dir + "/w.wav"), wCut = slurp(dir.dir + "/l.wav");
  const int16_t* a = reinterpret_cast<const int16_t*>(wAll.data() + 44);
  const int16_t* c = reinterpret_cast<const int16_t*>(wCut.data() + 44);
  size_t cutFrames = (wCut.size() - 44) / 4;
  ASSERT_EQ(cutFrames, (181 - 90) * 735u);
  ASSERT_EQ(le32(wCut, 40), cutFrames * 4);
  auto largestDifference = [&](size_t shift) {
    int most = 0;
    for (size_t i = 0; i < 2 * cutFrames; ++i)
      most = std::max(most, std::abs(c[i] - a[2 * (90 * 735 + shift) + i]));
    return most;
  };
  EXPECT_LE(largestDifference(0), 2);
  EXPECT_GT(largestDifference(1), 100);
}

// On a terminal the progress line is redrawn twice a second, counting the
// frames the encoder has taken as ffmpeg reports them: the count never falls
// and ends on exactly the frames in the file.
TEST(CaptureFiles, ProgressCountsTheEncodersFrames) {
  if (!haveFfmpeg() || std::system("command -v script >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "needs ffmpeg and script";
  TempCwd dir;
  // script(1) gives the tool a terminal; the slowest preset keeps the encoder
  // busy for a few seconds.
  const std::string out = shell("cd " PLUPP_BUILD_DIR
                                " && script -qec './plupp-capture --until 5 "
                                "--size 320x240 --preset veryslow --video " +
                                dir.dir + "/p.mp4' /dev/null 2>&1");
  std::vector<long> counts;
  static const std::regex line(R"(frame (\d+) of ~(\d+), \d+ frames/s, \d+ s left)");
  for (std::sregex_iterator m(out.begin(), out.end(), line), end; m != end; ++m)
    counts.push_back(std::stol((*m)[1]));
  ASSERT_GE(counts.size(), 2u) << out;
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << out;
  std::string decoded = shell("ffmpeg -nostdin -loglevel error -i " + dir.dir +
                              "/p.mp4 -f rawvideo -pix_fmt yuv420p -");
  EXPECT_EQ(size_t(counts.back()), decoded.size() / (320 * 240 * 3 / 2)) << out;
  EXPECT_EQ(counts.back(), 301) << out;  // 5 s at 60 a second, and the one past --until
}

// A file started at 29 s, as .y4m and .wav and as .mp4 decoded again: the
// flash and its accent still line up.
TEST(CaptureFiles, FlashAndAccentLineUpInFilesStartedLater) {
  TempCwd dir;
  const int w = 128, h = 96;
  const size_t frameBytes = size_t(w) * h * 3 / 2;
  CaptureRun run = capture("--until 31.5 --from 29 --cues --size 128x96 --video " + dir.dir +
                           "/f.y4m --audio " + dir.dir + "/f.wav");
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<char> frames = framesOf(slurp(dir.dir + "/f.y4m"), frameBytes);
  std::vector<char> wav = slurp(dir.dir + "/f.wav");
  expectFlashMeetsAccent(
      run.out, 29, frames.size() / frameBytes,
      [&](size_t k) { return boxLuma(frames.data() + k * frameBytes, w, h); },
      reinterpret_cast<const int16_t*>(wav.data() + 44), (wav.size() - 44) / 4);

  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
  CaptureRun mp4 =
      capture("--until 31.5 --from 29 --cues --size 128x96 --video " + dir.dir + "/f.mp4");
  ASSERT_EQ(mp4.status, 0) << mp4.out;
  const std::string in = "ffmpeg -nostdin -loglevel error -i " + dir.dir + "/f.mp4 ";
  std::string picture = shell(in + "-f rawvideo -pix_fmt yuv420p -");
  std::string sound = shell(in + "-f s16le -ac 2 -ar 44100 -");
  ASSERT_EQ(picture.size(), frames.size());
  expectFlashMeetsAccent(
      mp4.out, 29, picture.size() / frameBytes,
      [&](size_t k) { return boxLuma(picture.data() + k * frameBytes, w, h); },
      reinterpret_cast<const int16_t*>(sound.data()), sound.size() / 4);
}

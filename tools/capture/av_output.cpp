#include "tools/capture/av_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// --- output state ---
AvSettings av;
bool active = false;
std::FILE* videoFile = nullptr;  // y4m file, or ffmpeg's stdin for mp4
bool videoIsPipe = false;
std::string mp4Silent;  // picture-only mp4 before the sound is muxed in
std::string wavPath;    // the sound track: asked for, or a temporary for mp4
bool wavIsTemporary = false;
std::FILE* wavFile = nullptr;
uint64_t videoFrames = 0, soundFrames = 0;
SDL_Rect fit;                      // the show's place in the output frame
std::vector<int> columnOf, rowOf;  // output pixel → show pixel, nearest
std::vector<uint8_t> shown;        // the picture on screen, RGB 640×480
std::vector<uint8_t> frameRgb;     // one output frame, RGB
std::vector<uint8_t> frameYuv;     // one output frame, 4:2:0 planes

constexpr int kShowW = 640, kShowH = 480;

bool endsWith(const std::string& s, const char* tail) {
  size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

void put16(std::FILE* f, unsigned v) {
  std::fputc(int(v & 0xFF), f);
  std::fputc(int(v >> 8 & 0xFF), f);
}
void put32(std::FILE* f, uint32_t v) {
  put16(f, v & 0xFFFF);
  put16(f, v >> 16);
}

void writeWavHeader(std::FILE* f, uint64_t frames) {
  uint32_t data = uint32_t(std::min<uint64_t>(frames * 4, 0xFFFFFFF0u));
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + data);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);  // PCM
  put16(f, 2);
  put32(f, 44100);
  put32(f, 44100 * 4);
  put16(f, 4);
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, data);
}

bool ffmpegPresent() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// BT.601 studio range, as players expect of 4:2:0 video.
void rgbToYuv420() {
  const int w = av.width, h = av.height;
  uint8_t* Y = frameYuv.data();
  uint8_t* U = Y + size_t(w) * h;
  uint8_t* V = U + size_t(w / 2) * (h / 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &frameRgb[(size_t(y) * w + x) * 3];
      Y[size_t(y) * w + x] = uint8_t(((66 * p[0] + 129 * p[1] + 25 * p[2] + 128) >> 8) + 16);
    }
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x) {
      int r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const uint8_t* p = &frameRgb[((size_t(2 * y + dy)) * w + 2 * x + dx) * 3];
          r += p[0];
          g += p[1];
          b += p[2];
        }
      r = (r + 2) / 4, g = (g + 2) / 4, b = (b + 2) / 4;
      U[size_t(y) * (w / 2) + x] = uint8_t(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
      V[size_t(y) * (w / 2) + x] = uint8_t(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
}

void writeFrame() {
  if (!videoFile) return;
  if (videoIsPipe) {
    std::fwrite(frameRgb.data(), 1, frameRgb.size(), videoFile);
  } else {
    rgbToYuv420();
    std::fputs("FRAME\n", videoFile);
    std::fwrite(frameYuv.data(), 1, frameYuv.size(), videoFile);
  }
  ++videoFrames;
}
}  // namespace

SDL_Rect avFit(int width, int height) {
  int w = width, h = width * 3 / 4;
  if (h > height) h = height, w = height * 4 / 3;
  w &= ~1;
  h &= ~1;
  return SDL_Rect{Sint16((width - w) / 2), Sint16((height - h) / 2), Uint16(w), Uint16(h)};
}

bool avOpen(const AvSettings& settings, std::string& error) {
  av = settings;
  if (!av.video.empty() && !endsWith(av.video, ".y4m") && !endsWith(av.video, ".mp4")) {
    error = "--video " + av.video + ": unknown kind of file (use .mp4 or .y4m)";
    return false;
  }
  if (!av.audio.empty() && !endsWith(av.audio, ".wav")) {
    error = "--audio " + av.audio + ": the sound track is written as .wav";
    return false;
  }
  if (av.width < 2 || av.height < 2 || av.width > 7680 || av.height > 4320 || av.width % 2 ||
      av.height % 2) {
    error = "--size wants even sides from 2x2 to 7680x4320";
    return false;
  }
  bool mp4 = endsWith(av.video, ".mp4");
  if (mp4 && !ffmpegPresent()) {
    error = ".mp4 needs ffmpeg (Debian package ffmpeg): install it, or write .y4m";
    return false;
  }

  fit = avFit(av.width, av.height);
  columnOf.assign(av.width, -1);
  rowOf.assign(av.height, -1);
  for (int x = 0; x < fit.w; ++x) columnOf[fit.x + x] = int((x + 0.5) * kShowW / fit.w);
  for (int y = 0; y < fit.h; ++y) rowOf[fit.y + y] = int((y + 0.5) * kShowH / fit.h);
  shown.assign(size_t(kShowW) * kShowH * 3, 0);
  frameRgb.assign(size_t(av.width) * av.height * 3, 0);
  frameYuv.assign(size_t(av.width) * av.height * 3 / 2, 0);

  wavPath = av.audio;
  wavIsTemporary = false;
  if (mp4) {
    // The picture goes to ffmpeg as it is made; the sound joins it at the end.
    mp4Silent = av.video + ".picture.mp4";
    if (wavPath.empty()) {
      wavPath = av.video + ".sound.wav";
      wavIsTemporary = true;
    }
  }
  if (!wavPath.empty()) {
    wavFile = std::fopen(wavPath.c_str(), "wb");
    if (!wavFile) {
      error = "cannot write " + wavPath + ": " + std::strerror(errno);
      return false;
    }
    writeWavHeader(wavFile, 0);
  }
  if (!av.video.empty()) {
    // Fail on an unwritable path now, not after minutes of rendering.
    std::FILE* probe = std::fopen(av.video.c_str(), "wb");
    if (!probe) {
      error = "cannot write " + av.video + ": " + std::strerror(errno);
      return false;
    }
    std::fclose(probe);
    if (mp4) {
      char size[32];
      std::snprintf(size, sizeof size, "%dx%d", av.width, av.height);
      std::string cmd = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s " +
                        std::string(size) + " -r " + std::to_string(av.fps) +
                        " -i - -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p " +
                        quoted(mp4Silent);
      videoFile = popen(cmd.c_str(), "w");
      videoIsPipe = true;
    } else {
      videoFile = std::fopen(av.video.c_str(), "wb");
      videoIsPipe = false;
      if (videoFile)
        std::fprintf(videoFile, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", av.width, av.height,
                     av.fps);
    }
    if (!videoFile) {
      error = "cannot write " + av.video;
      return false;
    }
  }
  videoFrames = soundFrames = 0;
  active = true;
  return true;
}

bool avActive() { return active; }

void avPictureShown(SDL_Surface* screen) {
  if (!active || !screen) return;
  SDL_LockSurface(screen);
  const int w = std::min(screen->w, kShowW), h = std::min(screen->h, kShowH);
  for (int y = 0; y < h; ++y) {
    const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
    for (int x = 0; x < w; ++x) {
      Uint32 v = 0;
      std::memcpy(&v, row + x * screen->format->BytesPerPixel, screen->format->BytesPerPixel);
      uint8_t* p = &shown[(size_t(y) * kShowW + x) * 3];
      SDL_GetRGB(v, screen->format, &p[0], &p[1], &p[2]);
    }
  }
  SDL_UnlockSurface(screen);
  for (int y = 0; y < av.height; ++y)
    for (int x = 0; x < av.width; ++x) {
      uint8_t* out = &frameRgb[(size_t(y) * av.width + x) * 3];
      if (rowOf[y] < 0 || columnOf[x] < 0) {
        out[0] = out[1] = out[2] = 0;
        continue;
      }
      std::memcpy(out, &shown[(size_t(rowOf[y]) * kShowW + columnOf[x]) * 3], 3);
    }
}

void avClockAdvanced(double toMs) {
  if (!active || av.video.empty()) return;
  // Frame k stands at k·1000/fps ms: every frame due before `toMs` shows the
  // picture flipped last.
  while (double(videoFrames) * 1000.0 / av.fps < toMs - 1e-6) writeFrame();
}

void avSound(const int16_t* stereo, size_t frames) {
  if (!active || !wavFile) return;
  std::fwrite(stereo, sizeof(int16_t), frames * 2, wavFile);
  soundFrames += frames;
}

bool avClose(std::string& error) {
  if (!active) return true;
  active = false;
  bool ok = true;
  if (wavFile) {
    std::fflush(wavFile);
    std::fseek(wavFile, 0, SEEK_SET);
    writeWavHeader(wavFile, soundFrames);
    ok = std::fclose(wavFile) == 0 && ok;
    wavFile = nullptr;
  }
  if (videoFile) {
    if (videoIsPipe) {
      if (pclose(videoFile) != 0) {
        error = "ffmpeg could not encode the picture";
        ok = false;
      }
    } else {
      ok = std::fclose(videoFile) == 0 && ok;
    }
    videoFile = nullptr;
  }
  if (ok && !mp4Silent.empty()) {
    std::string cmd = "ffmpeg -loglevel error -y -i " + quoted(mp4Silent) + " -i " +
                      quoted(wavPath) + " -map 0:v -map 1:a -c:v copy -c:a aac -b:a 192k " +
                      quoted(av.video);
    if (std::system(cmd.c_str()) != 0) {
      error = "ffmpeg could not join picture and sound into " + av.video;
      ok = false;
    }
  }
  if (!mp4Silent.empty()) std::remove(mp4Silent.c_str());
  if (wavIsTemporary) std::remove(wavPath.c_str());
  if (!ok && error.empty()) error = "cannot finish writing the output files";
  return ok;
}

uint64_t avVideoFrames() { return videoFrames; }
uint64_t avSoundFrames() { return soundFrames; }

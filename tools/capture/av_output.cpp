#include "tools/capture/av_output.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tmmintrin.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

extern char** environ;

namespace {
// --- output state ---
constexpr int kShowW = 640, kShowH = 480;
// Pictures waiting for the writer: enough to ride out the encoder's uneven
// pace (its lookahead takes frames in bursts) at 1.2 MB each.
constexpr size_t kQueued = 8;

AvSettings av;
bool active = false;
bool mp4 = false;
std::vector<uint32_t> shown;  // the picture on screen, 0x00RRGGBB
uint64_t framesDue = 0;       // show frames whose time has come, frame 0 at 0 ms
uint64_t firstFrame = 0;      // the first of them in the files (--from)
uint64_t soundSeen = 0;       // sound frames the player has rendered
uint64_t soundSkip = 0;       // of those, the ones before the files' start
uint64_t videoFrames = 0, soundFrames = 0;
std::string wavPath;
std::FILE* wavFile = nullptr;
std::FILE* y4mFile = nullptr;
// The encoder for .mp4: ffmpeg reading 4:2:0 frames on its stdin, the sound
// on fd 3, and writing its progress to fd 4.
pid_t encoder = -1;
int videoFd = -1, soundFd = -1, progressFd = -1;
bool soundFailed = false;
uint64_t framesEncoded = 0;
std::string progressLine;  // the progress report's unfinished line
// The writer thread scales queued pictures and writes them, so that the show
// renders ahead while the frame before is scaled and encoded.
std::unique_ptr<Yuv420Scaler> scaler;
std::thread writer;
std::mutex queueMutex;
std::condition_variable queueChanged;
std::deque<std::vector<uint32_t>> queue;   // oldest first
std::vector<std::vector<uint32_t>> spare;  // pictures to reuse
bool closing = false;
std::atomic<bool> writeFailed{false};
std::atomic<uint64_t> framesWritten{0};

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

bool writeAll(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t k = write(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= size_t(k);
  }
  return true;
}

// BT.601 studio range, integer weights of 256ths.
uint8_t lumaOf(uint32_t rgb) {
  int r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
  return uint8_t(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

// ffmpeg's progress report comes as key=value lines; frame= counts the
// frames the encoder has taken. Reads what is there, or to the end when the
// descriptor blocks.
void readProgress() {
  if (progressFd < 0) return;
  char buf[4096];
  for (;;) {
    ssize_t n = read(progressFd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    progressLine.append(buf, size_t(n));
    for (size_t eol; (eol = progressLine.find('\n')) != std::string::npos;) {
      if (progressLine.compare(0, 6, "frame=") == 0)
        framesEncoded = std::strtoull(progressLine.c_str() + 6, nullptr, 10);
      progressLine.erase(0, eol + 1);
    }
  }
}

void writeFrames() {
  std::vector<uint8_t> yuv(scaler->frameBytes());
  for (;;) {
    std::vector<uint32_t> picture;
    {
      std::unique_lock<std::mutex> lock(queueMutex);
      queueChanged.wait(lock, [] { return closing || !queue.empty(); });
      if (queue.empty()) return;
      picture = std::move(queue.front());
      queue.pop_front();
    }
    queueChanged.notify_all();
    if (!writeFailed) {
      scaler->scale(picture.data(), yuv.data());
      bool ok;
      if (y4mFile)
        ok = std::fputs("FRAME\n", y4mFile) >= 0 &&
             std::fwrite(yuv.data(), 1, yuv.size(), y4mFile) == yuv.size();
      else
        ok = writeAll(videoFd, yuv.data(), yuv.size());
      if (!ok) writeFailed = true;
      ++framesWritten;
    }
    std::lock_guard<std::mutex> lock(queueMutex);
    spare.push_back(std::move(picture));
  }
}

void queueShown() {
  std::unique_lock<std::mutex> lock(queueMutex);
  queueChanged.wait(lock, [] { return queue.size() < kQueued; });
  std::vector<uint32_t> picture;
  if (!spare.empty()) {
    picture = std::move(spare.back());
    spare.pop_back();
  }
  picture.assign(shown.begin(), shown.end());
  queue.push_back(std::move(picture));
  lock.unlock();
  queueChanged.notify_all();
}

// Moves a descriptor the child is to get out of the way of 0, 3 and 4, so
// that none of the child's dup2s overwrites another's source.
int highFd(int fd) {
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
  close(fd);
  return moved;
}

bool startEncoder(const std::string& output, std::string& error) {
  int video[2], sound[2], progress[2];
  if (pipe2(video, O_CLOEXEC) || pipe2(sound, O_CLOEXEC) || pipe2(progress, O_CLOEXEC)) {
    error = std::string("cannot make pipes for ffmpeg: ") + std::strerror(errno);
    return false;
  }
  // A 4K frame is 12 MB: a larger pipe lets ffmpeg read while we write, and
  // holds seconds of sound, so neither side waits on the other's stream.
  fcntl(video[1], F_SETPIPE_SZ, 1 << 20);
  fcntl(sound[1], F_SETPIPE_SZ, 1 << 20);
  video[0] = highFd(video[0]);
  sound[0] = highFd(sound[0]);
  progress[1] = highFd(progress[1]);

  char size[32];
  std::snprintf(size, sizeof size, "%dx%d", av.width, av.height);
  const std::string fps = std::to_string(av.fps);
  const std::string crf = av.crf.empty() ? "18" : av.crf;
  const std::string preset = av.preset.empty() ? "veryfast" : av.preset;
  // The sound input is raw: without probing ffmpeg starts as soon as the
  // first packet is there, rather than waiting for seconds of sound the show
  // has not rendered yet while it holds back the picture.
  std::vector<std::string> args = {
      "ffmpeg",   "-nostdin",  "-loglevel", "error",      "-y",    "-f",
      "rawvideo", "-pix_fmt",  "yuv420p",   "-s",         size,    "-r",
      fps,        "-i",        "pipe:0",    "-probesize", "32",    "-analyzeduration",
      "0",        "-f",        "s16le",     "-ar",        "44100", "-ac",
      "2",        "-i",        "pipe:3",    "-map",       "0:v",   "-map",
      "1:a",      "-c:v",      "libx264",   "-preset",    preset,  "-crf",
      crf,        "-pix_fmt",  "yuv420p",   "-c:a",       "aac",   "-b:a",
      "192k",     "-progress", "pipe:4",    "-nostats",   output};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, video[0], 0);
  posix_spawn_file_actions_adddup2(&actions, sound[0], 3);
  posix_spawn_file_actions_adddup2(&actions, progress[1], 4);
  // We ignore SIGPIPE to see a dead encoder as a failed write; ffmpeg keeps
  // the default.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &pipeSignal);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  int rc = posix_spawnp(&encoder, "ffmpeg", &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(video[0]);
  close(sound[0]);
  close(progress[1]);
  videoFd = video[1];
  soundFd = sound[1];
  progressFd = progress[0];
  if (rc != 0) {
    encoder = -1;
    error = std::string("cannot start ffmpeg: ") + std::strerror(rc);
    return false;
  }
  fcntl(progressFd, F_SETFL, fcntl(progressFd, F_GETFL) | O_NONBLOCK);
  std::signal(SIGPIPE, SIG_IGN);
  return true;
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

bool checkNumber(const std::string& s, double low, double high) {
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  return !s.empty() && !*end && v >= low && v <= high;
}

const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                "medium",    "slow",      "slower",   "veryslow", "placebo"};
}  // namespace

SDL_Rect avFit(int width, int height) {
  int w = width, h = width * 3 / 4;
  if (h > height) h = height, w = height * 4 / 3;
  w &= ~1;
  h &= ~1;
  return SDL_Rect{Sint16((width - w) / 2), Sint16((height - h) / 2), Uint16(w), Uint16(h)};
}

namespace {
// Each output pixel's centre, mapped back into the show, falls in its source
// pixel; -1 in the bars.
std::vector<int> nearest(int outputs, int offset, int fitted, int sources) {
  std::vector<int> of(outputs, -1);
  for (int i = 0; i < fitted; ++i) of[offset + i] = int((i + 0.5) * sources / fitted);
  return of;
}
}  // namespace

Yuv420Scaler::Yuv420Scaler(int width, int height)
    : width_(width),
      height_(height),
      frameBytes_(size_t(width) * height * 3 / 2),
      columnOf_(nearest(width, avFit(width, height).x, avFit(width, height).w, kShowW)),
      rowOf_(nearest(height, avFit(width, height).y, avFit(width, height).h, kShowH)) {
  // A chroma sample covers output pixels 2i and 2i+1 each way; at any
  // enlargement most neighbours cover the same source pixels. Bars point at
  // the spread picture's black column and row.
  auto pairUp = [](const std::vector<int>& of, int black, std::vector<int>& pairs,
                   std::vector<int>& index) {
    for (size_t i = 0; i + 1 < of.size(); i += 2) {
      const int first = of[i] < 0 ? black : of[i], second = of[i + 1] < 0 ? black : of[i + 1];
      size_t n = pairs.size();
      if (n == 0 || pairs[n - 2] != first || pairs[n - 1] != second) {
        pairs.push_back(first);
        pairs.push_back(second);
      }
      index.push_back(int(pairs.size() / 2 - 1));
    }
  };
  pairUp(columnOf_, kShowW, pairColumns_, chromaColumn_);
  pairUp(rowOf_, kShowH, pairRows_, chromaRow_);
  luma_.resize(size_t(kShowW) * kShowH);
  spread_.assign(size_t(kShowW + 1) * (kShowH + 1), 0);
  u_.resize(pairRows_.size() / 2 * (pairColumns_.size() / 2));
  v_.resize(u_.size());
}

void Yuv420Scaler::scale(const uint32_t* picture, uint8_t* yuv) {
  // Blue, red and green of a pixel in 16-bit lanes of one word: four of them
  // add up in one sum without carrying into each other.
  for (int y = 0; y < kShowH; ++y) {
    const uint32_t* in = picture + size_t(y) * kShowW;
    uint8_t* luma = &luma_[size_t(y) * kShowW];
    uint64_t* spread = &spread_[size_t(y) * (kShowW + 1)];
    for (int x = 0; x < kShowW; ++x) {
      const uint32_t p = in[x];
      luma[x] = lumaOf(p);
      spread[x] = (p & 0xFF00FF) | uint64_t(p & 0xFF00) << 24;
    }
  }
  const SDL_Rect fit = avFit(width_, height_);
  uint8_t* Y = yuv;
  for (int y = 0; y < height_; ++y) {
    uint8_t* out = Y + size_t(y) * width_;
    const int r = rowOf_[y];
    if (r < 0) {
      std::memset(out, 16, width_);
    } else if (y > 0 && rowOf_[y - 1] == r) {
      std::memcpy(out, out - width_, width_);
    } else {
      std::memset(out, 16, fit.x);
      const uint8_t* source = &luma_[size_t(r) * kShowW];
      if (fit.w == kShowW)
        std::memcpy(out + fit.x, source, kShowW);
      else
        for (int x = fit.x; x < fit.x + fit.w; ++x) out[x] = source[columnOf_[x]];
      std::memset(out + fit.x + fit.w, 16, width_ - fit.x - fit.w);
    }
  }

  // Each distinct block of up to 2×2 source pixels.
  const size_t pairsAcross = pairColumns_.size() / 2;
  for (size_t pr = 0; pr < pairRows_.size() / 2; ++pr) {
    const uint64_t* first = &spread_[size_t(pairRows_[2 * pr]) * (kShowW + 1)];
    const uint64_t* second = &spread_[size_t(pairRows_[2 * pr + 1]) * (kShowW + 1)];
    uint8_t* u = &u_[pr * pairsAcross];
    uint8_t* v = &v_[pr * pairsAcross];
    for (size_t pc = 0; pc < pairsAcross; ++pc) {
      const int left = pairColumns_[2 * pc], right = pairColumns_[2 * pc + 1];
      const uint64_t sum = first[left] + first[right] + second[left] + second[right];
      const int r = int((sum >> 16 & 0xFFFF) + 2) >> 2, g = int((sum >> 32) + 2) >> 2,
                b = int((sum & 0xFFFF) + 2) >> 2;
      u[pc] = uint8_t(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
      v[pc] = uint8_t(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
  }
  const int cw = width_ / 2, ch = height_ / 2;
  uint8_t* planes[2] = {Y + size_t(width_) * height_,
                        Y + size_t(width_) * height_ + size_t(cw) * ch};
  const std::vector<uint8_t>* blocks[2] = {&u_, &v_};
  for (int plane = 0; plane < 2; ++plane)
    for (int y = 0; y < ch; ++y) {
      uint8_t* out = planes[plane] + size_t(y) * cw;
      if (y > 0 && chromaRow_[y - 1] == chromaRow_[y]) {
        std::memcpy(out, out - cw, cw);
        continue;
      }
      const uint8_t* source = blocks[plane]->data() + size_t(chromaRow_[y]) * pairsAcross;
      if (size_t(cw) == pairsAcross)
        std::memcpy(out, source, cw);
      else
        for (int x = 0; x < cw; ++x) out[x] = source[chromaColumn_[x]];
    }
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
  mp4 = endsWith(av.video, ".mp4");
  if ((!av.crf.empty() || !av.preset.empty()) && !mp4) {
    error = "--crf and --preset set the H.264 encoder: they need --video FILE.mp4";
    return false;
  }
  // x264's quality scale for 8-bit video: 0 lossless, 51 worst.
  if (!av.crf.empty() && !checkNumber(av.crf, 0, 51)) {
    error = "--crf wants a number from 0 (lossless) to 51, not " + av.crf;
    return false;
  }
  if (!av.preset.empty() &&
      std::find(std::begin(kPresets), std::end(kPresets), av.preset) == std::end(kPresets)) {
    error = "--preset " + av.preset + ": not an x264 preset (ultrafast ... veryfast ... placebo)";
    return false;
  }
  if (mp4 && !ffmpegPresent()) {
    error = ".mp4 needs ffmpeg (Debian package ffmpeg): install it, or write .y4m";
    return false;
  }

  shown.assign(size_t(kShowW) * kShowH, 0);
  framesDue = videoFrames = soundFrames = soundSeen = framesEncoded = 0;
  framesWritten = 0;
  writeFailed = soundFailed = closing = false;
  // The files start at the first frame at or after --from, the sound with it.
  firstFrame = uint64_t(std::ceil(av.fromSeconds * av.fps - 1e-9));
  soundSkip = uint64_t(std::llround(firstFrame * 44100.0 / av.fps));

  wavPath = av.audio;
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
      if (!startEncoder(av.video, error)) return false;
    } else {
      y4mFile = std::fopen(av.video.c_str(), "wb");
      if (!y4mFile) {
        error = "cannot write " + av.video;
        return false;
      }
      std::fprintf(y4mFile, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", av.width, av.height,
                   av.fps);
    }
    scaler = std::make_unique<Yuv420Scaler>(av.width, av.height);
    writer = std::thread(writeFrames);
  }
  active = true;
  return true;
}

bool avActive() { return active; }

void avPictureShown(SDL_Surface* screen) {
  if (!active || !screen || av.video.empty()) return;
  SDL_LockSurface(screen);
  const SDL_PixelFormat* f = screen->format;
  const int w = std::min(screen->w, kShowW), h = std::min(screen->h, kShowH);
  const bool xrgb =
      f->BytesPerPixel == 4 && f->Rmask == 0xFF0000 && f->Gmask == 0xFF00 && f->Bmask == 0xFF;
  for (int y = 0; y < h; ++y) {
    const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
    uint32_t* out = &shown[size_t(y) * kShowW];
    if (xrgb) {
      // The display's own layout: only its unused byte, which drawing may
      // leave set, is cleared.
      const Uint32* words = reinterpret_cast<const Uint32*>(row);
      for (int x = 0; x < w; ++x) out[x] = words[x] & 0xFFFFFF;
      continue;
    }
    for (int x = 0; x < w; ++x) {
      Uint32 v = 0;
      std::memcpy(&v, row + x * f->BytesPerPixel, f->BytesPerPixel);
      Uint8 r, g, b;
      SDL_GetRGB(v, screen->format, &r, &g, &b);
      out[x] = uint32_t(r) << 16 | g << 8 | b;
    }
  }
  SDL_UnlockSurface(screen);
}

void avClockAdvanced(double toMs) {
  if (!active || av.video.empty()) return;
  // Frame k stands at k·1000/fps ms: every frame due before `toMs` shows the
  // picture flipped last.
  for (; double(framesDue) * 1000.0 / av.fps < toMs - 1e-6; ++framesDue) {
    if (framesDue < firstFrame) continue;
    queueShown();
    ++videoFrames;
  }
}

void avSound(const int16_t* stereo, size_t frames) {
  if (!active) return;
  size_t skip =
      soundSeen < soundSkip ? size_t(std::min<uint64_t>(frames, soundSkip - soundSeen)) : 0;
  soundSeen += frames;
  stereo += 2 * skip;
  frames -= skip;
  if (frames == 0) return;
  if (wavFile) std::fwrite(stereo, sizeof(int16_t), frames * 2, wavFile);
  if (soundFd >= 0 && !soundFailed)
    soundFailed = !writeAll(soundFd, stereo, frames * 2 * sizeof(int16_t));
  soundFrames += frames;
}

uint64_t avFramesDone() {
  if (!mp4) return framesWritten;
  readProgress();
  return framesEncoded;
}

bool avClose(std::string& error) {
  if (!active) return true;
  active = false;
  bool ok = true;
  if (writer.joinable()) {
    {
      std::lock_guard<std::mutex> lock(queueMutex);
      closing = true;
    }
    queueChanged.notify_all();
    writer.join();
  }
  queue.clear();
  spare.clear();
  scaler.reset();
  if (wavFile) {
    std::fflush(wavFile);
    std::fseek(wavFile, 0, SEEK_SET);
    writeWavHeader(wavFile, soundFrames);
    ok = std::fclose(wavFile) == 0 && ok;
    wavFile = nullptr;
  }
  if (y4mFile) {
    ok = std::fclose(y4mFile) == 0 && !writeFailed && ok;
    y4mFile = nullptr;
  }
  if (encoder > 0) {
    // End of both inputs: ffmpeg drains the encoder, then ends its report.
    closeFd(videoFd);
    closeFd(soundFd);
    fcntl(progressFd, F_SETFL, fcntl(progressFd, F_GETFL) & ~O_NONBLOCK);
    readProgress();
    closeFd(progressFd);
    int status = 0;
    while (waitpid(encoder, &status, 0) < 0 && errno == EINTR) {
    }
    encoder = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || writeFailed || soundFailed) {
      error = "ffmpeg could not encode the picture and sound into " + av.video;
      ok = false;
    }
  }
  if (!ok && error.empty()) error = "cannot finish writing the output files";
  return ok;
}

uint64_t avVideoFrames() { return videoFrames; }
uint64_t avSoundFrames() { return soundFrames; }

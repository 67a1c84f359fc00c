#include "tools/capture/av_output.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
// Frames waiting for the writer: enough to ride out the encoder's uneven
// pace (its lookahead takes frames in bursts), and at most about 50 MB of
// them (four frames at 3840x2160).
constexpr size_t kQueuedFrames = 8, kQueuedBytes = 50 << 20;

AvSettings av;
bool active = false;
bool mp4 = false;
size_t queuedMost = kQueuedFrames;
uint64_t framesDue = 0;   // show frames whose time has come, frame 0 at 0 ms
uint64_t firstFrame = 0;  // the first of them in the files (--from)
uint64_t soundSeen = 0;   // sound frames the player has rendered
uint64_t soundSkip = 0;   // of those, the ones before the files' start
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
// Each flipped picture is scaled and converted at once, straight from the
// show's screen, into a 4:2:0 frame; the writer thread writes the frames in
// turn, so that the show goes on while the encoder takes them.
std::unique_ptr<Yuv420Scaler> scaler;
std::vector<uint8_t> pending;       // the last flip's frame, not yet queued
bool pendingReady = false;          // `pending` holds the last flip
std::vector<uint32_t> unconverted;  // the last flip as 0x??RRGGBB, where
bool unconvertedReady = true;       // it was not converted (see below)
std::thread writer;
std::mutex queueMutex;
std::condition_variable queueChanged;
// Frames for the writer, oldest first; an empty one: the frame before again
// (the show flipped no new picture in between).
std::deque<std::vector<uint8_t>> queue;
std::vector<std::vector<uint8_t>> spare;  // frames to reuse
bool closing = false;
std::atomic<bool> writeFailed{false};
std::atomic<uint64_t> framesWritten{0};
// The encoder's frames go into its pipe by vmsplice, which lends the pipe a
// frame's pages instead of copying them: a frame is rewritten (or freed) only
// once the encoder has read past its last byte. `lent` holds the frames
// written before the writer's current one, oldest first, with the offset in
// the pipe's stream where each ends.
bool lending = false;    // for .mp4, until vmsplice is refused: plain writes
uint64_t bytesLent = 0;  // into the pipe since it opened
std::deque<std::pair<uint64_t, std::vector<uint8_t>>> lent;

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

// Lends the pipe n bytes; falls back to writing them when the system
// refuses vmsplice before anything was lent.
bool lendAll(int fd, const uint8_t* p, size_t n) {
  while (lending && n > 0) {
    iovec piece{const_cast<uint8_t*>(p), n};
    ssize_t k = vmsplice(fd, &piece, 1, 0);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && bytesLent == 0 && (errno == EINVAL || errno == ENOSYS || errno == EPERM)) {
      lending = false;
      break;
    }
    if (k <= 0) return false;
    p += k;
    n -= size_t(k);
    bytesLent += uint64_t(k);
  }
  return n == 0 || writeAll(fd, p, n);
}

// Frames the encoder has read past go back to be reused (the caller holds
// the queue's lock).
void reclaimLent() {
  int unread = 0;
  if (lent.empty() || ioctl(videoFd, FIONREAD, &unread) < 0) return;
  const uint64_t read = bytesLent - uint64_t(unread);
  while (!lent.empty() && lent.front().first <= read) {
    spare.push_back(std::move(lent.front().second));
    lent.pop_front();
  }
}

// A frame the writer is done with: lent while the pipe may hold it, else
// free to reuse (the caller holds the queue's lock).
void retire(std::vector<uint8_t>& frame) {
  if (frame.empty()) return;
  if (lending)
    lent.emplace_back(bytesLent, std::move(frame));
  else
    spare.push_back(std::move(frame));
}

void writeFrames() {
  std::vector<uint8_t> frame;  // the one written last
  for (;;) {
    std::vector<uint8_t> next;
    {
      std::unique_lock<std::mutex> lock(queueMutex);
      queueChanged.wait(lock, [] { return closing || !queue.empty(); });
      if (queue.empty()) break;
      next = std::move(queue.front());
      queue.pop_front();
      if (!next.empty()) {
        retire(frame);
        frame = std::move(next);
      }
      reclaimLent();
    }
    queueChanged.notify_all();
    if (writeFailed) continue;
    bool ok;
    if (y4mFile)
      ok = std::fputs("FRAME\n", y4mFile) >= 0 &&
           std::fwrite(frame.data(), 1, frame.size(), y4mFile) == frame.size();
    else
      ok = lendAll(videoFd, frame.data(), frame.size());
    if (!ok) writeFailed = true;
    ++framesWritten;
  }
  // The last frame may still be in the pipe: it is kept with the others
  // until the encoder is done.
  std::lock_guard<std::mutex> lock(queueMutex);
  retire(frame);
}

// A frame's buffer: one the writer is done with, or a new one.
std::vector<uint8_t> spareFrame() {
  std::vector<uint8_t> frame;
  {
    std::lock_guard<std::mutex> lock(queueMutex);
    if (!spare.empty()) {
      frame = std::move(spare.back());
      spare.pop_back();
    }
  }
  frame.resize(scaler->frameBytes());
  return frame;
}

void queueFrame() {
  if (!pendingReady && unconvertedReady) {
    if (pending.empty()) pending = spareFrame();
    scaler->scale(unconverted.data(), pending.data());
    pendingReady = true;
    unconvertedReady = false;
  }
  std::unique_lock<std::mutex> lock(queueMutex);
  queueChanged.wait(lock, [] { return queue.size() < queuedMost; });
  // After the first frame, a flip without a new picture is the frame before.
  queue.push_back(pendingReady ? std::move(pending) : std::vector<uint8_t>());
  pending.clear();
  pendingReady = false;
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
  std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
  auto add = [&](std::initializer_list<std::string> more) { args.insert(args.end(), more); };
  add({"-f", "rawvideo", "-pix_fmt", "yuv420p", "-s", size, "-r", fps, "-i", "pipe:0"});
  // The sound is raw: without probing ffmpeg starts as soon as the first
  // packet is there, rather than waiting for seconds of sound the show has
  // not rendered yet while it holds back the picture.
  add({"-probesize", "32", "-analyzeduration", "0", "-f", "s16le", "-ar", "44100", "-ac", "2", "-i",
       "pipe:3"});
  add({"-map", "0:v", "-map", "1:a", "-c:v", "libx264", "-preset", preset, "-crf", crf});
  add({"-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k"});
  add({"-progress", "pipe:4", "-nostats", output});
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

// The source pixels under each chroma sample's two outputs; `black` in the bars.
void pairsOf(const std::vector<int>& of, int black, std::vector<int>& first,
             std::vector<int>& second) {
  for (size_t i = 0; i + 1 < of.size(); i += 2) {
    first.push_back(of[i] < 0 ? black : of[i]);
    second.push_back(of[i + 1] < 0 ? black : of[i + 1]);
  }
}

// BT.601 studio range, integer weights of 256ths. The loops below are
// written for the compiler to vectorise: plain arrays,
// no branches, and (for chroma) 16-bit lanes, which every value fits.
void lumaOfRow(const uint32_t* __restrict in, uint8_t* __restrict out) {
  int x = 0;
#ifdef __SSE2__
  // A pixel's bytes (b g r unused) widened to 16-bit lanes and weighted by
  // _mm_madd_epi16 into (25·b + 129·g, 66·r) per pixel; the unused byte
  // weighs 0.
  const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(128);
  const __m128i weights = _mm_setr_epi16(25, 129, 66, 0, 25, 129, 66, 0);
  auto four = [&](const uint32_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128 lo = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights));
    const __m128 hi = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights));
    const __m128i sum =
        _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0))),
                      _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))));
    return _mm_srai_epi32(_mm_add_epi32(sum, round), 8);
  };
  const __m128i sixteen = _mm_set1_epi16(16);
  for (; x + 16 <= kShowW; x += 16) {
    const __m128i a = _mm_add_epi16(_mm_packs_epi32(four(in + x), four(in + x + 4)), sixteen);
    const __m128i b = _mm_add_epi16(_mm_packs_epi32(four(in + x + 8), four(in + x + 12)), sixteen);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(a, b));
  }
#endif
  for (; x < kShowW; ++x) {
    const uint32_t p = in[x];
    const int r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
    out[x] = uint8_t(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
  }
}

// A pixel's blue, red and green in the 16-bit lanes 0, 1 and 2 of a word:
// four pixels add up in one sum without carrying from lane to lane.
inline uint64_t spread(uint32_t p) { return (p & 0xFF00FF) | uint64_t(p & 0xFF00) << 24; }

// Per source column, the spread pixels of rows a and b added.
void columnSums(const uint32_t* __restrict a, const uint32_t* __restrict b,
                uint64_t* __restrict sums) {
  for (int x = 0; x < kShowW; ++x) sums[x] = spread(a[x]) + spread(b[x]);
}

// Shown one to one across, chroma sample i lies over source columns 2i and
// 2i+1 of rows a and b: their four spread pixels added.
void blocksAcross(const uint32_t* __restrict a, const uint32_t* __restrict b,
                  uint64_t* __restrict blocks) {
  int x = 0;
#ifdef __SSE2__
  // Four pixels a step, widened to 16-bit lanes (b g r unused); the two
  // rows' columns added, then the column pairs, and the lanes reordered into
  // spread's (b r g 0).
  const __m128i zero = _mm_setzero_si128();
  const __m128i used = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
  for (; x + 4 <= kShowW; x += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
    const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero));
    const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero));
    __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
    sum = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sum, _MM_SHUFFLE(3, 1, 2, 0)),
                              _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blocks + x / 2), _mm_and_si128(sum, used));
  }
#endif
  for (; x < kShowW; x += 2)
    blocks[x / 2] = spread(a[x]) + spread(a[x + 1]) + spread(b[x]) + spread(b[x + 1]);
}

// U and V of n samples from the spread sums of their four pixels: each
// channel's rounded mean, weighted in 256ths.
void chromaOf(const uint64_t* blocks, int n, uint8_t* u, uint8_t* v) {
  int i = 0;
#ifdef __SSE2__
  // Two samples a register: the means in lanes (b r g 0 b r g 0), whose
  // weighted pairs _mm_madd_epi16 adds into (b·wb + r·wr, g·wg) per sample.
  const __m128i two = _mm_set1_epi16(2), round = _mm_set1_epi32(128);
  const __m128i weightsU = _mm_setr_epi16(112, -38, -74, 0, 112, -38, -74, 0);
  const __m128i weightsV = _mm_setr_epi16(-18, 112, -94, 0, -18, 112, -94, 0);
  auto weigh = [&](__m128i m0, __m128i m1, __m128i weights) {  // four samples
    const __m128 p0 = _mm_castsi128_ps(_mm_madd_epi16(m0, weights));
    const __m128 p1 = _mm_castsi128_ps(_mm_madd_epi16(m1, weights));
    const __m128i sum =
        _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(p0, p1, _MM_SHUFFLE(2, 0, 2, 0))),
                      _mm_castps_si128(_mm_shuffle_ps(p0, p1, _MM_SHUFFLE(3, 1, 3, 1))));
    return _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(sum, round), 8), round);
  };
  for (; i + 8 <= n; i += 8) {
    __m128i m[4];
    for (int k = 0; k < 4; ++k) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + i + 2 * k));
      m[k] = _mm_srli_epi16(_mm_add_epi16(s, two), 2);
    }
    const __m128i cb = _mm_packs_epi32(weigh(m[0], m[1], weightsU), weigh(m[2], m[3], weightsU));
    const __m128i cr = _mm_packs_epi32(weigh(m[0], m[1], weightsV), weigh(m[2], m[3], weightsV));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + i), _mm_packus_epi16(cb, cb));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + i), _mm_packus_epi16(cr, cr));
  }
#endif
  for (; i < n; ++i) {
    const int b = int((blocks[i] & 0xFFFF) + 2) >> 2, r = int((blocks[i] >> 16 & 0xFFFF) + 2) >> 2,
              g = int((blocks[i] >> 32) + 2) >> 2;
    u[i] = uint8_t(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    v[i] = uint8_t(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
  }
}

const uint32_t kBlackRow[kShowW] = {};
}  // namespace

Yuv420Scaler::Yuv420Scaler(int width, int height)
    : width_(width),
      height_(height),
      frameBytes_(size_t(width) * height * 3 / 2),
      fit_(avFit(width, height)),
      columnOf_(nearest(width, fit_.x, fit_.w, kShowW)),
      rowOf_(nearest(height, fit_.y, fit_.h, kShowH)),
      lumaRow_(kShowW) {
  // Enlarged 2 to 8 times across, a row is laid out in runs.
  std::vector<int> runs(kShowW, 0);
  for (int x = fit_.x; x < fit_.x + fit_.w; ++x) ++runs[columnOf_[x]];
  if (*std::min_element(runs.begin(), runs.end()) >= 2 &&
      *std::max_element(runs.begin(), runs.end()) <= 8)
    for (int c = 0, x = fit_.x; c < kShowW; x += runs[c++]) runStart_.push_back(x);
  pairsOf(columnOf_, kShowW, left_, right_);
  pairsOf(rowOf_, kShowH, top_, bottom_);
  while (barsLeft_ < int(left_.size()) && right_[barsLeft_] == kShowW) ++barsLeft_;
  while (barsRight_ < int(left_.size()) - barsLeft_ &&
         left_[left_.size() - 1 - barsRight_] == kShowW)
    ++barsRight_;
  columnSums_.assign(kShowW + 1, 0);
  blocks_.assign(width / 2, 0);
}

void Yuv420Scaler::scale(const uint32_t* picture, uint8_t* yuv) {
  const size_t w = size_t(width_);
  for (int y = 0; y < height_; ++y) {
    uint8_t* out = yuv + y * w;
    const int r = rowOf_[y];
    if (y > 0 && rowOf_[y - 1] == r) {
      std::memcpy(out, out - w, w);
      continue;
    }
    if (r < 0) {
      std::memset(out, 16, w);
      continue;
    }
    std::memset(out, 16, fit_.x);
    const uint32_t* in = picture + size_t(r) * kShowW;
    if (fit_.w == kShowW) {
      lumaOfRow(in, out + fit_.x);
    } else {
      uint8_t* __restrict luma = lumaRow_.data();
      const int* __restrict columnOf = columnOf_.data();
      lumaOfRow(in, luma);
      int x = fit_.x;
      if (!runStart_.empty()) {
        // Each source pixel's run of 2 to 8 outputs in one 8-byte store; the
        // next store overwrites what lies past the run.
        for (int c = 0; c < kShowW - 8; ++c) {
          const uint64_t run = luma[c] * 0x0101010101010101ull;
          std::memcpy(out + runStart_[c], &run, 8);
        }
        x = runStart_[kShowW - 8];
      }
      for (; x < fit_.x + fit_.w; ++x) out[x] = luma[columnOf[x]];
    }
    std::memset(out + fit_.x + fit_.w, 16, w - fit_.x - fit_.w);
  }

  const int cw = width_ / 2, ch = height_ / 2;
  uint8_t* U = yuv + w * height_;
  uint8_t* V = U + size_t(cw) * ch;
  for (int y = 0; y < ch; ++y) {
    uint8_t* u = U + size_t(y) * cw;
    uint8_t* v = V + size_t(y) * cw;
    if (y > 0 && top_[y] == top_[y - 1] && bottom_[y] == bottom_[y - 1]) {
      std::memcpy(u, u - cw, cw);
      std::memcpy(v, v - cw, cw);
      continue;
    }
    if (top_[y] == kShowH && bottom_[y] == kShowH) {
      std::memset(u, 128, cw);
      std::memset(v, 128, cw);
      continue;
    }
    const uint32_t* a = top_[y] < kShowH ? picture + size_t(top_[y]) * kShowW : kBlackRow;
    const uint32_t* b = bottom_[y] < kShowH ? picture + size_t(bottom_[y]) * kShowW : kBlackRow;
    if (width_ == kShowW) {
      blocksAcross(a, b, blocks_.data());
      chromaOf(blocks_.data(), cw, u, v);
      continue;
    }
    columnSums(a, b, columnSums_.data());
    const uint64_t* __restrict sums = columnSums_.data();
    const int* __restrict left = left_.data(), * __restrict right = right_.data();
    uint64_t* __restrict blocks = blocks_.data();
    for (int i = barsLeft_; i < cw - barsRight_; ++i) blocks[i] = sums[left[i]] + sums[right[i]];
    chromaOf(blocks + barsLeft_, cw - barsLeft_ - barsRight_, u + barsLeft_, v + barsLeft_);
    std::memset(u, 128, barsLeft_);
    std::memset(v, 128, barsLeft_);
    std::memset(u + cw - barsRight_, 128, barsRight_);
    std::memset(v + cw - barsRight_, 128, barsRight_);
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

  // Until the show flips, its frames are black.
  unconverted.assign(size_t(kShowW) * kShowH, 0);
  unconvertedReady = true;
  pending.clear();
  pendingReady = false;
  framesDue = videoFrames = soundFrames = soundSeen = framesEncoded = 0;
  framesWritten = 0;
  writeFailed = soundFailed = closing = false;
  lending = mp4;
  bytesLent = 0;
  lent.clear();
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
    queuedMost = std::max<size_t>(2, std::min(kQueuedFrames, kQueuedBytes / scaler->frameBytes()));
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
  const bool xrgb = f->BytesPerPixel == 4 && f->Rmask == 0xFF0000 && f->Gmask == 0xFF00 &&
                    f->Bmask == 0xFF && screen->w == kShowW && screen->h == kShowH &&
                    screen->pitch == kShowW * 4;
  // Before the files start (--from) most flips are never written: they are
  // only kept, and converted if they turn out to be the first frame's.
  if (xrgb && framesDue + 1 >= firstFrame) {
    if (pending.empty()) pending = spareFrame();
    scaler->scale(static_cast<const uint32_t*>(screen->pixels), pending.data());
    pendingReady = true;
    unconvertedReady = false;
    SDL_UnlockSurface(screen);
    return;
  }
  const int w = std::min(screen->w, kShowW), h = std::min(screen->h, kShowH);
  for (int y = 0; y < h; ++y) {
    const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
    uint32_t* out = &unconverted[size_t(y) * kShowW];
    if (xrgb) {
      std::memcpy(out, row, size_t(w) * 4);
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
  unconvertedReady = true;
  pendingReady = false;
}

void avClockAdvanced(double toMs) {
  if (!active || av.video.empty()) return;
  // Frame k stands at k·1000/fps ms: every frame due before `toMs` shows the
  // picture flipped last.
  for (; double(framesDue) * 1000.0 / av.fps < toMs - 1e-6; ++framesDue) {
    if (framesDue < firstFrame) continue;
    queueFrame();
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
  pending.clear();
  pending.shrink_to_fit();
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
    lent.clear();
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

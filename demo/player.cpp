#include "demo/player.h"

#include <SDL/SDL.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <sstream>
#include <vector>

#include "demo/clock.h"

namespace {
// One pattern cell as far as cues care: note 1..120 starts a note unless the
// cell slides into it (tone portamento), instrument 0 means "the channel's last".
struct Cell {
  uint8_t note;
  uint8_t instrument;
  bool slide;
};
}  // namespace

struct FMUSIC_MODULE {
  std::ostringstream log;  // libopenmpt's messages; must outlive `mod`
  std::unique_ptr<openmpt::module> mod;
  int channels = 0;
  std::vector<int> patternRows;                               // rows of each pattern
  std::vector<std::vector<Cell>> cells;                       // per pattern: rows × channels
  std::array<std::atomic<FMUSIC_CALLBACK>, 256> callbacks{};  // by instrument
  std::atomic<bool> playing{false};
  bool ended = false;
  // Play state, touched only by whoever renders (audio thread or offline).
  std::vector<int> lastInstrument;  // per channel
  int lastOrder = -1, lastRow = -1;
  uint64_t frames = 0;
  uint64_t framesSent = 0;  // of those, handed to the sound device (its callback's)
  uint64_t endFrame = 0;    // the song's length in frames, as the decoder measures it
};

namespace {
// --- player state ---
constexpr int kRate = 44100;
constexpr int kDeviceFrames = 1024;  // frames rendered at once away from a device
constexpr int kStepFrames = 256;     // rows are looked at every 5.8 ms of sound

bool offline = false;
bool deviceOpen = false;
std::atomic<FMUSIC_MODULE*> current{nullptr};
SDL_Thread* silentThread = nullptr;

// --- with a sound device: a decoder thread ahead of the device ---
// The device's callback only copies decoded sound out of a ring and sends the
// cues of what it copies, so it returns in microseconds: frames in which
// drawing and a software GL take both cores no longer make it late (a dropout),
// since the decoder has the ring's slack, and the device closes within one of
// its short buffers when the viewer quits. Cues still reach the show as the
// sound that carries them leaves for the device, as when the callback decoded.
constexpr int kDeviceBufferFrames = 1024;  // 23 ms a callback
constexpr size_t kRingFrames = 4096;       // at most 93 ms decoded ahead
constexpr size_t kCueSlots = 1024;         // cues waiting in the ring's sound
struct PendingCue {
  uint64_t frame;  // the song frame at which the cue was reached
  int instrument;
};
bool queueCues = false;           // cues wait for their sound (the decoder thread runs)
bool cuesWaitForHearing = false;  // released by playerHeard, not the callback
int16_t ring[2 * kRingFrames];
std::atomic<uint64_t> ringWritten{0}, ringRead{0};  // stereo frames since the start
PendingCue cueSlots[kCueSlots];
std::atomic<uint64_t> cuesWritten{0}, cuesRead{0};
SDL_Thread* decoderThread = nullptr;
std::atomic<bool> decoderStops{false};

void sendCue(FMUSIC_MODULE* m, int inst, FMUSIC_CALLBACK cb) {
  if (queueCues) {
    const uint64_t w = cuesWritten.load(std::memory_order_relaxed);
    // Full means a thousand cues within 93 ms of sound: no song sends that.
    if (w - cuesRead.load(std::memory_order_acquire) >= kCueSlots) return;
    cueSlots[w % kCueSlots] = {m->frames, inst};
    cuesWritten.store(w + 1, std::memory_order_release);
    return;
  }
  if (playerCue) playerCue(inst, double(m->frames) / kRate);
  cb(m, static_cast<unsigned char>(inst));
}

void fireRow(FMUSIC_MODULE* m, int order, int row) {
  int pattern = m->mod->get_order_pattern(order);
  if (pattern < 0 || pattern >= int(m->cells.size()) || row >= m->patternRows[pattern]) return;
  const Cell* cells = &m->cells[pattern][size_t(row) * m->channels];
  for (int c = 0; c < m->channels; ++c) {
    const Cell& cell = cells[c];
    if (cell.instrument) m->lastInstrument[c] = cell.instrument;
    if (cell.note < 1 || cell.note > 120 || cell.slide) continue;
    int inst = m->lastInstrument[c];
    FMUSIC_CALLBACK cb = inst > 0 && inst < 256 ? m->callbacks[inst].load() : nullptr;
    if (cb) sendCue(m, inst, cb);
  }
}

// Fires the cues of every row the song has reached since the last look.
void fireReachedRows(FMUSIC_MODULE* m) {
  int order = m->mod->get_current_order();
  int row = m->mod->get_current_row();
  if (order == m->lastOrder && row == m->lastRow) return;
  // Past the song's end the decoder lets the sound ring out and reports the
  // first row again; no row starts there.
  if (m->frames > m->endFrame || order < 0 || order >= m->mod->get_num_orders()) return;
  int first = (order == m->lastOrder && row > m->lastRow) ? m->lastRow + 1 : row;
  for (int r = first; r <= row; ++r) fireRow(m, order, r);
  m->lastOrder = order;
  m->lastRow = row;
}

// Renders `frames` stereo frames of the song into `out` (silence past its
// end), firing cues as rows are reached.
void render(FMUSIC_MODULE* m, int16_t* out, size_t frames) {
  std::memset(out, 0, frames * 2 * sizeof(int16_t));
  if (!m || !m->playing || m->ended) return;
  size_t done = 0;
  try {
    if (m->lastOrder < 0) fireReachedRows(m);
    while (done < frames) {
      size_t step = std::min<size_t>(kStepFrames, frames - done);
      size_t got = m->mod->read_interleaved_stereo(kRate, step, out + 2 * done);
      done += got;
      m->frames += got;
      // A short read is the song's end; the decoder's position then points
      // back at the start, which must not fire the first row again.
      if (got < step) {
        m->ended = true;
        break;
      }
      fireReachedRows(m);
    }
  } catch (const std::exception&) {
    m->ended = true;  // a decoder failure mid-song ends the music, not the show
  }
}

// Sends the waiting cues of every song frame up to `frame`.
void releaseCues(FMUSIC_MODULE* m, uint64_t frame) {
  uint64_t c = cuesRead.load(std::memory_order_relaxed);
  while (m && c < cuesWritten.load(std::memory_order_acquire) &&
         cueSlots[c % kCueSlots].frame <= frame) {
    const PendingCue cue = cueSlots[c % kCueSlots];
    if (FMUSIC_CALLBACK cb = m->callbacks[cue.instrument].load()) {
      if (playerCue) playerCue(cue.instrument, double(cue.frame) / kRate);
      cb(m, static_cast<unsigned char>(cue.instrument));
    }
    ++c;
  }
  cuesRead.store(c, std::memory_order_release);
}

// Decodes into the ring until it holds at least `frames` (or is full); false
// when there is nothing to decode.
bool fillRing(size_t frames) {
  for (;;) {
    FMUSIC_MODULE* m = current.load();
    const uint64_t w = ringWritten.load(std::memory_order_relaxed);
    const uint64_t queued = w - ringRead.load(std::memory_order_acquire);
    const uint64_t room = kRingFrames - queued;
    if (!m || !m->playing || m->ended || room < kStepFrames) return false;
    if (queued >= frames) return true;
    const size_t at = w % kRingFrames;
    const size_t n = std::min<uint64_t>(std::min<uint64_t>(room, kDeviceFrames), kRingFrames - at);
    render(m, &ring[2 * at], n);
    ringWritten.store(w + n, std::memory_order_release);
  }
}

// The device's callback: the next decoded frames (silence for any the
// decoder has not reached), then the cues they carry.
void mixIntoDevice(void*, Uint8* stream, int len) {
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  const size_t frames = size_t(len) / 4;
  // Where no thread can be made (the browser has none) the callback decodes
  // what it sends; without this the ring stayed empty and the song silent.
  if (!decoderThread) fillRing(frames);
  const uint64_t r = ringRead.load(std::memory_order_relaxed);
  const size_t have = std::min<uint64_t>(frames, ringWritten.load(std::memory_order_acquire) - r);
  for (size_t done = 0; done < have;) {
    const size_t at = (r + done) % kRingFrames, n = std::min(have - done, kRingFrames - at);
    std::memcpy(out + 2 * done, &ring[2 * at], n * 4);
    done += n;
  }
  std::memset(out + 2 * have, 0, (frames - have) * 4);
  ringRead.store(r + have, std::memory_order_release);

  FMUSIC_MODULE* m = current.load();
  const uint64_t sent = m ? m->framesSent += have : 0;
  if (!cuesWaitForHearing) releaseCues(m, sent);
}

// Keeps the ring full while the song plays, a step at a time.
int decodeAhead(void*) {
  while (!decoderStops)
    if (!fillRing(kRingFrames)) SDL_Delay(2);
  return 0;
}

// At exit, before the libraries' own clean-up: the decoder must not be
// inside libopenmpt then.
void stopDecoder() {
  decoderStops = true;
  SDL_WaitThread(decoderThread, nullptr);
}

// Without a sound device the song still has to move at the speed of sound:
// this thread renders it into nothing, paced by the SDL tick counter that
// stands in for the device's own clock.
Uint32 silentStart = 0;
uint64_t silentRendered = 0;
bool silentByFrames = false;  // no thread: the frame loop keeps the pace

void renderSilentlyToNow() {
  static std::vector<int16_t> scratch(2 * kDeviceFrames);
  const uint64_t due = uint64_t(SDL_GetTicks() - silentStart) * kRate / 1000;
  while (silentRendered < due) {
    size_t n = std::min<uint64_t>(kDeviceFrames, due - silentRendered);
    render(current.load(), scratch.data(), n);
    silentRendered += n;
  }
}

int silentPlayer(void*) {
  for (;;) {
    renderSilentlyToNow();
    SDL_Delay(5);
  }
}

// Sample position of a show time, exact at whole frames of any rate that
// divides 44100 (60 fps: 735 frames of sound a picture).
uint64_t framesAt(double ms) { return uint64_t(std::floor(ms * (kRate / 1000.0) + 1e-6)); }

void offlineAdvance(double fromMs, double toMs) {
  uint64_t from = framesAt(fromMs), to = framesAt(toMs);
  static std::vector<int16_t> block;
  while (from < to) {
    size_t n = std::min<uint64_t>(kDeviceFrames, to - from);
    block.resize(2 * n);
    render(current.load(), block.data(), n);
    if (playerSamples) playerSamples(block.data(), n);
    from += n;
  }
}

// The length an XM file declares through its headers: patterns, then
// instruments with their sample headers and sample data. libopenmpt plays a
// file cut short without a word (the missing rest is silence), so this is
// how the loader notices. SIZE_MAX when the headers themselves are cut.
size_t xmDeclaredLength(const std::vector<char>& d) {
  bool cut = false;
  auto u = [&](size_t at, int bytes) -> size_t {
    if (at + size_t(bytes) > d.size()) {
      cut = true;
      return 0;
    }
    size_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | uint8_t(d[at + size_t(i)]);
    return v;
  };
  const size_t patterns = u(70, 2), instruments = u(72, 2);
  size_t at = 60 + u(60, 4);
  for (size_t p = 0; p < patterns && !cut; ++p) at += u(at, 4) + u(at + 7, 2);
  for (size_t i = 0; i < instruments && !cut; ++i) {
    const size_t header = u(at, 4), samples = u(at + 27, 2);
    const size_t sampleHeader = samples ? u(at + 29, 4) : 0;
    size_t next = at + header;
    for (size_t k = 0; k < samples && !cut; ++k)
      next += sampleHeader + u(at + header + k * sampleHeader, 4);
    at = next;
  }
  return cut ? SIZE_MAX : at;
}

void warnOnce(const char* what) {
  static bool warned = false;
  if (warned) return;
  warned = true;
  std::fprintf(stderr, "plupp: %s; the song plays silently\n", what);
}
}  // namespace

void playerUseOffline() {
  offline = true;
  clockAdvanced = offlineAdvance;
}

void playerGoLive() {
  if (!offline) return;
  offline = false;
  if (clockAdvanced == offlineAdvance) clockAdvanced = nullptr;
  FMUSIC_MODULE* m = current.load();
  if (m) m->framesSent = m->frames;  // the device's count starts where the song stands
  FSOUND_Init(kRate, 32, 0);
  if (m && !deviceOpen && !silentThread) silentThread = SDL_CreateThread(silentPlayer, nullptr);
}

bool playerSongNames(const FMUSIC_MODULE* mod, int instrument) {
  if (!mod) return false;
  for (const std::vector<Cell>& pattern : mod->cells)
    for (const Cell& cell : pattern)
      if (cell.instrument == instrument) return true;
  return false;
}

double playerSongSeconds() {
  FMUSIC_MODULE* m = current.load();
  return m ? double(m->endFrame) / kRate : 0.0;
}

uint64_t playerFramesRendered() {
  FMUSIC_MODULE* m = current.load();
  return m ? m->frames : 0;
}

signed char FSOUND_Init(int mixrate, int, unsigned int) {
  if (offline || deviceOpen) return 1;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
    warnOnce("no sound device");
    return 0;
  }
  SDL_AudioSpec want{};
  want.freq = mixrate > 0 ? mixrate : kRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = mixIntoDevice;
  // SDL converts from this format to whatever the device takes.
  if (SDL_OpenAudio(&want, nullptr) < 0) {
    warnOnce("no sound device");
    return 0;
  }
  deviceOpen = true;
  queueCues = true;
  decoderThread = SDL_CreateThread(decodeAhead, nullptr);
  if (decoderThread) std::atexit(stopDecoder);
  SDL_PauseAudio(0);
  return 1;
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* mod) {
  if (!mod) return 0;
  mod->playing = false;
  return 1;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) data.clear();
  if (data.empty()) {
    std::fprintf(stderr, "plupp: cannot load %s (missing or empty); the show runs without music\n",
                 name);
    return nullptr;
  }
  auto m = std::make_unique<FMUSIC_MODULE>();
  try {
    m->mod = std::make_unique<openmpt::module>(data, m->log);
    m->mod->set_repeat_count(0);  // once through, no loop
    m->channels = m->mod->get_num_channels();
    m->endFrame = uint64_t(m->mod->get_duration_seconds() * kRate);
    int patterns = m->mod->get_num_patterns();
    m->patternRows.resize(patterns);
    m->cells.resize(patterns);
    for (int p = 0; p < patterns; ++p) {
      int rows = m->mod->get_pattern_num_rows(p);
      m->patternRows[p] = rows;
      m->cells[p].resize(size_t(rows) * m->channels);
      for (int r = 0; r < rows; ++r)
        for (int c = 0; c < m->channels; ++c) {
          Cell& cell = m->cells[p][size_t(r) * m->channels + c];
          cell.note =
              m->mod->get_pattern_row_channel_command(p, r, c, openmpt::module::command_note);
          cell.instrument =
              m->mod->get_pattern_row_channel_command(p, r, c, openmpt::module::command_instrument);
          std::string fx =
              m->mod->format_pattern_row_channel_command(p, r, c, openmpt::module::command_effect);
          cell.slide = fx == "3" || fx == "5";
        }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "plupp: cannot load %s (%s); the show runs without music\n", name,
                 e.what());
    return nullptr;
  }
  const bool xm = data.size() >= 17 && std::memcmp(data.data(), "Extended Module: ", 17) == 0;
  if (xm && xmDeclaredLength(data) > data.size())
    std::fprintf(stderr, "plupp: %s is cut short; the song plays as far as it goes\n", name);
  m->lastInstrument.assign(m->channels, 0);
  return m.release();  // lives until the process ends, like the song
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod) {
  if (!mod) return 0;
  if (deviceOpen) SDL_LockAudio();
  mod->playing = true;
  current = mod;
  if (deviceOpen) SDL_UnlockAudio();
  if (!offline && !deviceOpen && !silentThread && !silentByFrames) {
    silentStart = SDL_GetTicks();
    silentThread = SDL_CreateThread(silentPlayer, nullptr);
    silentByFrames = !silentThread;
  }
  return 1;
}

signed char FMUSIC_SetInstCallback(FMUSIC_MODULE* mod, FMUSIC_CALLBACK callback, int instrument) {
  if (!mod || instrument < 0 || instrument > 255) return 0;
  mod->callbacks[instrument] = callback;
  return 1;
}

void playerCuesWaitForHearing() { cuesWaitForHearing = true; }

void playerHeard(uint64_t framesQueued) {
  if (!cuesWaitForHearing) return;
  SDL_LockAudio();
  FMUSIC_MODULE* m = current.load();
  if (m && m->framesSent >= framesQueued) releaseCues(m, m->framesSent - framesQueued);
  SDL_UnlockAudio();
}

uint64_t playerFramesSent() {
  FMUSIC_MODULE* m = current.load();
  return m ? m->framesSent : 0;
}

void playerKeepSilentPace() {
  if (silentByFrames) renderSilentlyToNow();
}

// plupp-dropouts: finds the dropouts in a recording of the demo's sound.
//
//   plupp-dropouts REFERENCE.wav RECORDING.raw [MIN_MS]
//
// REFERENCE is the song as the capture tool renders it (--audio, 16-bit
// stereo, 44100 Hz); RECORDING is raw 16-bit stereo at 44100 Hz, as parec
// records a sound server's monitor. The recording is placed in the song by
// its loudness envelope (10 ms blocks), and every run of digital silence of
// MIN_MS (default 2) or more is a dropout where the song is loud there (a
// block at least a hundredth of full scale in RMS). Prints one line per
// dropout and a closing `dropouts=N ...` line; exits 1 when there are any.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/soundcheck/envelope.h"

namespace {
std::vector<int16_t> readSamples(const char* path, size_t skipBytes) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < skipBytes) return {};
  std::vector<int16_t> s((bytes.size() - skipBytes) / 2);
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = int16_t(uint8_t(bytes[skipBytes + 2 * i]) | uint8_t(bytes[skipBytes + 2 * i + 1]) << 8);
  return s;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: plupp-dropouts REFERENCE.wav RECORDING.raw [MIN_MS]\n");
    return 2;
  }
  const double minMs = argc > 3 ? std::atof(argv[3]) : 2.0;
  const std::vector<int16_t> ref = readSamples(argv[1], 44);  // the capture's WAV header
  const std::vector<int16_t> rec = readSamples(argv[2], 0);
  if (ref.empty() || rec.empty()) {
    std::fprintf(stderr, "plupp-dropouts: cannot read %s or %s\n", argv[1], argv[2]);
    return 2;
  }
  const std::vector<double> refEnv = blockEnvelope(ref), recEnv = blockEnvelope(rec);
  const long offset =
      bestOffset(refEnv, recEnv);  // blocks into the song where the recording starts
  const std::vector<SilentRun> runs = silentRuns(rec, size_t(minMs * kRate / 1000.0 + 0.5));
  int dropouts = 0;
  double loudSeconds = 0;
  for (size_t b = 0; b < recEnv.size(); ++b) {
    const long at = long(b) + offset;
    if (at >= 0 && size_t(at) < refEnv.size() && refEnv[size_t(at)] >= kLoud)
      loudSeconds += kBlock / double(kRate);
  }
  for (const SilentRun& r : runs) {
    const long at = long(r.start / kBlock) + offset;
    if (at < 0 || size_t(at) >= refEnv.size() || refEnv[size_t(at)] < kLoud) continue;
    ++dropouts;
    std::printf("dropout at %.3f s of the recording (%.3f s of the song), %.1f ms\n",
                r.start / double(kRate), double(at) * kBlock / kRate, r.frames * 1000.0 / kRate);
  }
  std::printf("dropouts=%d recording=%.1f s loud=%.1f s song_offset=%.2f s\n", dropouts,
              rec.size() / 2.0 / kRate, loudSeconds, double(offset) * kBlock / kRate);
  return dropouts ? 1 : 0;
}

#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>

namespace songc {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;  // one-shot samples
constexpr double kMiddleC = 261.6255653005986;

// Seeded noise: the same sequence on every build and platform.
class Noise {
 public:
  explicit Noise(uint32_t seed) : s_(seed) {}
  double next() {
    s_ = s_ * 1664525u + 1013904223u;
    return double(s_ >> 8) / double(1u << 23) - 1.0;
  }

 private:
  uint32_t s_;
};

struct OnePole {
  double a, y = 0.0;
  explicit OnePole(double cutoff) : a(1.0 - std::exp(-2.0 * kPi * cutoff / kRate)) {}
  double low(double x) { return y += a * (x - y); }
  double high(double x) { return x - low(x); }
};

// Band pass (constant peak gain), for claps and snaps.
struct BandPass {
  double b0, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  BandPass(double centre, double q) {
    double w = 2.0 * kPi * centre / kRate, alpha = std::sin(w) / (2.0 * q);
    double a0 = 1.0 + alpha;
    b0 = alpha / a0;
    b2 = -alpha / a0;
    a1 = -2.0 * std::cos(w) / a0;
    a2 = (1.0 - alpha) / a0;
  }
  double run(double x) {
    double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

std::vector<int16_t> toPcm(const std::vector<double>& v, double peak) {
  double m = 1e-12;
  for (double x : v) m = std::max(m, std::fabs(x));
  std::vector<int16_t> out(v.size());
  for (size_t i = 0; i < v.size(); ++i) out[i] = int16_t(std::lround(v[i] / m * peak * 32767.0));
  return out;
}

// One period of `frames` samples built from harmonic amplitudes (index 0 is
// the fundamental); looped, it plays C-4 as middle C.
Sample periodic(const std::string& name, const std::vector<double>& harmonics, int frames) {
  std::vector<double> v(size_t(frames), 0.0);
  for (int i = 0; i < frames; ++i) {
    double ph = 2.0 * kPi * i / frames;
    for (size_t k = 0; k < harmonics.size(); ++k)
      v[size_t(i)] += harmonics[k] * std::sin(double(k + 1) * ph);
  }
  Sample s;
  s.name = name;
  s.data = toPcm(v, 0.95);
  s.loopStart = 0;
  s.loopLength = uint32_t(frames);
  tuneForRate(kMiddleC * frames, s.relativeNote, s.finetune);
  return s;
}

Sample oneShot(const std::string& name, double seconds, double peak,
               const std::function<double(double)>& f) {
  std::vector<double> v(size_t(seconds * kRate));
  for (size_t i = 0; i < v.size(); ++i) v[i] = f(double(i) / kRate);
  // A few frames of fade keep the tail from clicking.
  for (size_t i = 0; i < 64 && i < v.size(); ++i) v[v.size() - 1 - i] *= double(i) / 64.0;
  Sample s;
  s.name = name;
  s.data = toPcm(v, peak);
  tuneForRate(kRate, s.relativeNote, s.finetune);
  return s;
}

Instrument tonal(const std::string& name, Sample s, std::vector<EnvelopePoint> env, int sustain,
                 uint16_t fadeout, uint8_t volume) {
  Instrument in;
  in.name = name;
  s.volume = volume;
  in.samples.push_back(std::move(s));
  in.volumeEnvelope = std::move(env);
  in.sustainPoint = sustain;
  in.fadeout = fadeout;
  return in;
}

Instrument percussion(const std::string& name, Sample s, uint8_t volume) {
  Instrument in;
  in.name = name;
  s.volume = volume;
  in.samples.push_back(std::move(s));
  return in;
}

Instrument silentMarker(const std::string& name) {
  Instrument in;
  in.name = name;
  Sample s;
  s.name = name;
  s.data.assign(32, 0);
  s.volume = 0;
  in.samples.push_back(s);
  return in;
}

double sweepPhase(double t, double f0, double f1, double tau) {
  // Phase of a tone falling from f0 to f1 with time constant tau.
  return 2.0 * kPi * (f1 * t + (f0 - f1) * tau * (1.0 - std::exp(-t / tau)));
}

std::vector<double> pulseHarmonics(double duty, int count, double roll) {
  std::vector<double> h;
  for (int k = 1; k <= count; ++k) h.push_back(std::sin(k * kPi * duty) / k * std::exp(-k / roll));
  return h;
}

}  // namespace

std::vector<Instrument> buildInstruments() {
  std::vector<Instrument> ins(kInstrumentCount);
  for (int i = 0; i < kInstrumentCount; ++i) ins[size_t(i)].name = "";

  // Melodic parts: a looped period shaped by the volume envelope.
  {
    Instrument lead = tonal("lead pulse", periodic("pulse 25", pulseHarmonics(0.25, 24, 14.0), 128),
                            {{0, 64}, {3, 62}, {18, 58}, {22, 0}}, 2, 0x200, 64);
    lead.vibratoType = 0;
    lead.vibratoSweep = 28;
    lead.vibratoDepth = 3;
    lead.vibratoRate = 20;
    ins[kLead - 1] = lead;
  }
  ins[kBell - 1] = tonal("bell", periodic("bell", {1.0, 0.0, 0.35, 0.0, 0.12, 0.05}, 128),
                         {{0, 64}, {6, 44}, {30, 22}, {90, 0}}, -1, 0x300, 48);
  {
    std::vector<double> h;
    for (int k = 1; k <= 40; ++k) h.push_back(1.0 / k / std::sqrt(1.0 + std::pow(k / 7.0, 2.0)));
    ins[kBass - 1] = tonal("bass saw", periodic("saw", h, 256),
                           {{0, 64}, {5, 50}, {30, 40}, {34, 0}}, 2, 0x300, 42);
  }
  ins[kArp - 1] = tonal("arp square", periodic("square", pulseHarmonics(0.5, 20, 8.0), 128),
                        {{0, 64}, {3, 34}, {9, 14}, {16, 0}}, -1, 0x400, 40);
  {
    std::vector<double> h;
    for (int k = 1; k <= 12; ++k) h.push_back((k % 2 ? 1.0 : 0.5) / double(k * k));
    ins[kPad - 1] =
        tonal("pad", periodic("soft", h, 128), {{0, 0}, {10, 40}, {24, 34}, {40, 0}}, 2, 0x180, 30);
  }
  {
    std::vector<double> h;
    for (int k = 1; k <= 24; ++k) h.push_back(1.0 / k * std::exp(-k / 9.0));
    ins[kStab - 1] = tonal("stab", periodic("stab saw", h, 128),
                           {{0, 64}, {3, 36}, {8, 10}, {12, 0}}, -1, 0x400, 24);
  }

  // Drums.
  ins[kKick - 1] = percussion("kick",
                              oneShot("kick", 0.36, 0.98,
                                      [](double t) {
                                        double body = std::sin(sweepPhase(t, 150.0, 46.0, 0.035)) *
                                                      std::exp(-t / 0.18);
                                        double click = t < 0.003 ? (1.0 - t / 0.003) * 0.6 : 0.0;
                                        return body + click;
                                      }),
                              54);
  {
    auto noise = std::make_shared<Noise>(7);
    auto hp = std::make_shared<OnePole>(1200.0);
    ins[kSnare - 1] = percussion(
        "snare",
        oneShot("snare", 0.24, 0.95,
                [=](double t) {
                  double n = hp->high(noise->next()) * std::exp(-t / 0.07);
                  double tone = std::sin(sweepPhase(t, 240.0, 180.0, 0.02)) * std::exp(-t / 0.04);
                  return 0.8 * n + 0.7 * tone;
                }),
        60);
  }
  {
    auto noise = std::make_shared<Noise>(11);
    auto hp1 = std::make_shared<OnePole>(6000.0);
    auto hp2 = std::make_shared<OnePole>(6000.0);
    ins[kHat - 1] = percussion(
        "hat",
        oneShot(
            "hat", 0.07, 0.9,
            [=](double t) { return hp2->high(hp1->high(noise->next())) * std::exp(-t / 0.018); }),
        30);
  }
  {
    auto noise = std::make_shared<Noise>(13);
    auto hp1 = std::make_shared<OnePole>(5000.0);
    auto hp2 = std::make_shared<OnePole>(5000.0);
    ins[kOpenHat - 1] = percussion(
        "open hat",
        oneShot(
            "open hat", 0.4, 0.9,
            [=](double t) { return hp2->high(hp1->high(noise->next())) * std::exp(-t / 0.11); }),
        26);
  }
  {
    auto noise = std::make_shared<Noise>(17);
    auto hp = std::make_shared<OnePole>(3500.0);
    ins[kCrash - 1] =
        percussion("crash",
                   oneShot("crash", 1.8, 0.9,
                           [=](double t) {
                             double metal = 0.0;
                             for (double f : {523.0, 741.0, 1187.0, 1649.0})
                               metal += (std::sin(2 * kPi * f * t) > 0 ? 1.0 : -1.0);
                             return hp->high(noise->next() + 0.08 * metal) * std::exp(-t / 0.45);
                           }),
                   30);
  }
  ins[kTom - 1] =
      percussion("tom",
                 oneShot("tom", 0.35, 0.95,
                         [](double t) {
                           return std::sin(sweepPhase(t, 200.0, 120.0, 0.06)) * std::exp(-t / 0.12);
                         }),
                 48);

  // A clap: a few quick bursts of band-passed noise, then a short tail.
  auto clapShape = [](uint32_t seed, double centre, double tail) {
    auto noise = std::make_shared<Noise>(seed);
    auto bp = std::make_shared<BandPass>(centre, 1.4);
    return [=](double t) {
      double env = 0.0;
      for (double start : {0.0, 0.011, 0.022}) {
        if (t >= start && t < start + 0.011) env = std::max(env, std::exp(-(t - start) / 0.004));
      }
      if (t >= 0.033) env = std::max(env, std::exp(-(t - 0.033) / tail));
      return bp->run(noise->next()) * env;
    };
  };
  ins[kHandclap - 1] =
      percussion("handclap", oneShot("handclap", 0.22, 0.95, clapShape(19, 1300.0, 0.045)), 44);

  // Silent cues.
  ins[kMarkChars - 1] = silentMarker("cue: 4 more letters");
  ins[kMarkLine - 1] = silentMarker("cue: next line");
  ins[kMarkGreet - 1] = silentMarker("cue: greetings");
  ins[kMarkEnd - 1] = silentMarker("cue: the end");

  // Sounding cues: the box flash and the character's gestures.
  {
    auto noise = std::make_shared<Noise>(23);
    auto hp = std::make_shared<OnePole>(2500.0);
    ins[kFlash - 1] = percussion(
        "cue: flash",
        oneShot("flash hit", 0.5, 0.95,
                [=](double t) {
                  double boom = std::sin(sweepPhase(t, 120.0, 55.0, 0.05)) * std::exp(-t / 0.12);
                  double tsh = hp->high(noise->next()) * std::exp(-t / 0.16);
                  return 0.8 * boom + 0.6 * tsh;
                }),
        34);
  }
  ins[kClap - 1] =
      percussion("cue: clap", oneShot("clap", 0.3, 0.95, clapShape(29, 1100.0, 0.07)), 64);
  {
    auto noise = std::make_shared<Noise>(31);
    auto lp = std::make_shared<OnePole>(300.0);
    ins[kStamp - 1] = percussion(
        "cue: stamp",
        oneShot("stamp", 0.32, 0.98,
                [=](double t) {
                  double thud = std::sin(sweepPhase(t, 95.0, 50.0, 0.04)) * std::exp(-t / 0.09);
                  double board = lp->low(noise->next()) * 6.0 * std::exp(-t / 0.03);
                  return thud + board;
                }),
        56);
  }
  {
    auto noise = std::make_shared<Noise>(37);
    auto bp = std::make_shared<BandPass>(3200.0, 2.0);
    ins[kSnap - 1] =
        percussion("cue: snap",
                   oneShot("snap", 0.08, 0.95,
                           [=](double t) {
                             double ring = std::sin(2 * kPi * 2100.0 * t) * std::exp(-t / 0.006);
                             return bp->run(noise->next()) * std::exp(-t / 0.01) + 0.5 * ring;
                           }),
                   64);
  }
  ins[kWave - 1] = percussion(
      "cue: wave",
      oneShot("whoop", 0.42, 0.9,
              [](double t) {
                // Rising "whee" with a little wobble, swelling in and out.
                double f0 = 330.0, f1 = 1050.0, len = 0.38;
                double u = std::min(t / len, 1.0);
                double ph =
                    2 * kPi * (f0 * t + (f1 - f0) * len * u * u / 2.0 * (t < len ? 1.0 : 0.0)) +
                    0.6 * std::sin(2 * kPi * 9.0 * t);
                if (t >= len) ph = 2 * kPi * (f0 * len + (f1 - f0) * len / 2.0 + f1 * (t - len));
                double env = std::sin(kPi * std::min(t / 0.42, 1.0));
                return env * (std::sin(ph) + 0.3 * std::sin(2 * ph));
              }),
      50);

  // A little width: the accompaniment spreads out, lead, bass, kick and
  // snare stay in the middle.
  const std::pair<int, uint8_t> pans[] = {{kArp, 0x58}, {kBell, 0xa8},    {kStab, 0x94},
                                          {kHat, 0xa4}, {kOpenHat, 0xa4}, {kCrash, 0x64},
                                          {kTom, 0x70}};
  for (const auto& [number, pan] : pans) ins[size_t(number - 1)].samples[0].panning = pan;
  return ins;
}

}  // namespace songc

#pragma once
// The song's instruments, every sample computed here from simple waves and
// seeded noise, so a build always writes the same bytes.

#include <string>
#include <vector>

#include "xm.h"

namespace songc {

// Instrument numbers as written in the patterns (1-based).
enum InstrumentNumber : int {
  kLead = 1,
  kBell = 2,
  kBass = 3,
  kArp = 4,
  kPad = 5,
  kStab = 6,
  kKick = 7,
  kSnare = 8,
  kHat = 9,
  kOpenHat = 10,
  kCrash = 11,
  kTom = 12,
  kHandclap = 13,
  // Cues the show listens for.
  kMarkChars = 32,
  kMarkLine = 33,
  kMarkGreet = 35,
  kFlash = 48,
  kClap = 49,
  kStamp = 50,
  kSnap = 51,
  kWave = 52,
  kMarkEnd = 53,
  kInstrumentCount = 53
};

// All instruments, index i holding instrument i + 1; unused numbers are empty.
std::vector<Instrument> buildInstruments();

}  // namespace songc

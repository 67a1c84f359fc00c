#pragma once
// In-memory form of an Extended Module and its byte layout.

#include <cstdint>
#include <string>
#include <vector>

namespace songc {

constexpr int kNoteOff = 97;  // the key-off "note" of the pattern format

struct Cell {
  uint8_t note = 0;        // 1..96, kNoteOff, or 0 for none
  uint8_t instrument = 0;  // 1-based; 0 for none
  uint8_t volume = 0;      // volume column byte: 0x10..0x50 sets 0..64; 0 for none
  uint8_t effect = 0;
  uint8_t param = 0;
  bool empty() const { return !note && !instrument && !volume && !effect && !param; }
  bool operator==(const Cell& o) const {
    return note == o.note && instrument == o.instrument && volume == o.volume &&
           effect == o.effect && param == o.param;
  }
};

struct Pattern {
  int rows = 0;
  int channels = 0;
  std::vector<Cell> cells;  // row-major
  Pattern() = default;
  Pattern(int r, int c) : rows(r), channels(c), cells(size_t(r) * size_t(c)) {}
  Cell& at(int row, int ch) { return cells[size_t(row) * size_t(channels) + size_t(ch)]; }
  const Cell& at(int row, int ch) const {
    return cells[size_t(row) * size_t(channels) + size_t(ch)];
  }
  bool operator==(const Pattern& o) const { return rows == o.rows && cells == o.cells; }
};

struct EnvelopePoint {
  uint16_t tick;
  uint16_t value;  // 0..64
};

struct Sample {
  std::string name;
  std::vector<int16_t> data;
  uint32_t loopStart = 0;   // in frames
  uint32_t loopLength = 0;  // 0: no loop
  uint8_t volume = 64;
  int8_t finetune = 0;
  int8_t relativeNote = 0;
  uint8_t panning = 128;
};

struct Instrument {
  std::string name;
  std::vector<Sample> samples;                // empty or one: every key maps to sample 0
  std::vector<EnvelopePoint> volumeEnvelope;  // empty: no envelope
  int sustainPoint = -1;
  uint16_t fadeout = 0;
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Module {
  std::string name;
  int channels = 0;
  int speed = 6;
  int bpm = 125;
  std::vector<uint8_t> orders;
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;  // index 0 is instrument 1
};

// The module as the bytes of an .xm file (linear frequency table).
std::vector<uint8_t> writeXm(const Module& m);

// Relative note and finetune that make a sample recorded at `rate` frames a
// second play at that rate on C-4.
void tuneForRate(double rate, int8_t& relativeNote, int8_t& finetune);

}  // namespace songc

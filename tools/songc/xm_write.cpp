#include <cmath>
#include <stdexcept>

#include "xm.h"

namespace songc {
namespace {

struct Out {
  std::vector<uint8_t> b;
  void u8(unsigned v) { b.push_back(uint8_t(v)); }
  void u16(unsigned v) {
    u8(v & 0xff);
    u8((v >> 8) & 0xff);
  }
  void u32(uint32_t v) {
    u16(v & 0xffff);
    u16(v >> 16);
  }
  void text(const std::string& s, size_t n, char pad = '\0') {
    for (size_t i = 0; i < n; ++i) u8(i < s.size() ? uint8_t(s[i]) : uint8_t(pad));
  }
  void zeros(size_t n) { b.insert(b.end(), n, 0); }
};

std::vector<uint8_t> packPattern(const Pattern& p) {
  std::vector<uint8_t> d;
  for (const Cell& c : p.cells) {
    uint8_t mask = 0x80;
    if (c.note) mask |= 0x01;
    if (c.instrument) mask |= 0x02;
    if (c.volume) mask |= 0x04;
    if (c.effect) mask |= 0x08;
    if (c.param) mask |= 0x10;
    d.push_back(mask);
    if (c.note) d.push_back(c.note);
    if (c.instrument) d.push_back(c.instrument);
    if (c.volume) d.push_back(c.volume);
    if (c.effect) d.push_back(c.effect);
    if (c.param) d.push_back(c.param);
  }
  return d;
}

void writeInstrument(Out& o, const Instrument& in) {
  if (in.samples.size() > 1) throw std::runtime_error("one sample per instrument");
  if (in.samples.empty()) {
    o.u32(29);
    o.text(in.name, 22);
    o.u8(0);
    o.u16(0);
    return;
  }
  const Sample& s = in.samples[0];
  if (in.volumeEnvelope.size() > 12) throw std::runtime_error("envelope too long: " + in.name);
  o.u32(263);
  o.text(in.name, 22);
  o.u8(0);
  o.u16(1);
  o.u32(40);    // sample header size
  o.zeros(96);  // every key plays sample 0
  for (size_t i = 0; i < 12; ++i) {
    if (i < in.volumeEnvelope.size()) {
      o.u16(in.volumeEnvelope[i].tick);
      o.u16(in.volumeEnvelope[i].value);
    } else {
      o.u32(0);
    }
  }
  o.zeros(48);  // no panning envelope
  o.u8(unsigned(in.volumeEnvelope.size()));
  o.u8(0);
  o.u8(in.sustainPoint < 0 ? 0 : unsigned(in.sustainPoint));
  o.u8(0);
  o.u8(0);
  o.zeros(3);
  unsigned volType = 0;
  if (!in.volumeEnvelope.empty()) volType |= 1;
  if (in.sustainPoint >= 0) volType |= 2;
  o.u8(volType);
  o.u8(0);
  o.u8(in.vibratoType);
  o.u8(in.vibratoSweep);
  o.u8(in.vibratoDepth);
  o.u8(in.vibratoRate);
  o.u16(in.fadeout);
  o.zeros(22);  // reserved, pads the header to 263 bytes

  // Sample header: lengths in bytes since the data is 16-bit.
  uint32_t frames = uint32_t(s.data.size());
  o.u32(frames * 2);
  o.u32(s.loopStart * 2);
  o.u32(s.loopLength * 2);
  o.u8(s.volume);
  o.u8(uint8_t(s.finetune));
  o.u8(0x10 | (s.loopLength ? 1 : 0));
  o.u8(s.panning);
  o.u8(uint8_t(s.relativeNote));
  o.u8(0);
  o.text(s.name, 22);

  int16_t prev = 0;
  for (int16_t v : s.data) {
    o.u16(uint16_t(int16_t(v - prev)));
    prev = v;
  }
}

}  // namespace

void tuneForRate(double rate, int8_t& relativeNote, int8_t& finetune) {
  double semis = 12.0 * std::log2(rate / 8363.0);
  int r = int(std::lround(semis));
  int f = int(std::lround((semis - r) * 128.0));
  if (f > 127) f = 127;
  if (f < -128) f = -128;
  relativeNote = int8_t(r);
  finetune = int8_t(f);
}

std::vector<uint8_t> writeXm(const Module& m) {
  if (m.orders.empty() || m.orders.size() > 256)
    throw std::runtime_error("order list must hold 1..256 entries");
  if (m.patterns.size() > 256 || m.instruments.size() > 128)
    throw std::runtime_error("too many patterns or instruments");
  Out o;
  o.text("Extended Module: ", 17);
  o.text(m.name, 20);
  o.u8(0x1a);
  o.text("songc", 20);
  o.u16(0x0104);
  o.u32(276);
  o.u16(unsigned(m.orders.size()));
  o.u16(0);
  o.u16(unsigned(m.channels));
  o.u16(unsigned(m.patterns.size()));
  o.u16(unsigned(m.instruments.size()));
  o.u16(1);  // linear frequency table
  o.u16(unsigned(m.speed));
  o.u16(unsigned(m.bpm));
  for (size_t i = 0; i < 256; ++i) o.u8(i < m.orders.size() ? m.orders[i] : 0);

  for (const Pattern& p : m.patterns) {
    if (p.rows < 1 || p.rows > 256 || p.channels != m.channels)
      throw std::runtime_error("bad pattern shape");
    std::vector<uint8_t> packed = packPattern(p);
    if (packed.size() > 0xffff) throw std::runtime_error("pattern too large");
    o.u32(9);
    o.u8(0);
    o.u16(unsigned(p.rows));
    o.u16(unsigned(packed.size()));
    o.b.insert(o.b.end(), packed.begin(), packed.end());
  }
  for (const Instrument& in : m.instruments) writeInstrument(o, in);
  return o.b;
}

}  // namespace songc

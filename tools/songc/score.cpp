#include "score.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "synth.h"

namespace songc {
namespace {

std::vector<std::string> split(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

// A comment starts at a "#" that begins a word; "F#4" is a note.
std::string stripComment(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == '#' && (i == 0 || std::isspace(uint8_t(s[i - 1])))) return s.substr(0, i);
  return s;
}

[[noreturn]] void fail(int line, const std::string& msg) {
  throw ScoreError("line " + std::to_string(line) + ": " + msg);
}

// The whole of `s` as a decimal number, or a ScoreError naming the score's line.
int scoreNumber(int line, const std::string& s) {
  try {
    size_t used = 0;
    int v = std::stoi(s, &used);
    if (used != s.size()) fail(line, "not a number: " + s);
    return v;
  } catch (const std::logic_error&) {
    fail(line, "not a number: " + s);
  }
}

std::string restOf(const std::string& s, size_t words) {
  size_t i = 0;
  for (size_t w = 0; w < words; ++w) {
    while (i < s.size() && std::isspace(uint8_t(s[i]))) ++i;
    while (i < s.size() && !std::isspace(uint8_t(s[i]))) ++i;
  }
  while (i < s.size() && std::isspace(uint8_t(s[i]))) ++i;
  size_t e = s.size();
  while (e > i && std::isspace(uint8_t(s[e - 1]))) --e;
  return s.substr(i, e - i);
}

const std::map<std::string, int>& gestureNames() {
  static const std::map<std::string, int> g = {
      {"clap", kClap}, {"stamp", kStamp}, {"snap", kSnap}, {"wave", kWave}};
  return g;
}

}  // namespace

int noteNumber(const std::string& name) {
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return -1;
  int n = base[name[0] - 'A'];
  size_t i = 1;
  if (name[i] == '#') {
    ++n;
    ++i;
  } else if (name[i] == 'b') {
    --n;
    ++i;
  }
  if (i + 1 != name.size() || !std::isdigit(uint8_t(name[i]))) return -1;
  return 12 * (name[i] - '0' + 1) + n;
}

Words parseWords(const std::string& name, const std::string& spec) {
  Words w;
  w.name = name;
  for (const std::string& word : split(spec)) {
    if (!w.line.empty()) w.line += ' ';
    size_t i = 0;
    while (i < word.size()) {
      Syllable s;
      if (word[i] == '[') {
        size_t close = word.find(']', i);
        if (close == std::string::npos)
          throw ScoreError("words " + name + ": unclosed [ in " + word);
        auto g = gestureNames().find(word.substr(i + 1, close - i - 1));
        if (g == gestureNames().end())
          throw ScoreError("words " + name + ": unknown gesture in " + word);
        s.gesture = g->second;
        i = close + 1;
      }
      size_t end = word.find('-', i);
      if (end == std::string::npos) end = word.size();
      s.text = word.substr(i, end - i);
      if (s.text.empty()) throw ScoreError("words " + name + ": empty syllable in " + word);
      s.firstChar = int(w.line.size());
      w.line += s.text;
      s.lastChar = int(w.line.size()) - 1;
      w.syllables.push_back(s);
      i = end == word.size() ? end : end + 1;
    }
  }
  return w;
}

Score parseScore(const std::string& text) {
  Score sc;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  enum { kTop, kGroove, kTune, kBlock } mode = kTop;
  Groove groove;
  Tune tune;
  Block block;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = stripComment(raw);
    std::vector<std::string> t = split(line);
    if (t.empty()) continue;
    const std::string& key = t[0];
    if (key == "end") {
      if (mode == kGroove)
        sc.grooves[groove.name] = groove;
      else if (mode == kTune)
        sc.tunes[tune.name] = tune;
      else if (mode == kBlock)
        sc.blocks[block.name] = block;
      else
        fail(lineNo, "end without a section");
      mode = kTop;
      continue;
    }
    if (mode == kGroove) {
      std::string steps;
      for (size_t i = 1; i < t.size(); ++i)
        for (char c : t[i])
          if (c != '|') steps += c;
      if (steps.empty() || steps.size() % kRowsPerBar)
        fail(lineNo, "a groove track holds whole bars of 16 steps");
      groove.tracks.emplace_back(key, steps);
      continue;
    }
    if (mode == kTune) {
      for (const std::string& tok : t) {
        if (tok == "|") continue;
        if (tok != "." && tok != "-" && noteNumber(tok) < 0) fail(lineNo, "bad note " + tok);
        tune.rows.push_back(tok);
      }
      continue;
    }
    if (mode == kBlock) {
      if (key == "chords") {
        for (size_t i = 1; i < t.size(); ++i)
          if (t[i] != "|") block.chords.push_back(t[i]);
      } else if (key == "drums" && t.size() == 2) {
        block.groove = t[1];
      } else if (key == "bass" && t.size() == 2) {
        block.bass = t[1];
      } else if (key == "keys") {
        block.keys.assign(t.begin() + 1, t.end());
      } else if (key == "lead" && (t.size() == 2 || t.size() == 3)) {
        block.lead = t[1];
        if (t.size() == 3) block.words = t[2];
      } else if (key == "bell" && t.size() == 2) {
        block.bell = t[1];
      } else if (key == "flash") {
        for (size_t i = 1; i < t.size(); ++i) block.flashes.push_back(scoreNumber(lineNo, t[i]));
      } else if (key == "cue" && t.size() == 3) {
        if (t[2] != "line" && t[2] != "greet" && t[2] != "end") fail(lineNo, "unknown cue " + t[2]);
        block.cues.emplace_back(scoreNumber(lineNo, t[1]), t[2]);
      } else if (key == "vol" && t.size() == 3) {
        int v = scoreNumber(lineNo, t[2]);
        if (v < 0 || v > 64) fail(lineNo, "volume is 0..64");
        block.volumes[t[1]] = v;
      } else {
        fail(lineNo, "unknown block statement: " + key);
      }
      continue;
    }
    if (key == "title") {
      sc.title = restOf(line, 1);
    } else if (key == "tempo" && t.size() == 2) {
      sc.tempo = scoreNumber(lineNo, t[1]);
      if (sc.tempo < 32 || sc.tempo > 255) fail(lineNo, "tempo is 32..255");
    } else if (key == "speed" && t.size() == 2) {
      sc.speed = scoreNumber(lineNo, t[1]);
      if (sc.speed < 1 || sc.speed > 31) fail(lineNo, "speed is 1..31");
    } else if (key == "groove" && t.size() == 2) {
      groove = Groove{t[1], {}};
      mode = kGroove;
    } else if (key == "tune" && t.size() == 2) {
      tune = Tune{t[1], {}};
      mode = kTune;
    } else if (key == "words" && t.size() >= 3) {
      try {
        sc.words[t[1]] = parseWords(t[1], restOf(line, 2));
      } catch (const ScoreError& e) {
        fail(lineNo, e.what());
      }
    } else if (key == "block" && t.size() == 3) {
      block = Block{};
      block.name = t[1];
      block.bars = scoreNumber(lineNo, t[2]);
      block.line = lineNo;
      if (block.bars < 1 || block.bars > 16) fail(lineNo, "a block is 1..16 bars");
      mode = kBlock;
    } else if (key == "play") {
      sc.play.insert(sc.play.end(), t.begin() + 1, t.end());
    } else {
      fail(lineNo, "unknown statement: " + key);
    }
  }
  if (mode != kTop) fail(lineNo, "missing end");
  return sc;
}

int endOfNextWord(const std::string& s, int i) {
  size_t space = s.find(' ', size_t(i));
  if (space == std::string::npos) return int(s.size()) - 1;
  size_t next = s.find(' ', space + 1);
  return next == std::string::npos ? int(s.size()) - 1 : int(next) - 1;
}

namespace {

struct Chord {
  int root = 0;            // pitch class
  std::vector<int> tones;  // semitones above the root
};

Chord parseChord(int line, const std::string& s) {
  int n = noteNumber(s.substr(0, s.size() > 1 && (s[1] == '#' || s[1] == 'b') ? 2 : 1) + "4");
  if (n < 0) fail(line, "bad chord " + s);
  std::string q = s.substr(s.size() > 1 && (s[1] == '#' || s[1] == 'b') ? 2 : 1);
  Chord c;
  c.root = n % 12;
  if (q.empty())
    c.tones = {0, 4, 7};
  else if (q == "m")
    c.tones = {0, 3, 7};
  else if (q == "7")
    c.tones = {0, 4, 7, 10};
  else if (q == "m7")
    c.tones = {0, 3, 7, 10};
  else if (q == "sus4")
    c.tones = {0, 5, 7};
  else
    fail(line, "unknown chord quality in " + s);
  return c;
}

uint8_t xmNote(int midi) {
  int n = midi - 11;
  if (n < 1 || n > 96) throw ScoreError("note out of range: " + std::to_string(midi));
  return uint8_t(n);
}

class PatternBuilder {
 public:
  PatternBuilder(const Block& b) : block_(b), p_(b.bars * kRowsPerBar, kChannelCount) {}

  void put(int row, int ch, int midi, int inst, const char* part) {
    put(row, ch, xmNote(midi), inst, part);
  }
  void put(int row, int ch, uint8_t note, int inst, const char* part) {
    if (row < 0 || row >= p_.rows)
      fail(block_.line, "row " + std::to_string(row) + " outside block " + block_.name);
    Cell& c = p_.at(row, ch);
    if (!c.empty())
      fail(block_.line, std::string("two notes at once for ") + part + " in block " + block_.name);
    c.note = note;
    c.instrument = uint8_t(inst);
    auto v = block_.volumes.find(part);
    if (v != block_.volumes.end() && inst && note != kNoteOff) c.volume = uint8_t(0x10 + v->second);
  }
  bool free(int row, int ch) const { return p_.at(row, ch).empty(); }
  int rows() const { return p_.rows; }
  Pattern& pattern() { return p_; }

 private:
  const Block& block_;
  Pattern p_;
};

int fitRange(int pc, int low) {
  // The note of pitch class pc in [low, low + 12).
  return low + ((pc - low) % 12 + 12) % 12;
}

void writeBass(PatternBuilder& pb, const Block& b, const std::vector<Chord>& chords) {
  if (b.bass == "none") return;
  for (int row = 0; row < pb.rows(); ++row) {
    const Chord& c = chords[size_t(row / 8)];
    int root = fitRange(c.root, 40);  // E2..D#3
    int step = row % 8;
    bool change = step == 0 && b.chords[size_t(row / 8)] != ".";
    if (b.bass == "hold") {
      if (change) pb.put(row, kChBass, root, kBass, "bass");
    } else if (b.bass == "octave") {
      if (row % 2 == 0) pb.put(row, kChBass, root + ((row / 2) % 2 ? 12 : 0), kBass, "bass");
    } else if (b.bass == "drive") {
      if (row % 2 == 0) pb.put(row, kChBass, root, kBass, "bass");
    } else if (b.bass == "walk") {
      static const int walk[4] = {0, 7, 12, 7};
      if (row % 4 == 0) pb.put(row, kChBass, root + walk[(row / 4) % 4], kBass, "bass");
    } else {
      fail(b.line, "unknown bass style " + b.bass);
    }
  }
}

void writeKeys(PatternBuilder& pb, const Block& b, const std::vector<Chord>& chords) {
  for (const std::string& style : b.keys) {
    for (int row = 0; row < pb.rows(); ++row) {
      const Chord& c = chords[size_t(row / 8)];
      std::vector<int> voiced;
      for (int t : c.tones) voiced.push_back(fitRange((c.root + t) % 12, 55));  // G3..F#4
      std::sort(voiced.begin(), voiced.end());
      int step = row % 8;
      bool change = step == 0 && b.chords[size_t(row / 8)] != ".";
      if (style == "pad") {
        if (change)
          for (int v = 0; v < 3; ++v) pb.put(row, kChPad1 + v, voiced[size_t(v)], kPad, "pad");
      } else if (style == "stab") {
        if (step == 2 || step == 6)
          for (int v = 0; v < 3; ++v) pb.put(row, kChPad1 + v, voiced[size_t(v)], kStab, "stab");
      } else if (style == "arp" || style == "arp8") {
        if (style == "arp8" && row % 2) continue;
        std::vector<int> up;
        for (int t : c.tones) up.push_back(fitRange((c.root + t) % 12, 67));  // G4..F#5
        std::sort(up.begin(), up.end());
        up.push_back(up[0] + 12);
        int idx = style == "arp" ? row % int(up.size()) : (row / 2) % int(up.size());
        pb.put(row, kChArp, up[size_t(idx)], kArp, "arp");
      } else {
        fail(b.line, "unknown keys style " + style);
      }
    }
  }
}

void writeDrums(PatternBuilder& pb, const Block& b, const Groove& g) {
  for (const auto& [drum, steps] : g.tracks) {
    for (int row = 0; row < pb.rows(); ++row) {
      char s = steps[size_t(row) % steps.size()];
      if (s == '.') continue;
      int inst = 0, ch = 0, note = 60;
      if (drum == "kick")
        inst = kKick, ch = kChKick;
      else if (drum == "snare")
        inst = kSnare, ch = kChSnare;
      else if (drum == "clap")
        inst = kHandclap, ch = kChSnare;
      else if (drum == "hat")
        inst = s == 'O' ? kOpenHat : kHat, ch = kChHat;
      else if (drum == "crash")
        inst = kCrash, ch = kChPerc;
      else if (drum == "tom") {
        inst = kTom, ch = kChPerc;
        note = s == 'h' ? 64 : s == 'l' ? 55 : 60;
      } else {
        fail(b.line, "unknown drum " + drum + " in groove " + g.name);
      }
      pb.put(row, ch, note, inst, drum.c_str());
      if (s == 'o') pb.pattern().at(row, ch).volume = uint8_t(0x10 + 34);
    }
  }
}

struct LineTiming {
  int firstRow = -1;
  std::vector<int> rows;  // start row of each syllable
};

LineTiming writeTune(PatternBuilder& pb, const Block& b, const Tune& tune, int channel, int inst,
                     const char* part) {
  if (int(tune.rows.size()) > pb.rows())
    fail(b.line, "tune " + tune.name + " is longer than block " + b.name);
  LineTiming lt;
  for (int row = 0; row < int(tune.rows.size()); ++row) {
    const std::string& tok = tune.rows[size_t(row)];
    if (tok == ".") continue;
    if (tok == "-") {
      pb.put(row, channel, uint8_t(kNoteOff), 0, part);
      continue;
    }
    pb.put(row, channel, noteNumber(tok), inst, part);
    lt.rows.push_back(row);
  }
  return lt;
}

// Places the letter cues of one lyric line: each syllable gets as many
// four-letter steps as it needs, as soon as it is sung, so the gold never
// runs more than a few letters past the syllable being sung. Before an
// action's sound words the lit position must reach past the "!" and its
// space, where the printer holds the gold until the gesture comes.
void writeLyricCues(PatternBuilder& pb, const Block& b, const Words& w,
                    const std::vector<int>& rows) {
  if (rows.size() != w.syllables.size())
    fail(b.line, "block " + b.name + ": tune has " + std::to_string(rows.size()) +
                     " notes but words " + w.name + " have " + std::to_string(w.syllables.size()) +
                     " syllables");
  pb.put(rows[0], kChLine, 60, kMarkLine, "line");
  int lit = 0;
  int slotRow = rows[0];
  for (size_t i = 0; i < w.syllables.size(); ++i) {
    const Syllable& s = w.syllables[i];
    int row = rows[i];
    int deadline = i + 1 < rows.size() ? rows[i + 1] : pb.rows();
    if (s.gesture) {
      pb.put(row, kChGesture, 60, s.gesture, "gesture");
      continue;
    }
    int target = s.lastChar;
    bool actionFollows = i + 1 < w.syllables.size() && w.syllables[i + 1].gesture;
    if (actionFollows && s.text.back() == '!') target = s.lastChar + 2;
    // Four-letter steps cannot always match a syllable's end: then the
    // gold lags a letter or two rather than running past the next word.
    // The line's last syllable lights the line to its end.
    int limit = s.lastChar + 1 >= int(w.line.size()) ? int(w.line.size()) + 3
                                                     : endOfNextWord(w.line, s.lastChar);
    slotRow = std::max(slotRow, row);
    while (lit < target && lit + 4 <= limit) {
      while (slotRow < deadline && !pb.free(slotRow, kChMarkA) && !pb.free(slotRow, kChMarkB))
        ++slotRow;
      if (slotRow >= deadline)
        fail(b.line,
             "block " + b.name + ": no room to light \"" + s.text + "\" before the next syllable");
      int ch = pb.free(slotRow, kChMarkA) ? kChMarkA : kChMarkB;
      pb.put(slotRow, ch, 60, kMarkChars, "marker");
      lit += 4;
    }
  }
}

}  // namespace

Compiled compileScore(const Score& sc) {
  Compiled out;
  Module& m = out.module;
  m.name = sc.title;
  m.channels = kChannelCount;
  m.speed = sc.speed;
  m.bpm = sc.tempo;
  m.instruments = buildInstruments();
  const double rowSeconds = sc.speed * 2.5 / sc.tempo;

  int rowsSoFar = 0;
  for (const std::string& name : sc.play) {
    auto bi = sc.blocks.find(name);
    if (bi == sc.blocks.end()) throw ScoreError("play: no block " + name);
    const Block& b = bi->second;
    PatternBuilder pb(b);
    if (int(b.chords.size()) != b.bars * 2)
      fail(b.line, "block " + b.name + " needs " + std::to_string(b.bars * 2) +
                       " chords, one per half bar");
    std::vector<Chord> chords;
    for (const std::string& c : b.chords) {
      if (c == ".") {
        if (chords.empty()) fail(b.line, "block " + b.name + " starts with a held chord");
        chords.push_back(chords.back());
      } else {
        chords.push_back(parseChord(b.line, c));
      }
    }
    writeBass(pb, b, chords);
    writeKeys(pb, b, chords);
    if (!b.groove.empty()) {
      auto g = sc.grooves.find(b.groove);
      if (g == sc.grooves.end()) fail(b.line, "no groove " + b.groove);
      writeDrums(pb, b, g->second);
    }
    for (int row : b.flashes) pb.put(row, kChFlash, 60, kFlash, "flash");
    for (const auto& [row, what] : b.cues) {
      if (what == "line")
        pb.put(row, kChLine, 60, kMarkLine, "line");
      else
        pb.put(row, kChSection, 60, what == "greet" ? kMarkGreet : kMarkEnd, "section");
    }
    if (!b.bell.empty()) {
      auto t = sc.tunes.find(b.bell);
      if (t == sc.tunes.end()) fail(b.line, "no tune " + b.bell);
      writeTune(pb, b, t->second, kChBell, kBell, "bell");
    }
    if (!b.lead.empty()) {
      auto t = sc.tunes.find(b.lead);
      if (t == sc.tunes.end()) fail(b.line, "no tune " + b.lead);
      LineTiming lt = writeTune(pb, b, t->second, kChLead, kLead, "lead");
      if (!b.words.empty()) {
        auto w = sc.words.find(b.words);
        if (w == sc.words.end()) fail(b.line, "no words " + b.words);
        writeLyricCues(pb, b, w->second, lt.rows);
        SungLine sung;
        sung.text = w->second.line;
        for (size_t i = 0; i < lt.rows.size(); ++i)
          sung.syllables.push_back({w->second.syllables[i], (rowsSoFar + lt.rows[i]) * rowSeconds});
        out.lines.push_back(sung);
      }
    }

    Pattern& p = pb.pattern();
    size_t index = 0;
    while (index < m.patterns.size() && !(m.patterns[index] == p)) ++index;
    if (index == m.patterns.size()) m.patterns.push_back(p);
    if (m.orders.size() >= 256 || index > 255) throw ScoreError("song too long for the order list");
    for (int row = 0; row < p.rows; ++row)
      for (int ch = 0; ch < p.channels; ++ch) {
        const Cell& c = p.at(row, ch);
        if (c.instrument >= kMarkChars && c.note && c.note != kNoteOff)
          out.cues.push_back(
              {(rowsSoFar + row) * rowSeconds, int(m.orders.size()), row, ch, c.instrument});
      }
    m.orders.push_back(uint8_t(index));
    rowsSoFar += p.rows;
  }
  if (m.orders.empty()) throw ScoreError("nothing to play");
  out.seconds = rowsSoFar * rowSeconds;
  return out;
}

}  // namespace songc

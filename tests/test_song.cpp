// The built song: a sound XM file whose cue notes drive the karaoke right.
// The cues are read back from the file's bytes with a reader of our own and
// replayed through the show's own cue callback, hold step and lighting rule,
// and against the show's clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/main.h"
#include "demo/music.h"
#include "effects/lyrics.h"
#include "effects/texts.h"
#include "score.h"
#include "synth.h"
#include "xm.h"

namespace {

const std::string kSongPath = std::string(PLUPP_BUILD_DIR) + "/data/pluppa.xm";
const std::string kScorePath = std::string(PLUPP_SOURCE_DIR) + "/assets/song/pluppa.score";

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// ------------------------------------------------------------ XM reading

struct XmCell {
  int note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmSample {
  int volume = 0;
  std::vector<int> frames;
};

struct XmFile {
  int channels = 0, speed = 0, bpm = 0;
  std::vector<int> orders;
  std::vector<std::vector<std::vector<XmCell>>> patterns;  // [pattern][row][channel]
  std::vector<std::vector<XmSample>> instruments;          // [instrument - 1][sample]
};

struct Reader {
  const std::vector<uint8_t>& b;
  size_t at = 0;
  void need(size_t n) const {
    if (at + n > b.size()) throw std::runtime_error("truncated at byte " + std::to_string(at));
  }
  unsigned u8() {
    need(1);
    return b[at++];
  }
  unsigned u16() {
    unsigned lo = u8();
    return lo | (u8() << 8);
  }
  uint32_t u32() {
    uint32_t lo = u16();
    return lo | (uint32_t(u16()) << 16);
  }
};

XmFile parseXm(const std::vector<uint8_t>& bytes) {
  XmFile x;
  Reader r{bytes};
  r.need(60);
  if (std::memcmp(bytes.data(), "Extended Module: ", 17) != 0)
    throw std::runtime_error("not an XM file");
  if (bytes[37] != 0x1a) throw std::runtime_error("missing 0x1a");
  r.at = 58;
  if (r.u16() != 0x0104) throw std::runtime_error("version is not 1.04");
  uint32_t headerSize = r.u32();
  unsigned length = r.u16();
  r.u16();  // restart position
  x.channels = int(r.u16());
  unsigned patterns = r.u16(), instruments = r.u16();
  r.u16();  // flags
  x.speed = int(r.u16());
  x.bpm = int(r.u16());
  if (length < 1 || length > 256) throw std::runtime_error("bad song length");
  for (unsigned i = 0; i < length; ++i) x.orders.push_back(int(r.u8()));
  r.at = 60 + headerSize;

  for (unsigned p = 0; p < patterns; ++p) {
    size_t start = r.at;
    uint32_t len = r.u32();
    if (r.u8() != 0) throw std::runtime_error("unknown packing");
    unsigned rows = r.u16(), packed = r.u16();
    r.at = start + len;
    size_t end = r.at + packed;
    std::vector<std::vector<XmCell>> pat(rows, std::vector<XmCell>(size_t(x.channels)));
    for (unsigned row = 0; row < rows && packed; ++row) {
      for (int ch = 0; ch < x.channels; ++ch) {
        XmCell& c = pat[row][size_t(ch)];
        unsigned first = r.u8();
        unsigned mask = first & 0x80 ? first : 0x1f;
        if (!(first & 0x80))
          c.note = int(first);
        else if (mask & 1)
          c.note = int(r.u8());
        if (mask & 2) c.instrument = int(r.u8());
        if (mask & 4) c.volume = int(r.u8());
        if (mask & 8) c.effect = int(r.u8());
        if (mask & 16) c.param = int(r.u8());
      }
    }
    if (r.at != end) throw std::runtime_error("pattern " + std::to_string(p) + " size mismatch");
    x.patterns.push_back(pat);
  }

  for (unsigned i = 0; i < instruments; ++i) {
    size_t start = r.at;
    uint32_t size = r.u32();
    r.at = start + 27;
    unsigned count = r.u16();
    uint32_t sampleHeader = count ? r.u32() : 0;
    r.at = start + size;
    std::vector<XmSample> samples(count);
    std::vector<uint32_t> lengths(count);
    std::vector<bool> wide(count);
    for (unsigned s = 0; s < count; ++s) {
      size_t sh = r.at;
      lengths[s] = r.u32();
      r.u32();
      r.u32();
      samples[s].volume = int(r.u8());
      r.u8();
      wide[s] = (r.u8() & 0x10) != 0;
      r.at = sh + sampleHeader;
    }
    for (unsigned s = 0; s < count; ++s) {
      r.need(lengths[s]);
      int prev = 0;
      if (wide[s]) {
        for (uint32_t k = 0; k < lengths[s] / 2; ++k) {
          prev = int16_t(uint16_t(prev + int(r.u16())));
          samples[s].frames.push_back(prev);
        }
      } else {
        for (uint32_t k = 0; k < lengths[s]; ++k) {
          prev = int8_t(uint8_t(prev + int(r.u8())));
          samples[s].frames.push_back(prev);
        }
      }
    }
    x.instruments.push_back(samples);
  }
  if (r.at != bytes.size()) throw std::runtime_error("trailing bytes after the last instrument");
  return x;
}

// ------------------------------------------------------ playing the cues

const std::set<int> kCueInstruments = {32, 33, 34, 35, 40, 48, 49, 50, 51, 52, 53};

struct Cue {
  double seconds;
  int channel;
  int instrument;
  long row;  // rows since the song's start
};

struct Played {
  std::vector<Cue> cues;
  std::vector<double> notesOf[256];  // start times of every note, by instrument
  double seconds = 0.0;
};

// Walks the order list once as a player would, with speed and tempo
// changes; a note without an instrument belongs to the channel's last one.
Played play(const XmFile& x) {
  Played p;
  int speed = x.speed, bpm = x.bpm;
  double t = 0.0;
  long rowCount = 0;
  std::vector<int> last(size_t(x.channels), 0);
  for (int order : x.orders) {
    const auto& pat = x.patterns.at(size_t(order));
    for (const auto& row : pat) {
      for (const XmCell& c : row) {
        if (c.effect == 0x0f && c.param) {
          if (c.param < 32)
            speed = c.param;
          else
            bpm = c.param;
        }
        if (c.effect == 0x0b || c.effect == 0x0d)
          throw std::runtime_error("jumps are not expected");
      }
      for (int ch = 0; ch < x.channels; ++ch) {
        const XmCell& c = row[size_t(ch)];
        if (c.instrument) last[size_t(ch)] = c.instrument;
        if (c.note < 1 || c.note > 96 || !last[size_t(ch)]) continue;
        int inst = last[size_t(ch)];
        p.notesOf[inst].push_back(t);
        if (kCueInstruments.count(inst)) p.cues.push_back({t, ch, inst, rowCount});
      }
      t += speed * 2.5 / bpm;
      ++rowCount;
    }
  }
  p.seconds = t;
  return p;
}

// The show's side of the cues, the show's own code: instcallback for every
// cue, the karaoke scene's hold step for every drawn frame, and the gold as
// the lyric printer lights it. The show's state starts as at start-up and is
// left that way.
struct Show {
  Show() { resetShowState(); }
  ~Show() { resetShowState(); }
  Show(const Show&) = delete;
  Show& operator=(const Show&) = delete;

  void cue(int instrument) { instcallback(nullptr, static_cast<unsigned char>(instrument)); }
  void frame() { holdGoldAtBang(); }
  int row() const { return currentrow; }
  bool greeting() const { return greetstart != 0; }
  bool ended() const { return slutfade != 0; }
  std::string line() const { return row() >= 0 && row() < 40 ? songtext[row()] : ""; }
  // Index of the last gold character, -1 for none; in the greeting the
  // printer draws the whole sung line in the gold font.
  int gold() const {
    const std::string s = line();
    if (greeting()) return int(s.size()) - 1;
    return goldLetters(s.c_str(), currentpos, currentactionactive != 0) - 1;
  }
};

class SongFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bytes_ = readBytes(kSongPath);
    ASSERT_FALSE(bytes_.empty()) << "build the song first: " << kSongPath;
    xm_ = parseXm(bytes_);
    played_ = play(xm_);
    sung_ = songc::compileScore(songc::parseScore(readText(kScorePath))).lines;
  }
  static std::vector<uint8_t> bytes_;
  static XmFile xm_;
  static Played played_;
  static std::vector<songc::SungLine> sung_;

  std::vector<Cue> cuesOf(int instrument) const {
    std::vector<Cue> out;
    for (const Cue& c : played_.cues)
      if (c.instrument == instrument) out.push_back(c);
    return out;
  }
};
std::vector<uint8_t> SongFile::bytes_;
XmFile SongFile::xm_;
Played SongFile::played_;
std::vector<songc::SungLine> SongFile::sung_;

// The closing scroller runs from 162 s until its whole text has left the
// screen at 60 frames a second: 40 pixels a letter, 4 pixels a frame.
double outroScrollerGone() {
  double pixels = std::strlen(text_scroller_outro) * 40.0 + 640.0;
  double step = std::round(2.5 * (100.0 / 60.0));
  return 162.0 + std::ceil(pixels / step) / 60.0;
}

// After the end cue: white rises by int(2 dt) a frame past 255, then 26 grey
// steps of 20 ms and a second's pause.
double endFadeSeconds() {
  int trans = 0, frames = 0;
  while (trans <= 255) {
    trans = int(trans + 2.0 * (100.0 / 60.0));
    ++frames;
  }
  return frames / 60.0 + 26 * 0.02 + 1.0;
}

}  // namespace

TEST_F(SongFile, IsAWholeXmWithTheCueInstruments) {
  EXPECT_GE(xm_.instruments.size(), 53u);
  EXPECT_GE(xm_.channels, 8);
  EXPECT_EQ(xm_.speed, 6);
  EXPECT_EQ(xm_.bpm, 125);
  for (int o : xm_.orders) EXPECT_LT(size_t(o), xm_.patterns.size());

  auto silent = [&](int n) {
    for (const XmSample& s : xm_.instruments[size_t(n - 1)])
      for (int f : s.frames)
        if (f && s.volume) return false;
    return true;
  };
  for (int n : {32, 33}) EXPECT_TRUE(silent(n)) << "marker " << n << " must not sound";
  for (int n : {48, 49, 50, 51, 52}) {
    ASSERT_FALSE(xm_.instruments[size_t(n - 1)].empty()) << n;
    EXPECT_FALSE(silent(n)) << "instrument " << n << " should be heard";
  }
  EXPECT_FALSE(silent(1)) << "the lead";
}

TEST_F(SongFile, MarkersHaveChannelsOfTheirOwn) {
  std::set<int> cueChannels, musicChannels;
  for (const auto& pat : xm_.patterns)
    for (const auto& row : pat)
      for (int ch = 0; ch < xm_.channels; ++ch) {
        int inst = row[size_t(ch)].instrument;
        if (!inst) continue;
        (kCueInstruments.count(inst) ? cueChannels : musicChannels).insert(ch);
      }
  for (int ch : cueChannels)
    EXPECT_EQ(musicChannels.count(ch), 0u) << "channel " << ch << " mixes cues and music";
  EXPECT_TRUE(cuesOf(34).empty());
  EXPECT_TRUE(cuesOf(40).empty()) << "instrument 40 would step the scene";
}

TEST_F(SongFile, LengthAndLoudnessAsLibopenmptPlaysIt) {
  std::ostringstream log;
  openmpt::module mod(bytes_, log);
  EXPECT_EQ(mod.get_metadata("warnings"), "");
  EXPECT_EQ(log.str(), "") << "libopenmpt had something to say";
  EXPECT_NEAR(mod.get_duration_seconds(), played_.seconds, 0.5);
  EXPECT_GT(played_.seconds, 225.0);
  EXPECT_LT(played_.seconds, 270.0);

  std::vector<float> left(4096), right(4096);
  double peak = 0.0, energy = 0.0;
  size_t frames = 0;
  while (size_t n = mod.read(44100, left.size(), left.data(), right.data())) {
    for (size_t i = 0; i < n; ++i) {
      peak = std::max({peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
      energy += double(left[i]) * left[i] + double(right[i]) * right[i];
    }
    frames += n;
  }
  EXPECT_LT(peak, 1.0) << "clips";
  double rmsDb = 10.0 * std::log10(energy / (2.0 * double(frames)));
  EXPECT_GT(rmsDb, -24.0) << "too quiet";
  EXPECT_NEAR(double(frames) / 44100.0, played_.seconds, 1.0);
}

TEST_F(SongFile, SectionsMeetTheShowsClock) {
  auto lines = cuesOf(33), greets = cuesOf(35), ends = cuesOf(53);
  ASSERT_EQ(lines.size(), 29u) << "28 lines in, and the last one stepped up";
  EXPECT_GT(lines.front().seconds, 22.5) << "the singer has grown in";
  EXPECT_LT(lines.back().seconds, 150.0) << "all lines sung in the main scene";

  ASSERT_EQ(greets.size(), 2u) << "the greeting goes on once and off once";
  EXPECT_GE(greets[1].seconds - greets[0].seconds, 15.0) << "time for the message to rise";
  EXPECT_GT(greets[0].seconds, lines.front().seconds);
  EXPECT_LT(greets[1].seconds, 150.0);
  for (int g : {49, 50, 51, 52})
    for (const Cue& c : cuesOf(g))
      EXPECT_FALSE(c.seconds > greets[0].seconds && c.seconds < greets[1].seconds)
          << "gesture " << g << " inside the dance at " << c.seconds;

  ASSERT_EQ(ends.size(), 1u);
  EXPECT_GT(ends[0].seconds, outroScrollerGone()) << "the closing scroller is still running";
  EXPECT_GE(played_.seconds, ends[0].seconds + endFadeSeconds()) << "silence under the end fade";

  auto flashes = cuesOf(48);
  EXPECT_GE(flashes.size(), 10u);
  for (const Cue& f : flashes) EXPECT_EQ(f.row % 4, 0) << "flash off the beat at " << f.seconds;
}

// The lighting as the viewer sees it, replayed at several frame rates since
// the printer's hold acts only on drawn frames.
TEST_F(SongFile, EveryLineIsLitBeforeItStepsUp) {
  for (double fps : {24.0, 60.0, 144.0}) {
    SCOPED_TRACE("fps " + std::to_string(int(fps)));
    Show show;
    double nextFrame = 0.0;
    int stepped = 0;
    for (const Cue& c : played_.cues) {
      for (; nextFrame <= c.seconds; nextFrame += 1.0 / fps) show.frame();
      if (c.instrument == 33 && show.row() >= 3 && show.row() <= 30) {
        EXPECT_EQ(show.gold(), int(show.line().size()) - 1)
            << "line " << show.row() << " \"" << show.line() << "\" not lit at " << c.seconds
            << " s";
        ++stepped;
      }
      show.cue(c.instrument);
      EXPECT_LE(show.row(), 39);
    }
    EXPECT_EQ(stepped, 28);
    EXPECT_EQ(show.row(), 31);
    EXPECT_FALSE(show.greeting());
    EXPECT_TRUE(show.ended());
  }
}

// The gold follows the sung syllables: by the start of each syllable the
// ones before it are lit (but for the last few letters: the gold moves four
// at a time), and it never runs more than a word ahead.
TEST_F(SongFile, GoldFollowsTheLead) {
  ASSERT_EQ(sung_.size(), 28u);
  for (size_t i = 0; i < sung_.size(); ++i)
    EXPECT_EQ(sung_[i].text, songtext[3 + i]) << "score line " << i;

  const std::vector<double>& leadNotes = played_.notesOf[songc::kLead];
  Show show;
  size_t next = 0;
  auto until = [&](double t) {  // every cue strictly before t
    for (; next < played_.cues.size() && played_.cues[next].seconds < t - 1e-6; ++next) {
      show.frame();
      show.cue(played_.cues[next].instrument);
    }
    show.frame();
  };
  for (size_t li = 0; li < sung_.size(); ++li) {
    const auto& syl = sung_[li].syllables;
    for (size_t si = 0; si < syl.size(); ++si) {
      double t = syl[si].seconds;
      EXPECT_TRUE(std::any_of(leadNotes.begin(), leadNotes.end(),
                              [&](double n) { return std::fabs(n - t) < 1e-6; }))
          << "no lead note under \"" << syl[si].syllable.text << "\" of line " << 3 + li;
      until(t);
      if (si > 0) {
        ASSERT_EQ(show.row(), int(3 + li));
        EXPECT_GE(show.gold(), syl[si - 1].syllable.lastChar - 3)
            << "gold lags behind \"" << syl[si - 1].syllable.text << "\" on line " << 3 + li;
      }
      double end = si + 1 < syl.size() ? syl[si + 1].seconds : t + 0.24;
      until(end);
      if (show.row() == int(3 + li) && !show.greeting()) {
        EXPECT_LE(show.gold(), songc::endOfNextWord(show.line(), syl[si].syllable.lastChar))
            << "gold runs ahead of \"" << syl[si].syllable.text << "\" on line " << 3 + li;
      }
    }
  }
}

// ------------------------------------------------- the compiler's rules

namespace {

const char* kTinyScore = R"(
tempo 125
speed 6
tune t
  C5 . D5 . E5 . F5 . | G5 . . . - . . .
end
words w AB-CD EFGH! [clap]KLAPP [clap]KLAPP
block b 1
  chords C .
  lead t w
end
play b b
)";

std::vector<Cue> tinyCues(const std::string& score) {
  songc::Compiled c = songc::compileScore(songc::parseScore(score));
  return play(parseXm(songc::writeXm(c.module))).cues;
}

}  // namespace

TEST(SongCompiler, WordsSplitIntoSyllablesAndGestures) {
  songc::Words w = songc::parseWords("w", "HEJ SJUNG-ER [wave]HEJ");
  EXPECT_EQ(w.line, "HEJ SJUNGER HEJ");
  ASSERT_EQ(w.syllables.size(), 4u);
  EXPECT_EQ(w.syllables[1].text, "SJUNG");
  EXPECT_EQ(w.syllables[2].firstChar, 9);
  EXPECT_EQ(w.syllables[2].lastChar, 10);
  EXPECT_EQ(w.syllables[3].gesture, 52);
  EXPECT_THROW(songc::parseWords("w", "[jump]HOPP"), songc::ScoreError);
  EXPECT_THROW(songc::parseWords("w", "A--B"), songc::ScoreError);
}

// How far the gold may run: to the end of the next word, from a letter or
// from the space before it, and no further than the line.
TEST(SongCompiler, NextWordEndsAtItsLastLetterOrTheLines) {
  const std::string s = "AB CD EF";
  EXPECT_EQ(songc::endOfNextWord(s, 0), 4);
  EXPECT_EQ(songc::endOfNextWord(s, 1), 4);
  EXPECT_EQ(songc::endOfNextWord(s, 2), 4) << "from the space, the word after it";
  EXPECT_EQ(songc::endOfNextWord(s, 3), 7) << "the next word is the last";
  EXPECT_EQ(songc::endOfNextWord(s, 6), 7) << "no word after the last";
  EXPECT_EQ(songc::endOfNextWord("ABC", 0), 2);
}

TEST(SongCompiler, NotesAndErrors) {
  EXPECT_EQ(songc::noteNumber("C4"), 60);
  EXPECT_EQ(songc::noteNumber("F#4"), 66);
  EXPECT_EQ(songc::noteNumber("Bb3"), 58);
  EXPECT_EQ(songc::noteNumber("H4"), -1);
  EXPECT_EQ(songc::noteNumber("C"), -1);
  try {
    songc::parseScore("tempo 125\ntune t\n  C4 X9\nend\n");
    FAIL() << "a bad note must be refused";
  } catch (const songc::ScoreError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
  EXPECT_THROW(songc::parseScore("block b 1\n  chords C .\n"), songc::ScoreError) << "missing end";
  // A syllable count that does not match the notes.
  std::string wrong = kTinyScore;
  wrong.replace(wrong.find("AB-CD"), 5, "ABCD");
  EXPECT_THROW(songc::compileScore(songc::parseScore(wrong)), songc::ScoreError);
}

TEST(SongCompiler, CuesLandUnderTheirSyllables) {
  std::vector<Cue> cues = tinyCues(kTinyScore);
  // Per line: the line cue with the first note; letters up to "! " by the
  // "!" syllable; the claps on their own notes.
  std::vector<std::pair<long, int>> expect = {{0, 33}, {0, 32}, {4, 32}, {4, 32}, {6, 49}, {8, 49}};
  std::vector<std::pair<long, int>> got;
  for (const Cue& c : cues)
    if (c.row < 16) got.emplace_back(c.row, c.instrument);
  EXPECT_EQ(got, expect);
  EXPECT_EQ(cues.size(), 2 * expect.size());
}

TEST(SongCompiler, RefusesMoreLettersThanRowsCanLight) {
  std::string crowded = kTinyScore;
  crowded.replace(crowded.find("C5 . D5 ."), 9, "C5 D5 . .");
  crowded.replace(crowded.find("AB-CD"), 5, "ABCDEFGHIJKLMNOP-CD");
  EXPECT_THROW(songc::compileScore(songc::parseScore(crowded)), songc::ScoreError);
}

TEST(SongCompiler, SameScoreSameBytes) {
  songc::Score s = songc::parseScore(kTinyScore);
  EXPECT_EQ(songc::writeXm(songc::compileScore(s).module),
            songc::writeXm(songc::compileScore(s).module));
  EXPECT_EQ(readBytes(kSongPath),
            songc::writeXm(songc::compileScore(songc::parseScore(readText(kScorePath))).module))
      << "the built song is out of date with its score";
}

#pragma once
// The score language: grooves, tunes, lyric words and blocks of bars, played
// in order; compiled into an Extended Module with the show's cue notes.

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "xm.h"

namespace songc {

struct ScoreError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr int kRowsPerBar = 16;

// Channel layout: cue channels first, so a cue never cuts a sounding note.
enum Channel : int {
  kChLine,     // next lyric line
  kChSection,  // greetings on/off, end signal
  kChMarkA,    // four more letters (two channels: two cues a row)
  kChMarkB,
  kChGesture,  // clap, stamp, snap, wave
  kChFlash,    // box flash accent
  kChLead,
  kChBell,
  kChBass,
  kChArp,
  kChPad1,
  kChPad2,
  kChPad3,
  kChKick,
  kChSnare,
  kChHat,
  kChPerc,
  kChSpare,
  kChannelCount
};

struct Syllable {
  std::string text;   // as printed, without the space that follows
  int gesture = 0;    // gesture cue instrument, 0 for a sung syllable
  int firstChar = 0;  // index of its first letter in the line
  int lastChar = 0;   // index of its last letter
};

struct Words {
  std::string name;
  std::string line;  // the printed lyric line
  std::vector<Syllable> syllables;
};

struct Groove {
  std::string name;
  std::vector<std::pair<std::string, std::string>> tracks;  // drum, steps
};

struct Tune {
  std::string name;
  std::vector<std::string> rows;  // one token a row: note, "." hold, "-" key off
};

struct Block {
  std::string name;
  int bars = 0;
  int line = 0;                     // source line, for messages
  std::vector<std::string> chords;  // one per half bar
  std::string groove;
  std::string bass = "none";
  std::vector<std::string> keys;
  std::string lead, words, bell;
  std::vector<int> flashes;
  std::vector<std::pair<int, std::string>> cues;  // row, "line" | "greet" | "end"
  std::map<std::string, int> volumes;
};

struct Score {
  std::string title;
  int tempo = 125;
  int speed = 6;
  std::map<std::string, Groove> grooves;
  std::map<std::string, Tune> tunes;
  std::map<std::string, Words> words;
  std::map<std::string, Block> blocks;
  std::vector<std::string> play;
};

// Parses score text; throws ScoreError with the line number on a mistake.
Score parseScore(const std::string& text);

// Splits "NU SJUNG-ER [clap]KLAPP" into syllables and the printed line.
Words parseWords(const std::string& name, const std::string& spec);

// Index of the last letter of the word after the one holding character i
// (the line's last index where there is none): how far the gold may run
// ahead of a syllable.
int endOfNextWord(const std::string& s, int i);

// MIDI-style note number (C4 = 60) of a name such as "F#4"; -1 if malformed.
int noteNumber(const std::string& name);

struct SungSyllable {
  Syllable syllable;
  double seconds = 0.0;  // when its note starts
};

struct SungLine {
  std::string text;
  std::vector<SungSyllable> syllables;
};

struct CueNote {
  double seconds;
  int order;
  int row;
  int channel;
  int instrument;
};

struct Compiled {
  Module module;
  std::vector<SungLine> lines;  // the lyric lines in the order they are sung
  std::vector<CueNote> cues;    // every note of a cue instrument, in playing order
  double seconds = 0.0;         // length of the whole song
};

Compiled compileScore(const Score& score);

}  // namespace songc

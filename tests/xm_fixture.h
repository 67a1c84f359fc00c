// Writes small XM songs for the player's tests: one pattern, empty
// instruments (cues come from the pattern data, not from sound).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct XmNote {
  int row, channel;
  uint8_t note;        // 1..96, 97 note-off
  uint8_t instrument;  // 0: none
  uint8_t effect = 0, param = 0;
};

// Writes `path`: `channels` channels, one pattern of `rows` rows played
// `orders` times, speed 6 at 125 BPM (0.12 s a row), `instruments` empty
// instruments.
bool writeXm(const std::string& path, int channels, int rows, const std::vector<XmNote>& notes,
             int instruments = 60, int orders = 1);

// The arithmetic of plupp-dropouts: loudness envelopes of interleaved 16-bit
// stereo at 44100 Hz, their alignment, and runs of digital silence.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kRate = 44100;
constexpr size_t kBlock = 441;  // stereo frames in an envelope block: 10 ms
constexpr double kLoud = 0.01;  // RMS, of full scale, from which a block is loud

// RMS of each whole block, 0..1 of full scale.
std::vector<double> blockEnvelope(const std::vector<int16_t>& stereo);
// The shift, in blocks, of `part` within `whole` (part[i] lines up with
// whole[i + shift]) that makes their envelopes agree best; may be negative
// when `part` starts before `whole`.
long bestOffset(const std::vector<double>& whole, const std::vector<double>& part);
// Runs of at least `minFrames` stereo frames whose samples are all zero.
struct SilentRun {
  size_t start, frames;  // stereo frames
};
std::vector<SilentRun> silentRuns(const std::vector<int16_t>& stereo, size_t minFrames);

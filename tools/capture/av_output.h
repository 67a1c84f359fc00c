// Picture and sound files of a captured show: a video (.y4m raw, or .mp4
// H.264 and AAC through ffmpeg) and a WAV sound track (16-bit stereo,
// 44100 Hz). Video frame k is the picture on screen at from + k/fps seconds;
// the sound is exactly the samples the player rendered from then on.
#pragma once
#include <SDL/SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AvSettings {
  std::string video;  // "" for none; ends in .y4m or .mp4
  std::string audio;  // "" for none; ends in .wav
  int width = 640;    // output picture, the 640×480 show scaled to fit
  int height = 480;   // at 4:3 between black bars
  int fps = 60;
  double fromSeconds = 0;  // show time of the files' first frame and sample
  std::string crf;         // H.264 quality for .mp4; "" for the default
  std::string preset;      // x264 speed preset for .mp4; "" for the default
};

// Checks names and opens the outputs; false with a message on failure.
bool avOpen(const AvSettings& settings, std::string& error);
bool avActive();
// The picture shown from now on (a copy is kept).
void avPictureShown(SDL_Surface* screen);
// Queues every video frame due before `toMs` (frame k at k·1000/fps ms).
void avClockAdvanced(double toMs);
void avSound(const int16_t* stereo, size_t frames);
// Writes what is queued and finishes the files (WAV header, the encoder's
// end); false with a message on failure.
bool avClose(std::string& error);
// Frames in the file so far / sound frames in it.
uint64_t avVideoFrames();
uint64_t avSoundFrames();
// Frames through the slowest stage: those the encoder has taken for an .mp4
// (as it reports them), else those written.
uint64_t avFramesDone();

// Where the 640×480 picture lands inside a width×height frame: the largest
// 4:3 rectangle, centred, with even sides.
SDL_Rect avFit(int width, int height);

// The 640×480 picture (0x??RRGGBB words, the top byte ignored) scaled
// nearest-neighbour into a width×height 4:2:0 frame (BT.601 studio range)
// between black bars: each output pixel's luma from its source pixel, each
// chroma sample from the rounded mean RGB of its 2×2 output pixels. Work is
// done per source pixel and per distinct output row: an output row that
// shows the same source row (or pair of rows, for chroma) as the one above
// is a copy of it.
class Yuv420Scaler {
 public:
  Yuv420Scaler(int width, int height);
  size_t frameBytes() const { return frameBytes_; }
  void scale(const uint32_t* picture, uint8_t* yuv);

 private:
  int width_, height_;
  size_t frameBytes_;
  SDL_Rect fit_;
  std::vector<int> columnOf_, rowOf_;  // output pixel → source pixel, -1 in the bars
  std::vector<int> runStart_;  // each source column's first output column, when enlarged 2-8×
  // Chroma sample → the source columns / rows of its two output columns /
  // rows; 640 / 480 in the bars, where the sums below are black.
  std::vector<int> left_, right_, top_, bottom_;
  int barsLeft_ = 0, barsRight_ = 0;  // chroma samples wholly in the side bars: 128
  std::vector<uint8_t> lumaRow_;      // one source row's luma
  // One chroma row: per source column (and the black one) its two source
  // rows' channels added, in 16-bit lanes (b, r, g, 0); then per chroma
  // sample its four pixels added.
  std::vector<uint64_t> columnSums_, blocks_;
};

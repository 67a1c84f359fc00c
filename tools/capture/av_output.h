// Picture and sound files of a captured show: a video (.y4m raw, or .mp4
// through ffmpeg with the sound muxed in) and a WAV sound track (16-bit
// stereo, 44100 Hz). Video frame k is the picture on screen at k/fps
// seconds; the sound is exactly the samples the player rendered.
#pragma once
#include <SDL/SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct AvSettings {
  std::string video;  // "" for none; ends in .y4m or .mp4
  std::string audio;  // "" for none; ends in .wav
  int width = 640;    // output picture, the 640×480 show scaled to fit
  int height = 480;   // at 4:3 between black bars
  int fps = 60;
};

// Checks names and opens the outputs; false with a message on failure.
bool avOpen(const AvSettings& settings, std::string& error);
bool avActive();
// The picture shown from now on (a copy is kept).
void avPictureShown(SDL_Surface* screen);
// Writes every video frame due before `toMs` (frame k at k·1000/fps ms).
void avClockAdvanced(double toMs);
void avSound(const int16_t* stereo, size_t frames);
// Finishes the files (WAV header, ffmpeg mux); false with a message on failure.
bool avClose(std::string& error);
uint64_t avVideoFrames();
uint64_t avSoundFrames();

// Where the 640×480 picture lands inside a width×height frame: the largest
// 4:3 rectangle, centred, with even sides.
SDL_Rect avFit(int width, int height);

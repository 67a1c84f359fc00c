// Where the show puts the scene pictures, as far as their drawing depends on it. The tests
// read these too, to check the pictures against the places they are shown.
#pragma once

namespace art::layout {

// The flag picture is shown at x = 204; its diagonal band waves.
constexpr int kFlagX = 204, kFlagW = 436, kFlagH = 480;
constexpr int kWaveAmplitude = 16;  // the band's content moves up to 15 rows either way

// First row of the waving band in flag column c, and its height.
constexpr int bandTop(int c) { return c <= 200 ? 478 - 2 * c : c <= 278 ? 278 - c : 0; }
constexpr int bandHeight(int c) { return c <= 250 ? 120 : 200; }

// The framed box: 200x150 picture at (115 + bx, 161 + by), its frame at (90 + bx, 150 + by),
// bx in -20..20, by in -10..10.
constexpr int kBoxW = 200, kBoxH = 150;
constexpr int kFrameDx = 25, kFrameDy = 11;  // box corner inside the frame picture
constexpr int kFrameW = 250, kFrameH = 190;
constexpr int kFrameX = 90, kFrameY = 150;  // frame corner at rest
constexpr int kSwayX = 20, kSwayY = 10;

// Background regions the scene copies back each frame to clean up after the moving box.
constexpr int kFixedRepairX = 80, kFixedRepairY = 320, kFixedRepairW = 130, kFixedRepairH = 40;

// The lyric area: copied from (10, 400) of the background to (10, 390) of the screen.
constexpr int kLyricX = 10, kLyricY = 390, kLyricW = 300, kLyricSrcY = 400;

// The frame lines: upper at row 90, lower picture at row 365 with its line at the top of
// the lower black band (row 385).
constexpr int kUpperLineY = 90, kLowerLineY = 365, kLowerBandTop = 385;

}  // namespace art::layout

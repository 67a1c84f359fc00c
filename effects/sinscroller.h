// The one-pass sine scroller: the intro text, and in the greetings scene the
// closing text, letters 40 px apart riding a sine wave between rows 140 and
// 280, drawn straight onto the screen. Its x is `intro_x` (demo/state.h).
#pragma once

void initsinScroller();
void sinScroller();

namespace sinescroller::detail {
// Phase of each character position, hundredths of a radian. Shared by both
// texts: the closing text starts from where the intro left the wave.
constexpr int kPhases = 500;
extern int sinscroller[kPhases];
}  // namespace sinescroller::detail

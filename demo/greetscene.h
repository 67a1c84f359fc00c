// Scene 2, greetings and the end: the karaoke scene's frame and swaying box
// with the greeting slide show in it, the character rising and blinking, the
// closing scroller from 162 s, and the white fade that ends the show with
// status 1 once the song sends its end signal (`slutfade`).
#pragma once

void drawGreetscene();

namespace greetscene::detail {
// The part of 2·dt below a whole step that the end fade has not yet added to
// `sluttrans`, 0..1; it keeps the fade moving at any frame rate.
extern float sluttransFraction;
}  // namespace greetscene::detail

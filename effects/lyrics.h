// The karaoke lines under the karaoke scene and, in the dance break, the
// greeting message twisting up the middle of the screen. Both draw straight
// onto `screen`; pixel units, rows from the top.
#pragma once

// Three centred lines around the sung one (`currentrow`): the line just sung
// at row y + 15, the sung line at y + 35 lit in gold up to `currentpos`, the
// next line at y + 60. x is not used. While `greetstart` is set the sung line
// is all gold and the greeting scroller runs.
void printMsgSection(int x, int y);
// Moves the greeting up by toInt(2·dt) px and draws its ten rows of 50 px.
void drawGreetScoller();

namespace lyrics::detail {
// Screen row of the greeting's row 0: 480 at start, only ever falls.
extern int vertscroll;
}  // namespace lyrics::detail

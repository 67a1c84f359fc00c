// What the browser's entry and presenter share.
#pragma once

// After each flip: on the virtual clock, gives the page its turn every so
// many flips, so a long run stays a page that answers.
void webFrameFlipped(long flips);
// Milliseconds spent so far showing flips on the canvas.
double presentMsSoFar();

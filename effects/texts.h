#pragma once

// The words of the show. Lyric lines write the letters Å, Ä, Ö as "<", "=",
// ">": the lyric fonts carry those glyphs in the three slots.

// Forty lyric lines; 0-2 and 31-39 stay empty so the printer can look one
// line behind and ahead of the sung line without going out of the table.
extern const char songtext[40][150];

// The message that rises up the middle of the screen in the dance break.
extern const char greet[];

// The scroller texts of the intro and of the closing scene.
extern const char text_scroller[];
extern const char text_scroller_outro[];

// The greeting slide show of the last scene, drawn into the 200×150 box
// (demoboxBuffer): each picture enters with a smear wipe from the left, its
// column at the moving edge stretched over the rest of the box.
#pragma once

// One frame: draws the wipe, moves the edge by toInt(2·dt) px (at most 200)
// and starts the next picture 5 s after the last one (7 s from 160 s on).
void drawBajs();

namespace greetwipe::detail {
extern int currentbajs;  // slot of bajssurface being shown
extern int bajs_cur_x;   // wipe edge, box column 0..200
// The slot whose picture slot `slot` shows: slots past the last loaded one
// (13 and 14) show the last greeting card, slot 12.
int shownSlot(int slot);
}  // namespace greetwipe::detail

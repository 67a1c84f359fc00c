// The lyric lines and the greeting scroller.
#pragma once

void printMsgSection(int x, int y);

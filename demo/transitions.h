// The two transitions of the show, each a 0..255 counter that rises, makes
// its change at 255 and falls back to 0; both are called once a frame while
// their clock window is open.
#pragma once

// Intro to karaoke through white: `mainTrans` rises by 5·dt, `currentScene`
// steps at full white, then the white clears by 9·dt a frame.
void fadeMainScene();
// The box's effect change through grey noise: `demoboxTrans` rises and falls
// by 5·dt, `currentEffect` steps at its peak; the box shows noise meanwhile.
void changeEffect();

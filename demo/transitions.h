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

// One frame of the effect change from counter `trans`, the box showing effect
// `current` and the change leading to `target`, frames `frameDt` hundredths
// of a second apart: the counter after the frame and whether the effect steps
// on. changeEffect moves by exactly this; the box ends in noise when the new
// counter is above 0.
struct EffectChangeStep {
  int trans;
  bool effectSteps;
};
EffectChangeStep effectChangeStep(int trans, int current, int target, float frameDt);
// Whether changeEffect, called this frame towards `target`, will cover every
// pixel of the box with noise, so that whatever is drawn into the box before
// it is never seen: then only the state of the effect and filters need move.
bool changeHidesBox(int target);

namespace transitions::detail {
// Off, changeHidesBox always says no, the switch to karaoke draws the
// background under its full white, and every frame draws in full (tests
// compare the two ways).
extern bool hideCoveredDrawing;
}  // namespace transitions::detail

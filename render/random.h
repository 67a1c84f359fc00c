// The show's random numbers: 0..32767, the range its arithmetic is written
// for (glibc's own rand() reaches 2^31 - 1, which would, for one, start every
// ball at zoom 0). Never seeded: every run draws the same sequence, and
// std::srand(1) starts it over.
#pragma once

int showRand();

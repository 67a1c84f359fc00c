// The show's random numbers: 0..32767, the range its arithmetic is written
// for (glibc's own rand() reaches 2^31 - 1, which would, for one, start every
// ball at zoom 0). Never seeded: every run draws the same sequence, the one
// glibc's rand() gives from its start state, cut to 15 bits.
//
// The generator is glibc's own (an additive feedback over 31 words), kept
// here: a frame draws some 30,000 numbers for the TV noise, and each rand()
// call would take the C library's lock. glibc's random_r draws the same
// numbers without the lock, but still a call a number: with it plupp-bench
// put the karaoke stretches at 8.4 to 9.7 copies of a frame (median of three
// runs) against 5.4 to 7.2 with the fills and skips below, which go four
// words a step and jump the sequence by polynomial weights. std::srand does
// not reach it; showRandSeed does.
#pragma once

int showRand();
// The next n numbers into out[0..n-1], as n calls of showRand would give
// them, without a call each (the TV noise draws 200 a row).
void showRandFill(int* out, int n);
// Moves the sequence n numbers on, as n draws would, without drawing them
// one by one (a frame that hides the TV noise still uses up its 30,000).
void showRandSkip(int n);
// Starts the sequence over as std::srand(seed) starts glibc's rand().
void showRandSeed(unsigned seed);

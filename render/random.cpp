#include "render/random.h"

#include <cstdlib>

int showRand() { return std::rand() & 0x7FFF; }

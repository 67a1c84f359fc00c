#include "demo/main.h"

int main(int argc, char** argv) { return SDL_main(argc, argv); }

#include "demo/state.h"

SDL_Surface* screen;
SDL_Event event;
Uint32 td2, td;
float dt;
std::atomic<int32_t> currentScene{0};
int fadeToScene, mainTrans, currentEffect, fadeTo, demoboxTrans;
FMUSIC_MODULE* handle;
std::atomic<int32_t> currentrow{2}, currentpos{0}, currentaction{0}, currentactionactive{0};
std::atomic<int32_t> greetstart{0}, demoinvert{0}, slutfade{0};
std::atomic<uint32_t> demoinvertstart{0};
int sluttrans;
int box_x, box_y, box_x_new, box_y_new;
double intro_x = 640.0;
Uint32 lastbajs;
int cookie_x = 430, cookie_y = 190;
int kakmonsterx, kakmonstery;
float animationscale;
int animationstarted;

void resetShowState() {
  td2 = td = 0;
  dt = 0.0f;
  currentScene = 0;
  fadeToScene = mainTrans = currentEffect = fadeTo = demoboxTrans = 0;
  handle = nullptr;
  currentrow = 2;
  currentpos = currentaction = currentactionactive = greetstart = demoinvert = slutfade = 0;
  demoinvertstart = 0;
  sluttrans = 0;
  box_x = box_y = box_x_new = box_y_new = 0;
  intro_x = 640.0;
  lastbajs = 0;
  cookie_x = 430;
  cookie_y = 190;
  kakmonsterx = kakmonstery = 0;
  animationscale = 0.0f;
  animationstarted = 0;
}

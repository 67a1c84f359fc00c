// The program-wide state of the show: the variables through which the scenes,
// the effects and the music callback talk. Every one is defined once, in
// state.cpp. Clock values are milliseconds of the show clock (demo/clock.h);
// dt is in hundredths of a second.
#pragma once
#include <SDL/SDL.h>

#include <atomic>
#include <cstdint>

struct FMUSIC_MODULE;

// --- display and frame clock ---
extern SDL_Surface* screen;  // 640×480×32, keeps its contents between frames
extern SDL_Event event;
extern Uint32 td2;  // clock at the start of this frame
extern Uint32 td;   // clock at the start of the previous frame; 0 before the first
extern float dt;    // (td2 - td) × 0.1

// --- scenes and transitions ---
extern std::atomic<int32_t> currentScene;  // 0 intro, 1 karaoke, 2 greetings; else nothing
extern int fadeToScene;
extern int mainTrans;      // 0..255 white over the intro-to-karaoke fade
extern int currentEffect;  // 0..7, the backdrop effect in the box
extern int fadeTo;         // effect the running change leads to
extern int demoboxTrans;   // 0..255 noise of the running effect change

// --- written by the music callback (from the audio thread) ---
extern FMUSIC_MODULE* handle;
extern std::atomic<int32_t> currentrow;           // lyric line being sung; starts at 2
extern std::atomic<int32_t> currentpos;           // characters of that line lit
extern std::atomic<int32_t> currentaction;        // 1 clap, 2 stamp, 3 snap, 4 wave
extern std::atomic<int32_t> currentactionactive;  // non-zero while a gesture shows
extern std::atomic<int32_t> greetstart;
extern std::atomic<int32_t> demoinvert;
extern std::atomic<uint32_t> demoinvertstart;  // clock when the last flash began
extern std::atomic<int32_t> slutfade;          // the song's end signal

// --- end fade, box and character ---
extern int sluttrans;
extern int box_x, box_y;          // sway phases, grow by dt
extern int box_x_new, box_y_new;  // sway offset of the box, pixels
extern double intro_x;            // x of the sine scroller's first letter
extern Uint32 lastbajs;           // clock when the shown greeting picture started
extern int cookie_x, cookie_y;    // rest position of the character
extern int kakmonsterx, kakmonstery;
extern float animationscale;
extern int animationstarted;

// Puts every variable above back to its start value (screen excepted).
void resetShowState();

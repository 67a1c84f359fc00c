// A small music player in the shape of the one the show was written for:
// loads an XM song, plays it once through SDL audio at 44100 Hz stereo
// (decoded by libopenmpt) and calls a callback whenever a note of a chosen
// instrument starts. Instrument numbers are the XM's own, as written in the
// patterns (1-based); a note without one belongs to its channel's last
// instrument. A null song makes every call do nothing.
#pragma once
#include <cstddef>
#include <cstdint>

#include "demo/hooks.h"  // playerSamples, playerCue

struct FMUSIC_MODULE;
typedef void (*FMUSIC_CALLBACK)(FMUSIC_MODULE* mod, unsigned char param);

// Opens the sound output. Without a usable device the song still runs,
// silently, in real time, so its cues arrive when they would have.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
signed char FMUSIC_StopSong(FMUSIC_MODULE* mod);
// Null (reported once on stderr) when the file is missing or unreadable.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod);
signed char FMUSIC_SetInstCallback(FMUSIC_MODULE* mod, FMUSIC_CALLBACK callback, int instrument);

// --- offline rendering (capture tool, tests) ---
// Chosen before FSOUND_Init: no sound device, no thread; the song advances
// only with the virtual show clock, exactly the samples of each step
// (44.1 per millisecond), firing its cues at the same song positions as in
// real time.
void playerUseOffline();
// Leaves offline rendering for the sound device (or the silent player), the
// song going on from where the virtual clock took it.
void playerGoLive();
// Whether any pattern of the song names `instrument` (false without a song).
bool playerSongNames(const FMUSIC_MODULE* mod, int instrument);
// Length of the song that plays, in seconds; 0 without one.
double playerSongSeconds();
// Stereo frames rendered so far by the song that plays.
uint64_t playerFramesRendered();

// --- where the device clock is known and there are no threads (the browser) ---
// Cues then wait for their sound to be heard, not for its hand-over to the
// device, whose own queue is tens of milliseconds there: after this, the
// device's callback keeps them and playerHeard sends them.
void playerCuesWaitForHearing();
// Sends the cues of all the sound heard so far, `framesQueued` being the stereo
// frames handed to the device and not yet heard. Called once a frame.
void playerHeard(uint64_t framesQueued);
// Stereo frames of the song that plays handed to the device so far.
uint64_t playerFramesSent();
// Without a device and without a thread for the silent player, the frame loop
// calls this once a frame to move the song on to the present.
void playerKeepSilentPace();

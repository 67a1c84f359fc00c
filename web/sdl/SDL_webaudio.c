/* SDL 1.2's sound device in the browser: the page's Web Audio context pulls
   blocks through a script processor, each filled by the SDL callback on the
   page's own thread (there are no others). The page creates and resumes the
   context on the viewer's click (Module.audioContext), since browsers start
   sound only after a gesture; without one, opening fails and the player goes
   silent as it does without a device natively. */
#include <emscripten.h>
#include <stdlib.h>
#include <string.h>

#include "SDL_audio.h"
#include "SDL_error.h"

static SDL_AudioSpec spec;
static int opened = 0, paused = 1;
static Uint8* block = NULL;

int SDL_AudioInit(const char* driver) {
  (void)driver;
  return 0;
}
void SDL_AudioQuit(void) { SDL_CloseAudio(); }
char* SDL_AudioDriverName(char* name, int maxlen) {
  if (!name || maxlen < 1) return NULL;
  strncpy(name, "webaudio", (size_t)maxlen - 1);
  name[maxlen - 1] = 0;
  return name;
}

/* Called by the page for each block: `frames` stereo frames of 16-bit sound
   at the returned address, silence while paused. */
EMSCRIPTEN_KEEPALIVE Uint8* plupp_audio_fill(int frames) {
  const int len = frames * 4;
  if (len > (int)spec.size) return NULL;
  memset(block, 0, (size_t)len);
  if (opened && !paused && spec.callback) spec.callback(spec.userdata, block, len);
  return block;
}

int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
  if (opened) {
    SDL_SetError("Audio device is already opened");
    return -1;
  }
  if (desired->format != AUDIO_S16SYS || desired->channels != 2) {
    SDL_SetError("The browser build plays 16-bit stereo only");
    return -1;
  }
  const int rate = EM_ASM_INT({
    const ctx = Module.audioContext;
    return ctx ? ctx.sampleRate | 0 : $0;
  }, 0);
  if (rate <= 0) {
    SDL_SetError("No sound in this page (no audio context)");
    return -1;
  }
  if (rate != desired->freq) {
    /* The context runs at the show's rate (the page asks it for 44100). */
    SDL_SetError("The page's audio runs at %d Hz, not %d", rate, desired->freq);
    return -1;
  }
  spec = *desired;
  /* The script processor takes powers of two from 256 to 16384 frames. */
  if (spec.samples < 256) spec.samples = 256;
  if (spec.samples > 16384) spec.samples = 16384;
  while (spec.samples & (spec.samples - 1)) spec.samples &= spec.samples - 1;
  spec.size = spec.samples * 4;
  spec.silence = 0;
  block = (Uint8*)malloc(spec.size);
  if (!block) {
    SDL_OutOfMemory();
    return -1;
  }
  if (obtained) *obtained = spec;
  opened = 1;
  paused = 1;
  EM_ASM({ Module.webAudioOpen($0); }, spec.samples);
  return 0;
}

void SDL_PauseAudio(int pause_on) { paused = pause_on; }
SDL_audiostatus SDL_GetAudioStatus(void) {
  return !opened ? SDL_AUDIO_STOPPED : paused ? SDL_AUDIO_PAUSED : SDL_AUDIO_PLAYING;
}
/* The callback runs between the show's frames, never during one. */
void SDL_LockAudio(void) {}
void SDL_UnlockAudio(void) {}
void SDL_CloseAudio(void) {
  if (!opened) return;
  opened = 0;
  EM_ASM({ if (Module.webAudioClose) Module.webAudioClose(); });
}

/* Called by SDL_WM_SetCaption for sound servers that show a name; none here. */
void SDL_Audio_SetCaption(const char* caption) { (void)caption; }

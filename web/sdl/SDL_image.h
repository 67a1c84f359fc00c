/* The part of SDL_image 1.2 the show calls, for the browser build
   (web/image.cpp). */
#ifndef _SDL_IMAGE_H
#define _SDL_IMAGE_H
#include "SDL.h"
#ifdef __cplusplus
extern "C" {
#endif
SDL_Surface* IMG_Load(const char* file);
#define IMG_SetError SDL_SetError
#define IMG_GetError SDL_GetError
#ifdef __cplusplus
}
#endif
#endif

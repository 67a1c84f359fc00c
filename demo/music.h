// The song and the cues it sends to the show.
#pragma once

void initMusic();

// Scene 2: greetings and the end.
#pragma once

void drawGreetscene();

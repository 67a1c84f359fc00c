// The intro fade and the box's effect changes.
#pragma once

void fadeMainScene();

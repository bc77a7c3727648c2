// Frame composition: one screen per frame, the one the screen table says is up.
#pragma once

#include <cstdint>

int DrawGLScene();
// As DrawGLScene, at the picture time now (nanoseconds, as monotonic_now_ns): pictures drawn
// at one time show the flag's wave where it stood, however long they took.
int DrawGLSceneAt(std::int64_t now);

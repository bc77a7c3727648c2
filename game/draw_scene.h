// Frame composition: one screen per frame, the one the screen table says is up.
#pragma once

int DrawGLScene();

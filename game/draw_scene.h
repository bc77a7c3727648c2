// Frame composition: one screen per frame by the flags' precedence.
#pragma once

int DrawGLScene();

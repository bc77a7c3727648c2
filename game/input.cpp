// The key table for one frame, put together from every input source.
#include "game/input.h"

#include <cstring>

#include "platform/platform.h"
#include "state/lybrary3.h"

void gather_frame_keys() {
  memcpy(keys, held_keys, sizeof keys);
}

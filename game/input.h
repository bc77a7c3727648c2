// Every input source fills the one key table the frame reads: this machine's keyboard and
// pads, the computer opponent, the other machine. The frame never knows who pressed a key.
#pragma once

// Fills keys[] for the next frame from every source, in a fixed order.
void gather_frame_keys();

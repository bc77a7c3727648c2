// The speed level that fits this machine. The three levels give the same pace at 3000, 200
// and 60 frames a second; the game picks the one nearest, by ratio, to the frames it draws.
#pragma once

// The level whose design rate is nearest to frames_per_second: below 110 level 3, from 110
// to below 775 level 2, from 775 level 1. No rate at all (0, negative, not a number) is
// the slowest machine there is: level 3.
int speed_level_for_rate(double frames_per_second);

// The frames a second the game really draws, measured over its first frames: the first few
// (loading, the first drawing) are left out, then frames are counted for METER_SPAN seconds
// of the clock, so the rate is what the machine gives the game, busy or not, rather than
// what one frame costs. A machine that draws very fast stops counting at METER_MOST
// frames, and one that draws a frame in more than METER_SPAN stops after one.
constexpr int METER_SKIP = 3;
constexpr double METER_SPAN = 0.5;
constexpr int METER_MOST = 4096;

struct FrameMeter {
  int frames;    // frames noted so far, the skipped ones included
  int counted;   // frame intervals measured
  double first;  // time of the first frame counted, seconds
  double last;   // time of the last frame counted
  bool done;
};

// Notes a frame that starts at time now (seconds, any fixed origin); true once the
// measure is complete. Frames noted after that change nothing.
bool meter_frame(FrameMeter* meter, double now);
// The measured frames a second; 0 when nothing was measured.
double meter_rate(const FrameMeter& meter);

// What a player may ask for on the command line, read before anything else runs.
#pragma once

#include <string>

constexpr int DEFAULT_PORT = 28760;

struct CommandLine {
  bool help = false;
  bool version = false;
  int speed = 0;  // 1 to 3 with --speed; 0 starts at level 1
  bool pace_frame =
      false;  // --pace frame: one step per picture; --pace clock (default): steps on the clock
  bool pace_given = false;  // --pace was given (either way): it wins over the saved pace
  bool window = false;
  bool change_mode =
      false;          // --change-mode: full screen in the 1280 x 1024 mode, not the desktop's
  int bot = 0;        // the computer opponent's level, 1 to 3; 0 when nobody asked for it
  bool host = false;  // --host [PORT]: waits for the other player on port
  bool join = false;  // --join HOST[:PORT]: joins the game at join_host, port
  std::string join_host;
  int port = DEFAULT_PORT;
  std::string record;  // --record FILE: where the session is written, empty for none
  std::string watch;   // --watch FILE: the recording to watch, empty to play
  int volume = -1;     // --volume N, 0 to 100; -1 when not given
  std::string lang;    // --lang sk|en: the texts' language for this run, empty for the saved one
  int arena = 0;       // --arena N: the sector every match plays, 1 to 99; 0 for sector 1
  bool list_arenas = false;  // --arenas: print the shipped arenas and end
};

// Reads argv into *line. On a bad argument returns false with a one-line message (without
// "korvalen: " and without a newline) in *error.
bool read_command_line(int argc, const char* const* argv, CommandLine* line, std::string* error);

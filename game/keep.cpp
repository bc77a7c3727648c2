// The recording is the session's from its start-up state, as korvalen-replay and the watch run
// it; it takes the name of its first match.
#include "game/keep.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "bot/bot.h"
#include "flow/screen.h"
#include "record/kept.h"
#include "record/recording.h"
#include "state/lybrary3.h"

namespace {

std::string folder, hidden, name;

}  // namespace

void keep_start(const CommandLine& line, const Settings& saved) {
  if (!line.record.empty() || saved.keep_recordings == 0) return;
  name.clear();  // a session after online play is named by its own first match
  folder = kept_recordings_folder();
  std::string why = kept_recording_begin(folder, &hidden);
  if (why.empty()) return;
  fprintf(stderr, "korvalen: matches not kept: %s\n", why.c_str());
  hidden.clear();
}

void keep_after_picture() {
  if (hidden.empty() || !name.empty() || screen_up() != SCREEN_PLAY || !move) return;
  name = kept_recording_name(std::time(nullptr), kept_player_name(player[1].color, bot_level(1)),
                             kept_player_name(player[2].color, bot_level(2)));
}

void keep_end() {
  if (hidden.empty()) return;
  if (name.empty()) {
    record_finish();
    unlink(hidden.c_str());
  } else {
    std::string why = kept_recording_end(folder, hidden, name);
    if (!why.empty()) fprintf(stderr, "korvalen: the match was not kept: %s\n", why.c_str());
  }
  hidden.clear();
}

// Every match kept on its own: its file starts from the state before the step that starts
// it, with its match start, and ends where the next match starts or the game ends. What
// comes before the first match (the menus) is no match and is not kept. Online play is not
// kept (its final steps come after the state has moved on): it ends the match file before.
#include "game/keep.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "bot/bot.h"
#include "flow/screen.h"
#include "game/player_settings.h"
#include "record/kept.h"
#include "record/recording.h"
#include "state/lybrary3.h"
#include "state/match_start.h"

namespace {

std::string folder, hidden, name;
bool keeping;

std::string players_name() {
  return kept_recording_name(std::time(nullptr), kept_player_name(player[1].color, bot_level(1)),
                             kept_player_name(player[2].color, bot_level(2)));
}

}  // namespace

void keep_start(const CommandLine& line) {
  if (!line.record.empty() || !start_choices.keep_matches) return;
  name.clear();  // a session after online play is named by its own first match
  folder = kept_recordings_folder();
  std::string why = kept_recording_begin(folder, &hidden);
  keeping = why.empty();
  if (keeping) return;
  fprintf(stderr, "korvalen: matches not kept: %s\n", why.c_str());
  hidden.clear();
}

bool keeping_matches() {
  return keeping;
}

void keep_match_start(const GameSnapshot& before) {
  if (!keeping) return;
  keep_end();
  // the new match's file, from the state before its first step
  static GameSnapshot now;
  snapshot_take(&now);
  snapshot_put(before);
  std::string why = kept_recording_begin(folder, &hidden, &match_start);
  snapshot_put(now);
  if (!why.empty()) {
    fprintf(stderr, "korvalen: the match is not kept: %s\n", why.c_str());
    hidden.clear();
    return;
  }
  name = players_name();
}

void keep_after_picture() {
  if (hidden.empty() || !name.empty() || screen_up() != SCREEN_PLAY || !move) return;
  name = players_name();
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
  name.clear();
}

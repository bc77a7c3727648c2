// The sound events of a step, read from what the step changed in the state.
#include "flow/sound_events.h"

#include "flow/screen.h"

namespace {

// The screen up, as the screen table says; before the first step nothing is (the start
// request has not opened the main menu yet).
constexpr int NO_SCREEN = SCREENS;
int top_screen() {
  Screen up = screen_up();
  return up == SCREEN_PLAY && !move ? NO_SCREEN : up;
}

bool record_flying(const bool (&fly)[SUB_ARROWS]) {
  return fly[0] || fly[1] || fly[2];
}

// A shot: a free shot record took off, or the bow in hand lost an arrow (also when every
// record was busy and the arrow was spent for nothing).
bool shot(const SoundWatch::Archer& before, const SoundWatch::Archer& after) {
  for (int r = 0; r < SHOT_RECORDS; r++)
    if (!record_flying(before.fly[r]) && record_flying(after.fly[r])) return true;
  return before.bow != 0 && before.bow == after.bow && after.hand_arrows < before.hand_arrows;
}

// The shot sound of the bow that fired: the one in hand when the step began.
SoundEffect shot_sound(int bow) {
  switch (bow) {
    case 2: return SOUND_SHOT_LONG;
    case 3: return SOUND_SHOT_RECURVE;
    case 4: return SOUND_SHOT_WAR;
    default: return SOUND_SHOT_SHORT;
  }
}

// Sub-arrows that were in flight and no longer are.
int arrows_stopped(const SoundWatch::Archer& before, const SoundWatch::Archer& after) {
  int stopped = 0;
  for (int r = 0; r < SHOT_RECORDS; r++)
    for (int b = 0; b < SUB_ARROWS; b++) stopped += before.fly[r][b] && !after.fly[r][b];
  return stopped;
}

// The match's own sounds: shots, strokes, hits, arrows stopping, bows taken and dropped.
void match_events(const SoundWatch& before, const SoundWatch& after, SoundEvents* events) {
  int hits = 0, stopped = 0;
  for (int p = 1; p < PLAYER_RECORDS; p++) {
    if (after.archer[p].death > before.archer[p].death)
      hits += after.archer[p].death - before.archer[p].death;
    stopped += arrows_stopped(before.archer[p], after.archer[p]);
  }
  for (int p = 1; p < PLAYER_RECORDS; p++) {
    const SoundWatch::Archer &was = before.archer[p], &is = after.archer[p];
    if (shot(was, is)) {
      events->play[shot_sound(was.bow ? was.bow : is.bow)] = true;
    } else if (!was.attack_latch && is.attack_latch) {
      // the attack key acted and no arrow flew: the sword
      bool struck = is.kill > was.kill && hits > 0;
      events->play[struck ? SOUND_SWORD_HIT : SOUND_SWORD] = true;
      hits -= struck;
    }
  }
  if (hits > 0) events->play[SOUND_HIT] = true;
  // every arrow hit also stopped an arrow; the rest met a building or the field's edge
  if (stopped > hits) events->play[SOUND_ARROW_STOP] = true;
  for (int i = 0; i < GROUND_BOWS; i++) {
    if (before.ground[i] && !after.ground[i]) events->play[SOUND_PICKUP] = true;
    if (!before.ground[i] && after.ground[i]) events->play[SOUND_BOW_DROP] = true;
  }
}

// The menus' sounds: the highlight or an avatar moved, an entry or a level chosen.
void menu_events(const SoundWatch& before, const SoundWatch& after, SoundEvents* events) {
  int was = before.screen, is = after.screen;
  bool on_menu = was == SCREEN_MAIN_MENU || was == SCREEN_PAUSE_MENU;
  if (on_menu && is == was && after.highlight != before.highlight)
    events->play[SOUND_MENU_MOVE] = true;
  if (was == SCREEN_COLOUR && is == was)
    for (int p = 1; p < PLAYER_RECORDS; p++)
      if (after.colour[p] != before.colour[p]) events->play[SOUND_MENU_MOVE] = true;
  bool chosen = (after.exit_request && !before.exit_request) || is == SCREEN_COLOUR ||
                is == SCREEN_SPEED || (was == SCREEN_PAUSE_MENU && is == SCREEN_PLAY) ||
                (was == SCREEN_PAUSE_MENU && is == SCREEN_MAIN_MENU);
  if (on_menu && chosen) events->play[SOUND_MENU_CHOOSE] = true;
  if (was == SCREEN_END && is == SCREEN_MAIN_MENU) events->play[SOUND_MENU_CHOOSE] = true;
  if (was == SCREEN_SPEED && is == was && after.speed_level != before.speed_level)
    events->play[SOUND_MENU_CHOOSE] = true;
}

}  // namespace

bool SoundEvents::any() const {
  for (bool p : play)
    if (p) return true;
  return pause;
}

SoundWatch sound_watch() {
  SoundWatch watch = {};
  for (int p = 0; p < PLAYER_RECORDS; p++) {
    SoundWatch::Archer& archer = watch.archer[p];
    const Splayer& P = player[p];
    archer.kill = P.kill;
    archer.death = P.death;
    archer.bow = P.wepon.id;
    for (const auto& arrow : P.wepon.naboj) archer.hand_arrows += arrow.have;
    for (int r = 0; r < SHOT_RECORDS; r++)
      for (int b = 0; b < SUB_ARROWS; b++) archer.fly[r][b] = P.naboj[r].fly[b];
    watch.colour[p] = P.color;
  }
  watch.archer[1].attack_latch = key.a;
  watch.archer[2].attack_latch = key.m;
  for (int i = 0; i < GROUND_BOWS; i++) watch.ground[i] = g_wepon[i].ly;
  watch.screen = top_screen();
  watch.highlight = QNew | QNastavenia << 1 | QExit << 2 | QReturn << 3 | QEnd << 4;
  watch.speed_level = Q_1 ? 1 : Q_2 ? 2 : Q_3 ? 3 : 0;
  watch.exit_request = Exit;
  return watch;
}

SoundEvents sound_events(const SoundWatch& before, const SoundWatch& after) {
  SoundEvents events;
  // A new match clears the field: nothing of the last one sounds as it goes.
  bool match_start = before.screen == SCREEN_COLOUR && after.screen == SCREEN_PLAY;
  if (match_start)
    events.play[SOUND_MATCH_START] = true;
  else
    match_events(before, after, &events);
  if (after.screen == SCREEN_END && before.screen != SCREEN_END)
    events.play[SOUND_MATCH_END] = true;
  events.pause = before.screen == SCREEN_PLAY && after.screen == SCREEN_PAUSE_MENU;
  menu_events(before, after, &events);
  return events;
}

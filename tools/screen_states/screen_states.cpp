// The fixed screens: every flag, record and the flag's wave put in one
// known state, with the match on s_1.txt in mid-fight.
#include "tools/screen_states/screen_states.h"

#include "bot/bot.h"
#include "flow/flag_grid.h"
#include "flow/game.h"
#include "flow/match_stats.h"
#include "state/lybrary3.h"
#include "world/world.h"

static const char* const screen_names[] = {"main_menu", "pause_menu", "colour", "play", "end"};

const char* fixed_screen_name(FixedScreen screen) {
  return screen_names[int(screen)];
}

// No screen up, no latch set, the flag at rest.
static void all_screens_off() {
  start = Start_Menu = Menu = Help = Info = Nastavenia = New_Nastavenia = End = false;
  QNew = QNastavenia = QExit = QReturn = QEnd = false;
  New = Return = Exit = move = false;
  key = keep = Skey{};
  flag_grid_init();
  wiggle_count = 0;
  bot_play(2, 0);
  match_stats_reset();
}

// Puts a player on the field, facing alpha, with a bow and some arrows in hand.
static void place_player(int numb, float x, float y, int alpha, int color, int bow, int arrows) {
  Splayer& p = player[numb];
  p.x = x;
  p.y = y;
  p.z = 0;
  p.alpha = alpha;
  p.color = color;
  p.live = true;
  p.wepon.id = bow;
  for (int k = 0; k < HAND_ARROWS; k++) p.wepon.naboj[k].have = k < arrows;
}

// Sends a shot of three arrows from (x, y) the way alpha points.
static void shoot(int numb, int record, float x, float y, int alpha) {
  Splayer::Snaboj& shot = player[numb].naboj[record];
  shot.alpha = alpha;
  for (int b = 0; b < SUB_ARROWS; b++) {
    const float side = 0.6f * float(b - 1);
    shot.x[b] = alpha == hore || alpha == dole ? x + side : x;
    shot.y[b] = alpha == hore || alpha == dole ? y : y + side;
    shot.z[b] = 0.4f;
    shot.fly[b] = true;
  }
}

// A match on s_1.txt: both players armed, four bows lying about, two shots
// in the air, the ratings apart and the clock running. The camera hangs over
// (10, 4): player 1 and his shot are up and to the left of it, player 2 and his
// shot down and to the right, so every side of a box faces the eye somewhere.
static void match_in_play() {
  New_game_set();
  sector_set();
  move = true;
  for (Sg_wepon& bow : g_wepon) bow.ly = false;
  place_player(1, 3.0f, 6.5f, doprava, 2, 3, 4);
  place_player(2, 16.5f, 1.5f, dolava, 5, 6, 2);
  for (int i = 0; i < 4; i++) {
    g_wepon[i].ly = true;
    g_wepon[i].id = 2 * i + 1;
    g_wepon[i].x = 2.0f + 5.0f * i;
    g_wepon[i].y = i % 2 ? 10.0f : 3.0f;
    g_wepon[i].z = 0;
  }
  shoot(1, 0, 6.0f, 6.8f, doprava);
  shoot(2, 3, 12.0f, 2.5f, dole);
  player[1].sumary = 3;
  player[2].sumary = -2;
  timer.time = 1234;
}

void fixed_screen_set(FixedScreen screen) {
  all_screens_off();
  player[1].color = 3;
  player[2].color = 6;
  switch (screen) {
    case FixedScreen::main_menu:
      Start_Menu = true;
      QNew = true;
      break;
    case FixedScreen::pause_menu:
      Menu = true;
      QReturn = true;
      break;
    case FixedScreen::colour: New_Nastavenia = true; break;
    case FixedScreen::play: match_in_play(); break;
    case FixedScreen::end:
      // player 2, the computer, won by 5 hits to 3: player 1 hit twice with arrows of his 8
      // (25 %) and once with the sword, player 2 five times with his 12 (42 %); the match
      // ran 5012.5 units, 167 s
      End = true;
      player[1].sumary = -2;
      player[2].sumary = 2;
      bot_play(2, 2);
      match_stats = {{0, 2, 5}, {0, 1, 0}, {0, 8, 12}, 5012.5f};
      flag_grid_set_rows(-1.5);
      break;
    case FixedScreen::count: break;
  }
}

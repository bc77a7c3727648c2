// One frame of the game: draw, read the keyboard through the latches,
// advance the screen flow and, while a match is in play, update the match.
#include "combat/combat.h"
#include "flow/frame_input.h"
#include "flow/game.h"
#include "flow/match_stats.h"
#include "flow/screen.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

// Which key each latch field belongs to.
struct LatchKey {
  bool Skey::*field;
  int code;
};

constexpr LatchKey latch_keys[] = {
    {&Skey::b, 'B'},          {&Skey::w, 'W'},          {&Skey::e, 'E'},
    {&Skey::r, 'R'},          {&Skey::a, 'A'},          {&Skey::s, 'S'},
    {&Skey::d, 'D'},          {&Skey::i, 'I'},          {&Skey::m, 'M'},
    {&Skey::esc, VK_ESCAPE},  {&Skey::space, VK_SPACE}, {&Skey::l, 'L'},
    {&Skey::k, 'K'},          {&Skey::j, 'J'},          {&Skey::o, 'O'},
    {&Skey::q, 'Q'},          {&Skey::c, 'C'},          {&Skey::n, 'N'},
    {&Skey::h, 'H'},          {&Skey::f, 'F'},          {&Skey::up, VK_UP},
    {&Skey::down, VK_DOWN},   {&Skey::left, VK_LEFT},   {&Skey::right, VK_RIGHT},
    {&Skey::enter, VK_ENTER}, {&Skey::_1, '1'},         {&Skey::_2, '2'},
    {&Skey::_3, '3'},         {&Skey::_4, '4'},         {&Skey::_5, '5'},
    {&Skey::_6, '6'},         {&Skey::_7, '7'},         {&Skey::_8, '8'},
    {&Skey::_9, '9'},         {&Skey::_0, '0'},
};
static_assert(sizeof(latch_keys) / sizeof(latch_keys[0]) == sizeof(Skey),
              "every latch field has its key");

// A movement key acts in every frame it is held: the latch only marks it held.
void repeat_key(int numb, Action action, void (*walk)(int)) {
  bool Skey::*field = action_latch(numb, action);
  if (!step_holds(game_key(numb, action)) || !move || (key.*field && !(keep.*field))) return;
  key.*field = true;
  keep.*field = true;
  NCPfind = false;
  Buildfind = false;
  walk(numb);
}

// Shoots with a selected bow; swings the sword with none in hand.
void attack(int numb) {
  if (player[numb].show.id > -1) player_strel(numb);
  if (sword_in_hand(player[numb])) player_mec(numb);
}

// An edge key acts once per press, and only in play.
void edge_key(int numb, Action action, void (*act)(int)) {
  bool Skey::*field = action_latch(numb, action);
  if (!step_holds(game_key(numb, action)) || key.*field || !move) return;
  key.*field = true;
  act(numb);
}

// One player's keys, in the order the game has always tested them.
void player_keys(int numb) {
  edge_key(numb, ACTION_CHANGE, player_search);
  edge_key(numb, ACTION_USE, attack);
  repeat_key(numb, ACTION_UP, player_hore);
  repeat_key(numb, ACTION_DOWN, player_dole);
  repeat_key(numb, ACTION_RIGHT, player_doprava);
  repeat_key(numb, ACTION_LEFT, player_dolava);
}

// True while the key that sets the latch is down. The step's keys are the game's own (a
// rebound key arrives as the key it stands for), so a player's latch goes with its own key.
bool latch_held(const LatchKey& k) {
  return step_holds(k.code);
}

// Clears every latch whose key is up.
void release_latches() {
  for (const LatchKey& k : latch_keys) {
    if (!latch_held(k)) {
      key.*(k.field) = false;
      keep.*(k.field) = false;
    }
  }
}

}  // namespace

// The entry point's window request and the speed level marked at start-up.
void game_startup_request() {
  Window.BIT = 32;
  Window.X = 1280;
  Window.Y = 1024;
  fullscreen = true;
  Q_1 = true;
}

// Both players' keys, player 1's first.
void play_keys() {
  player_keys(1);
  player_keys(2);
}

// The match for one frame: pick-ups, arrows, hits, respawns, ratings, clock.
void game_update() {
  g_wepon_control();
  naboj_strel_control(1);
  naboj_strel_control(2);
  wepon_naboj_control(1);
  wepon_naboj_control(2);
  kill_another_player(1);
  kill_another_player(2);
  naboj_trajektoria(1);
  naboj_trajektoria(2);
  player_death_control(1);
  player_death_control(2);
  player_sumary(1);
  player_sumary(2);
  clock_step();
}

bool exit_ends_loop() {
  if (Exit) done = true;
  return Exit;
}

void game_frame(DrawAndPresent draw_and_present) {
  if (!exit_ends_loop() && draw_and_present) draw_and_present();
  // the match's figures come from what the step changed, as its sounds do
  const SoundWatch before = sound_watch();
  screen_keys();
  credits_key();
  release_latches();
  screen_escape();
  description_key();
  move = screen_up() == SCREEN_PLAY;
  const bool match_starts = New;
  handle_requests();
  if (move) {
    game_update();
    if (!match_starts) match_stats_count(before, sound_watch());
  }
}

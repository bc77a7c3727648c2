// The game's sound effects and the events that start them. A step's events come from what
// the step changed in the state, never from keys, so a recording, the computer opponent and
// both machines of an online match sound the same.
#pragma once

#include "state/lybrary3.h"

enum SoundEffect {
  SOUND_SHOT_SHORT,    // a shot of the short bow (id 1): a light twang
  SOUND_SHOT_LONG,     // the long bow (id 2): a deeper twang
  SOUND_SHOT_RECURVE,  // the recurve (id 3): a double snap
  SOUND_SHOT_WAR,      // the war bow (id 4): a heavy thud
  SOUND_HIT,           // an arrow hit an archer
  SOUND_ARROW_STOP,    // an arrow stopped on a building or at the field's edge
  SOUND_SWORD,         // a sword stroke that struck nobody
  SOUND_SWORD_HIT,     // a sword stroke that struck
  SOUND_PICKUP,        // a bow picked up
  SOUND_BOW_DROP,      // a bow dropped onto the field
  SOUND_MENU_MOVE,     // the menu highlight or an avatar moved
  SOUND_MENU_CHOOSE,   // a menu entry or a speed level chosen
  SOUND_MATCH_START,   // a match starts
  SOUND_MATCH_END,     // the end screen
  SOUND_EFFECTS
};

// The files under Data/sound/, one per effect, in the order above.
constexpr const char* sound_file_names[SOUND_EFFECTS] = {
    "shot_short.wav", "shot_long.wav",   "shot_recurve.wav", "shot_war.wav", "hit.wav",
    "arrow_stop.wav", "sword.wav",       "sword_hit.wav",    "pickup.wav",   "bow_drop.wav",
    "menu_move.wav",  "menu_choose.wav", "match_start.wav",  "match_end.wav"};

// The effects one step started, and whether it froze the match (the pause menu opened).
struct SoundEvents {
  bool play[SOUND_EFFECTS] = {};
  bool pause = false;
  bool any() const;
};

// What the events are read from: the few fields of the state a step's sounds depend on.
struct SoundWatch {
  struct Archer {
    int kill, death;
    int bow;          // the bow in hand, 0 for none
    int hand_arrows;  // arrows left in the bow in hand
    bool fly[SHOT_RECORDS][SUB_ARROWS];
    bool attack_latch;  // the attack key acted and is still held
  } archer[PLAYER_RECORDS];
  bool ground[GROUND_BOWS];
  int screen;          // the screen on top (sound_events.cpp numbers them)
  unsigned highlight;  // the menu highlights as bits
  int colour[PLAYER_RECORDS];
  int speed_level;
  bool exit_request;
};

// Reads the watched fields from the game state.
SoundWatch sound_watch();
// The effects a step started: before and after are the watches around that one step.
SoundEvents sound_events(const SoundWatch& before, const SoundWatch& after);

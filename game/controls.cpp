// The controls screen's keys: the arrows pick a player's action or "defaults", Enter
// waits for the next key (Esc keeps the old one), and every key chosen is saved at once.
#include "game/controls.h"

#include <cstring>
#include <string>

#include "game/player_settings.h"
#include "platform/platform.h"
#include "screens/screens.h"
#include "state/bindings.h"
#include "state/language.h"
#include "state/lybrary3.h"
#include "state/settings.h"

namespace {

constexpr int DEFAULTS_ENTRY = 2 * ACTIONS;

bool shown;            // the screen is up
int picked;            // player 1's actions, player 2's, then "defaults"
bool waiting;          // for the key that is to play the picked action
const char* refusal;   // why the last key was refused, null when none was
bool seen[KEY_CODES];  // the keys held at the last picture

bool went_down(int code) {
  return held_keys[code] && !seen[code];
}

void save_key(int player, Action action) {
  settings_store("keys", "player" + std::to_string(player) + "." + key_action_names[action],
                 key_name(binding(player, action)));
}

// The key pressed while waiting: bound and saved, or refused with a short message.
void take_new_key() {
  for (int code = 1; code < KEY_CODES; code++) {
    if (!went_down(code)) continue;
    waiting = false;
    if (code == VK_ESCAPE) return;
    int player = picked / ACTIONS + 1, holder = 0;
    Action action = Action(picked % ACTIONS);
    int held_by = bound_action(code, &holder);
    if (key_reserved(code) || !*key_name(code)) {
      refusal = tr("Tuto klavesu pouziva hra.");
    } else if (held_by >= 0 && (holder != player || held_by != action)) {
      refusal = tr("Tato klavesa uz je obsadena.");
    } else {
      set_binding(player, action, code);
      save_key(player, action);
    }
    return;
  }
}

// The arrows move the pick (left and right between the players), Enter acts, Esc leaves.
void take_keys() {
  if (waiting) return take_new_key();
  if (went_down(VK_ESCAPE)) {
    shown = false;
    key.esc = true;  // the same press must not close the colour screen too
    return;
  }
  int was = picked;
  if (went_down(VK_UP) && picked > 0) picked--;
  if (went_down(VK_DOWN) && picked < DEFAULTS_ENTRY) picked++;
  if (went_down(VK_LEFT) && picked >= ACTIONS && picked < DEFAULTS_ENTRY) picked -= ACTIONS;
  if (went_down(VK_RIGHT) && picked < ACTIONS) picked += ACTIONS;
  if (picked != was) refusal = nullptr;
  if (!went_down(VK_ENTER)) return;
  refusal = nullptr;
  if (picked != DEFAULTS_ENTRY) {
    waiting = true;
    return;
  }
  binding_defaults();
  for (int p = 1; p <= BOUND_PLAYERS; p++)
    for (int a = 0; a < ACTIONS; a++) save_key(p, Action(a));
}

}  // namespace

bool controls_picture() {
  if (!shown) {
    bool colour_screen = New_Nastavenia && !Help && !Info && !Nastavenia;
    bool open = colour_screen && went_down(VK_ENTER);
    memcpy(seen, held_keys, sizeof seen);
    if (!open) return false;
    shown = true;
    picked = 0;
    waiting = false;
    refusal = nullptr;
  } else {
    take_keys();
    memcpy(seen, held_keys, sizeof seen);
    // no frame sees these keys: the key-ups they wait for are let go here
    KeysAfterFrame();
    if (!shown) return false;
  }
  Controls_list(picked, waiting, refusal);
  SwapBuffers();
  PacePicture();
  return true;
}

// The controls screen's keys: the keyboard's own, once per picture, while the steps wait.
#include <cstring>

#include "flow/screen.h"
#include "state/language.h"

ControlsScreen controls;

namespace {

bool controls_seen[KEY_CODES];  // the keys held at the controls screen's last picture

// True once per press, on the controls screen, where any key may be the one pressed.
bool went_down(int code) {
  return keys[code] && !controls_seen[code];
}

// The key pressed while waiting: bound (and left for the game to save), or refused with a
// short message. Esc keeps the old key.
void take_new_key() {
  for (int code = 1; code < KEY_CODES; code++) {
    if (!went_down(code)) continue;
    controls.waiting = false;
    if (code == VK_ESCAPE) return;
    int player = controls.picked / ACTIONS + 1, holder = 0;
    Action action = Action(controls.picked % ACTIONS);
    int held_by = bound_action(code, &holder);
    if (key_reserved(code) || !*key_name(code)) {
      controls.refusal = tr("Tuto klavesu pouziva hra.");
    } else if (held_by >= 0 && (holder != player || held_by != action)) {
      controls.refusal = tr("Tato klavesa uz je obsadena.");
    } else {
      set_binding(player, action, code);
      controls.unsaved[player - 1][action] = true;
    }
    return;
  }
}

// The controls screen: the arrows move the pick (left and right between the players), Enter
// acts, Esc leaves. It reads Esc itself, since Esc is also the answer that keeps a key.
void controls_keys() {
  if (controls.waiting) return take_new_key();
  if (went_down(VK_ESCAPE)) {
    controls.shown = false;
    key.esc = true;  // the same press must not close the colour screen too
    return;
  }
  int& picked = controls.picked;
  int was = picked;
  if (went_down(VK_UP) && picked > 0) picked--;
  if (went_down(VK_DOWN) && picked < CONTROLS_DEFAULTS) picked++;
  if (went_down(VK_LEFT) && picked >= ACTIONS && picked < CONTROLS_DEFAULTS) picked -= ACTIONS;
  if (went_down(VK_RIGHT) && picked < ACTIONS) picked += ACTIONS;
  if (picked != was) controls.refusal = nullptr;
  if (!went_down(VK_ENTER)) return;
  controls.refusal = nullptr;
  if (picked != CONTROLS_DEFAULTS) {
    controls.waiting = true;
    return;
  }
  binding_defaults();
  for (auto& row : controls.unsaved)
    for (bool& unsaved : row) unsaved = true;
}

}  // namespace

bool controls_screen_keys(const bool keyboard[KEY_CODES]) {
  bool frame_keys[KEY_CODES];  // the next step's keys stay the step's own
  std::memcpy(frame_keys, keys, sizeof keys);
  std::memcpy(keys, keyboard, sizeof keys);
  if (controls.shown) {
    controls_keys();
  } else if (screen_up() == SCREEN_COLOUR && went_down(VK_ENTER)) {
    controls.shown = true;
    controls.picked = 0;
    controls.waiting = false;
    controls.refusal = nullptr;
  }
  std::memcpy(controls_seen, keyboard, sizeof controls_seen);
  std::memcpy(keys, frame_keys, sizeof keys);
  return controls.shown;
}

// The controls screen in the picture loop: its keys go through the screen table, and every
// key chosen there is saved at once.
#include "game/controls.h"

#include <string>

#include "flow/screen.h"
#include "game/draw_scene.h"
#include "platform/platform.h"
#include "state/bindings.h"
#include "state/settings.h"

// Saves the keys the controls screen bound since the last picture.
static void save_chosen_keys() {
  for (int p = 1; p <= BOUND_PLAYERS; p++)
    for (int a = 0; a < ACTIONS; a++) {
      if (!controls.unsaved[p - 1][a]) continue;
      controls.unsaved[p - 1][a] = false;
      settings_store("keys", "player" + std::to_string(p) + "." + key_action_names[a],
                     key_name(binding(p, Action(a))));
    }
}

bool controls_picture() {
  bool was_up = controls.shown;
  bool up = controls_screen_keys(held_keys);
  // no frame sees the keys the controls screen read: the key-ups they wait for are let go here
  if (was_up) KeysAfterFrame();
  save_chosen_keys();
  if (!up) return false;
  DrawGLScene();
  SwapBuffers();
  PacePicture();
  return true;
}

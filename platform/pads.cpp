// Gamepads: a pad is one more way to press a player's keys. Each pad plays one archer and
// holds that player's keys in held_keys beside the keyboard, under the same rules; nothing
// past the platform knows a pad exists. The first pad plays player 1, the second player 2;
// Back hands a pad to the other player when that player has none; a pad plugged back in
// plays for the player it left.
//
// What a pad presses for its player, as the binding table has his keys (the defaults for
// player 1, and player 2 in brackets):
//   D-pad or left stick   E D S F (I K J L); up and down also Up and Down (player 2: Down)
//   A (the lower face button)   A (M), once, and Space while held
//   B or X                      Q (N)
//   Start                       Escape
// Checked against every screen (and by the pad tests), no button has two effects on one screen:
// - Up/Down act only on the two menus, where the movement keys do nothing; on the colour
//   screen left and right are the player's own avatar keys.
// - Player 2's up key I is also the credits key on the menus, where Up would move the
//   highlight as well: so player 2's up presses I alone (Down still moves the highlight).
// - Space acts on the menus, the colour screen and the end screen, the attack key only in
//   play. The attack key is an edge key in play, so pressing it for one frame acts exactly
//   as holding it; held, the A that resumes a match from the pause menu (Space) would
//   also fire the bow in hand in the first frame of play.
#include <SDL.h>

#include <bitset>
#include <cstdlib>
#include <string>

#include "flow/game.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "state/bindings.h"
#include "state/data_files.h"
#include "state/files.h"
#include "state/lybrary3.h"

// SDL_Event is ours only inside the platform: window.cpp hands pad events over.
void start_pads();
void pad_event(const SDL_Event& event);

namespace {

constexpr int MAX_PADS = 8;
constexpr int STICK_HALF = 16384;  // the stick counts as pushed past half its travel
constexpr long long MAPPINGS_MAX = 16 << 20;
// SDL searches its whole list for each mapping added: tens of thousands take it tens of
// seconds. Far more than every pad there is for this system.
constexpr int MAPPING_LINES_MAX = 5000;

// The controls a pad reports, one bit each: SDL's button numbers, then the stick.
constexpr unsigned button_bit(int button) {
  return 1u << button;
}
constexpr unsigned STICK_UP = 1u << 24, STICK_DOWN = 1u << 25, STICK_LEFT = 1u << 26,
                   STICK_RIGHT = 1u << 27;
static_assert(SDL_CONTROLLER_BUTTON_MAX < 24, "the stick's bits follow the buttons");
static_assert(int{PAD_DPAD_RIGHT} == int{SDL_CONTROLLER_BUTTON_DPAD_RIGHT} &&
                  int{PAD_START} == int{SDL_CONTROLLER_BUTTON_START} &&
                  int{PAD_LEFTY} == int{SDL_CONTROLLER_AXIS_LEFTY},
              "the tests number the buttons as SDL does");

using KeySet = std::bitset<KEY_CODES>;

// Who a pad is, to know it again when it comes back.
struct PadIdentity {
  std::string guid_serial;  // empty: nobody
  std::string path;
};

struct Pad {
  SDL_GameController* controller;  // null: the record is free
  SDL_JoystickID id;
  int player;       // 1 or 2; 0 for a pad beyond the two players
  unsigned inputs;  // the controls held, as the events told them
  KeySet held;      // the keys this pad holds in held_keys
  PadIdentity identity;
};

Pad pads[MAX_PADS];
PadIdentity left_by[3];  // the pad last unplugged while playing each player

// The keys a pad's controls press for its player.
KeySet keys_of(unsigned inputs, int player) {
  KeySet set;
  if (player < 1 || player > 2) return set;
  if (inputs & (button_bit(SDL_CONTROLLER_BUTTON_DPAD_UP) | STICK_UP)) {
    set.set(binding(player, ACTION_UP));
    if (player == 1) set.set(VK_UP);
  }
  if (inputs & (button_bit(SDL_CONTROLLER_BUTTON_DPAD_DOWN) | STICK_DOWN)) {
    set.set(binding(player, ACTION_DOWN));
    set.set(VK_DOWN);
  }
  if (inputs & (button_bit(SDL_CONTROLLER_BUTTON_DPAD_LEFT) | STICK_LEFT))
    set.set(binding(player, ACTION_LEFT));
  if (inputs & (button_bit(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) | STICK_RIGHT))
    set.set(binding(player, ACTION_RIGHT));
  if (inputs & button_bit(SDL_CONTROLLER_BUTTON_A)) set.set(VK_SPACE);
  if (inputs & (button_bit(SDL_CONTROLLER_BUTTON_B) | button_bit(SDL_CONTROLLER_BUTTON_X)))
    set.set(binding(player, ACTION_CHANGE));
  if (inputs & button_bit(SDL_CONTROLLER_BUTTON_START)) set.set(VK_ESCAPE);
  return set;
}

// The stick's directions from one axis position, replacing that axis's two bits.
unsigned with_axis(unsigned inputs, int axis, int value) {
  if (axis == SDL_CONTROLLER_AXIS_LEFTX) {
    inputs &= ~(STICK_LEFT | STICK_RIGHT);
    if (value <= -STICK_HALF) inputs |= STICK_LEFT;
    if (value >= STICK_HALF) inputs |= STICK_RIGHT;
  } else if (axis == SDL_CONTROLLER_AXIS_LEFTY) {
    inputs &= ~(STICK_UP | STICK_DOWN);
    if (value <= -STICK_HALF) inputs |= STICK_UP;
    if (value >= STICK_HALF) inputs |= STICK_DOWN;
  }
  return inputs;
}

// The controls the pad holds this moment, as SDL last read the device.
unsigned polled_inputs(const Pad& pad) {
  unsigned inputs = 0;
  for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; b++)
    if (SDL_GameControllerGetButton(pad.controller, (SDL_GameControllerButton)b))
      inputs |= button_bit(b);
  for (int axis : {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY})
    inputs = with_axis(inputs, axis,
                       SDL_GameControllerGetAxis(pad.controller, (SDL_GameControllerAxis)axis));
  return inputs;
}

int holder_of(const Pad& pad) {
  return KEY_HOLDER_KEYBOARD << pad.player;
}

// Makes the pad hold exactly the keys of want: lets go of the others, presses the new ones.
void hold_keys(Pad& pad, const KeySet& want) {
  for (int vk = 1; vk < KEY_CODES; vk++) {
    if (pad.held[vk] && !want[vk]) KeyUpBy(vk, holder_of(pad));
    if (want[vk] && !pad.held[vk]) KeyDownBy(vk, holder_of(pad));
  }
  pad.held = want;
}

bool player_has_pad(int player) {
  for (const Pad& pad : pads)
    if (pad.controller && pad.player == player) return true;
  return false;
}

bool same_pad(const PadIdentity& a, const PadIdentity& b) {
  if (a.guid_serial.empty() || b.guid_serial.empty()) return false;
  return (!a.path.empty() && a.path == b.path) || a.guid_serial == b.guid_serial;
}

// The player a newly plugged pad plays: the one it left, else the first without a pad
// whose own pad is not away, else any without a pad; 0 when both have one.
int player_for(const PadIdentity& identity) {
  for (int p = 1; p <= 2; p++)
    if (!player_has_pad(p) && same_pad(left_by[p], identity)) return p;
  for (int p = 1; p <= 2; p++)
    if (!player_has_pad(p) && left_by[p].guid_serial.empty()) return p;
  for (int p = 1; p <= 2; p++)
    if (!player_has_pad(p)) return p;
  return 0;
}

// Gives the pad to another player: its old player's keys are let go at once.
void take_player(Pad& pad, int player) {
  hold_keys(pad, KeySet());
  pad.player = player;
  left_by[player] = PadIdentity();
}

// Back: the other player takes the pad when that player has none.
void hand_over(Pad& pad) {
  int other = pad.player == 1 ? 2 : 1;
  if (pad.player == 0 && player_has_pad(1)) other = 2;
  if (!player_has_pad(other)) take_player(pad, other);
}

// The pad's controls are now inputs: presses and releases become its player's keys.
void set_inputs(Pad& pad, unsigned inputs) {
  unsigned pressed = inputs & ~pad.inputs;
  pad.inputs = inputs;
  if (pressed & button_bit(SDL_CONTROLLER_BUTTON_BACK)) hand_over(pad);
  if (pad.player == 0) return;
  if (pressed & button_bit(SDL_CONTROLLER_BUTTON_A)) {
    // The attack key for one frame: see the screen check at the top.
    int attack = binding(pad.player, ACTION_USE);
    KeyDownBy(attack, holder_of(pad));
    KeyUpBy(attack, holder_of(pad));
  }
  hold_keys(pad, keys_of(inputs, pad.player));
}

Pad* pad_by_id(SDL_JoystickID id) {
  for (Pad& pad : pads)
    if (pad.controller && pad.id == id) return &pad;
  return nullptr;
}

PadIdentity identity_of(SDL_Joystick* joystick) {
  char guid[64] = "";
  SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick), guid, sizeof guid);
  const char* serial = SDL_JoystickGetSerial(joystick);
  const char* path = SDL_JoystickPath(joystick);
  PadIdentity identity;
  identity.guid_serial = std::string(guid) + "/" + (serial ? serial : "");
  identity.path = path ? path : "";
  return identity;
}

// Opens the device as a pad if SDL knows it as a game controller and it is not open yet.
void open_pad(int device_index) {
  if (!SDL_IsGameController(device_index)) return;
  SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
  if (id < 0 || pad_by_id(id)) return;
  for (Pad& pad : pads) {
    if (pad.controller) continue;
    pad.controller = SDL_GameControllerOpen(device_index);
    if (!pad.controller) return;
    pad.id = id;
    pad.inputs = 0;
    pad.held.reset();
    pad.identity = identity_of(SDL_GameControllerGetJoystick(pad.controller));
    pad.player = 0;
    int player = player_for(pad.identity);
    if (player) take_player(pad, player);
    return;
  }
}

// An unplugged pad lets go of every key it held, in the frame it went.
void close_pad(SDL_JoystickID id) {
  Pad* pad = pad_by_id(id);
  if (!pad) return;
  hold_keys(*pad, KeySet());
  if (pad->player) left_by[pad->player] = pad->identity;
  SDL_GameControllerClose(pad->controller);
  *pad = Pad();
}

// True for a mapping line for Linux, or for any system (SDL drops the others anyway).
bool for_this_system(const std::string& line) {
  size_t at = line.find("platform:");
  if (at == std::string::npos) return true;
  return line.compare(at, 14, "platform:Linux") == 0 &&
         (at + 14 == line.size() || line[at + 14] == ',');
}

// Adds the mappings of a gamecontrollerdb.txt, when there is one as a regular file.
void load_mappings(const std::string& name) {
  long long size = 0;
  std::FILE* f = open_regular_file(name.c_str(), "rb", &size);
  if (!f) return;
  std::string text;
  if (size > 0 && size <= MAPPINGS_MAX) {
    text.resize(size);
    text.resize(std::fread(&text[0], 1, text.size(), f));
  }
  std::fclose(f);
  // One line at a time: this system's lines only, at most MAPPING_LINES_MAX, and a quit
  // asked for meanwhile is answered at once.
  int taken = 0, refused = 0;
  for (size_t start = 0, end; start < text.size() && !quit_requested(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!for_this_system(line)) continue;
    if (taken == MAPPING_LINES_MAX) {
      std::fprintf(stderr, "korvalen: %s: only its first %d mappings are read\n", name.c_str(),
                   MAPPING_LINES_MAX);
      break;
    }
    taken++;
    if (SDL_GameControllerAddMapping(line.c_str()) < 0 && !refused++)
      std::fprintf(stderr, "korvalen: %s: %s\n", name.c_str(), SDL_GetError());
  }
}

// The player's own configuration folder for the game.
std::string config_folder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/korvalen";
  const char* home = std::getenv("HOME");
  if (home && home[0]) return std::string(home) + "/.config/korvalen";
  return "";
}

}  // namespace

// Starts the pads with the window: extra mappings, then every pad already plugged in.
// A machine where pads cannot start still plays on the keyboard.
void start_pads() {
  static bool started;
  if (started) return;
  started = true;
  // Pads play on while another window has the focus, as the game draws on; and the
  // face buttons count by place, so A is always the lower one.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
  load_mappings(data_file_path("gamecontrollerdb.txt"));
  std::string config = config_folder();
  if (!config.empty()) load_mappings(config + "/gamecontrollerdb.txt");
  for (int i = 0; i < SDL_NumJoysticks(); i++) open_pad(i);
}

// A pad plugged in or out, a button, the stick.
void pad_event(const SDL_Event& event) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED: open_pad(event.cdevice.which); break;
    case SDL_JOYDEVICEADDED: open_pad(event.jdevice.which); break;  // known once a mapping came
    case SDL_CONTROLLERDEVICEREMOVED: close_pad(event.cdevice.which); break;
    case SDL_JOYDEVICEREMOVED: close_pad(event.jdevice.which); break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (Pad* pad = pad_by_id(event.cbutton.which)) {
        if (event.cbutton.button >= SDL_CONTROLLER_BUTTON_MAX) break;  // none we know
        unsigned bit = button_bit(event.cbutton.button);
        bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
        set_inputs(*pad, down ? pad->inputs | bit : pad->inputs & ~bit);
      }
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (Pad* pad = pad_by_id(event.caxis.which))
        set_inputs(*pad, with_axis(pad->inputs, event.caxis.axis, event.caxis.value));
      break;
  }
}

// After a frame: a control the device no longer holds lets go of its keys, whatever
// events went missing. Nothing is pressed here: presses come only from events.
void PadsLetGoOfReleasedControls() {
  for (Pad& pad : pads) {
    if (!pad.controller) continue;
    pad.inputs &= polled_inputs(pad);
    hold_keys(pad, keys_of(pad.inputs, pad.player) & pad.held);
  }
}

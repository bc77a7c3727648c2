// The arena editor's keys. The arrows (a pad's stick or cross) move the cursor a cell, or
// with Tab (a pad's change button) its width and depth; Space (a pad's A) places a wall the
// cursor's size or takes up the one under it; Delete takes it away for good. U saves under
// a name, O lists the player's arenas to open one, P tries the arena against the
// computer, C clears the field.
#include <algorithm>

#include "flow/editor.h"
#include "flow/menu_screens.h"
#include "flow/step_clock.h"
#include "state/language.h"

Editor editor;

namespace {

constexpr int VK_BACKSPACE = 8;
constexpr int VK_TAB = 9;
constexpr int VK_SHIFT = 16;
constexpr int VK_DELETE = 46;
// The part of a picture's time the list's reading may take: a picture waits on the folder
// no longer than this, or one file's read and check when that alone takes longer.
constexpr long long LIST_READ_NS = 40000000;

void say(const std::string& text, bool bad) {
  editor.message = text;
  editor.message_bad = bad;
}

bool either_player(Action a) {
  return menu_pressed(game_key(1, a)) || menu_pressed(game_key(2, a));
}

// The arrow pressed, a pad's too, as a step on the grid (up is +y, as on the field).
bool arrow(int* dx, int* dy) {
  *dx = *dy = 0;
  if (menu_pressed(VK_UP) || either_player(ACTION_UP)) *dy = 1;
  if (menu_pressed(VK_DOWN) || either_player(ACTION_DOWN)) *dy = -1;
  if (menu_pressed(VK_LEFT) || either_player(ACTION_LEFT)) *dx = -1;
  if (menu_pressed(VK_RIGHT) || either_player(ACTION_RIGHT)) *dx = 1;
  return *dx || *dy;
}

void move_cursor(int dx, int dy) {
  Wall& c = editor.cursor;
  c.x = std::clamp(c.x + dx, 0, EDIT_FIELD_W - c.w);
  c.y = std::clamp(c.y + dy, 0, EDIT_FIELD_H - c.h);
}

// Right and Up grow the cursor, Left and Down shrink it; its corner stays, and where the
// field ends it moves back so the whole cursor stays on the field.
void size_cursor(int dx, int dy) {
  Wall& c = editor.cursor;
  c.w = std::clamp(c.w + dx, 1, EDIT_FIELD_W);
  c.h = std::clamp(c.h + dy, 1, EDIT_FIELD_H);
  move_cursor(0, 0);
}

void typing_keys() {
  std::string& typed = editor.typed;
  bool shift = menus.keyboard[VK_SHIFT];
  for (int c = 'A'; c <= 'Z'; c++)
    if (menu_pressed(c)) typed += static_cast<char>(shift ? c : c - 'A' + 'a');
  for (int c = '0'; c <= '9'; c++)
    if (menu_pressed(c)) typed += static_cast<char>(c);
  if (menu_pressed(VK_MINUS)) typed += shift ? '_' : '-';
  if (typed.size() > OWN_NAME_MAX) typed.resize(OWN_NAME_MAX);
  if (menu_pressed(VK_BACKSPACE) && !typed.empty()) typed.pop_back();
  if (menu_pressed(VK_ESCAPE)) {
    editor.mode = EDITOR_WALLS;
    say("", false);
  } else if (menu_pressed(VK_ENTER)) {
    editor_save(false);
  }
}

void field_keys() {
  int dx, dy;
  if (menu_pressed(VK_TAB) || either_player(ACTION_CHANGE))
    editor.mode = editor.mode == EDITOR_SIZE ? EDITOR_WALLS : EDITOR_SIZE;
  if (arrow(&dx, &dy)) {
    if (editor.mode == EDITOR_SIZE)
      size_cursor(dx, dy);
    else
      move_cursor(dx, dy);
  }
  if (menu_pressed(VK_SPACE) || menu_pressed(VK_ENTER)) {
    if (editor_wall_at(editor.cursor.x, editor.cursor.y) >= 0)
      editor_take();
    else
      editor_place();
  }
  if (menu_pressed(VK_DELETE) || menu_pressed(VK_BACKSPACE)) {
    int at = editor_wall_at(editor.cursor.x, editor.cursor.y);
    if (at >= 0) {
      editor.walls.erase(editor.walls.begin() + at);
      editor.changed = true;
      say(tr("Stena odstranena"), false);
    }
  }
  if (menu_pressed('C')) {
    editor.walls.clear();
    editor.name.clear();
    editor.changed = true;
    say(tr("Prazdne pole"), false);
  }
  if (menu_pressed('O')) editor_list_own();
  if (menu_pressed('U') || menu_pressed('P')) {
    std::string refusal = editor_check();
    if (!refusal.empty()) {
      say(refusal, true);
    } else if (menu_pressed('P')) {
      editor.test_play = true;
    } else {
      editor.mode = EDITOR_NAMING;
      editor.typed = editor.name;
      say("", false);
    }
  }
}

// The list of the player's arenas: read on for a part of each picture; Up and Down pick,
// Space or Enter opens, Esc goes back to the field.
void list_keys() {
  own_arenas_more(&editor.listing, monotonic_now_ns() + LIST_READ_NS);
  const int rows = static_cast<int>(editor.listing.arenas.size());
  int was = editor.picked;
  if (menu_pressed(VK_UP) || either_player(ACTION_UP)) editor.picked--;
  if (menu_pressed(VK_DOWN) || either_player(ACTION_DOWN)) editor.picked++;
  editor.picked = std::clamp(editor.picked, 0, rows > 0 ? rows - 1 : 0);
  if (editor.picked != was) say("", false);
  if (editor.picked < editor.first) editor.first = editor.picked;
  if (editor.picked >= editor.first + MENU_LIST_SHOWN)
    editor.first = editor.picked - MENU_LIST_SHOWN + 1;
  if (menu_confirmed()) editor_open(editor.picked);
  if (menu_pressed(VK_ESCAPE)) {
    own_arenas_end(&editor.listing);
    editor.mode = EDITOR_WALLS;
    say("", false);
  }
}

}  // namespace

int editor_wall_at(int x, int y) {
  for (int i = static_cast<int>(editor.walls.size()) - 1; i >= 0; i--) {
    const Wall& w = editor.walls[static_cast<std::size_t>(i)];
    if (x >= w.x && x < w.x + w.w && y >= w.y && y < w.y + w.h) return i;
  }
  return -1;
}

bool editor_place() {
  if ((int)editor.walls.size() >= OWN_WALLS_MAX) {
    say(tr("Najviac 49 stien"), true);
    return false;
  }
  if (!wall_on_field(editor.cursor)) return false;
  editor.walls.push_back(editor.cursor);
  editor.changed = true;
  say(tr("Stena postavena"), false);
  return true;
}

bool editor_take() {
  int at = editor_wall_at(editor.cursor.x, editor.cursor.y);
  if (at < 0) return false;
  editor.cursor = editor.walls[static_cast<std::size_t>(at)];
  editor.walls.erase(editor.walls.begin() + at);
  editor.changed = true;
  say(tr("Stena zdvihnuta: Medzernik ju polozi"), false);
  return true;
}

std::string editor_check() {
  const std::vector<Sbuild> table = walls_buildings(editor.walls);
  return arena_verdict_text(arena_check(table.data(), static_cast<int>(table.size())));
}

void editor_save(bool overwrite) {
  bool exists = false;
  std::string why =
      own_arena_save(own_arenas_folder(), editor.typed, editor.walls, overwrite, &exists);
  if (exists) {
    editor.mode = EDITOR_ASK_OVERWRITE;
    say(why, true);
    return;
  }
  if (!why.empty()) {
    editor.mode = EDITOR_NAMING;
    say(why, true);
    return;
  }
  editor.name = editor.typed;
  editor.changed = false;
  editor.mode = EDITOR_WALLS;
  say(std::string(tr("Ulozene")) + ": " + editor.name, false);
}

void editor_list_own() {
  own_arenas_begin(&editor.listing, own_arenas_folder());
  editor.picked = editor.first = 0;
  editor.mode = EDITOR_OPENING;
  say("", false);
}

bool editor_open(int row) {
  if (row < 0 || row >= (int)editor.listing.arenas.size()) return false;
  const OwnArena& a = editor.listing.arenas[static_cast<std::size_t>(row)];
  if (!a.usable) {
    say(a.why + (a.line ? " (" + std::to_string(a.line) + ")" : ""), true);
    return false;
  }
  editor.walls.clear();
  for (const Wall& w : a.walls)
    if (wall_on_field(w) && (int)editor.walls.size() < OWN_WALLS_MAX) editor.walls.push_back(w);
  editor.name = a.name;
  editor.changed = false;
  editor.mode = EDITOR_WALLS;
  say(std::string(tr("Otvorene")) + ": " + a.name, false);
  return true;
}

void menu_editor_keys() {
  menus.keeps_escape = editor.mode != EDITOR_WALLS && editor.mode != EDITOR_SIZE;
  if (editor.mode == EDITOR_NAMING) {
    typing_keys();
  } else if (editor.mode == EDITOR_ASK_OVERWRITE) {
    if (menu_pressed(VK_ENTER))
      editor_save(true);
    else if (menu_pressed(VK_ESCAPE)) {
      editor.mode = EDITOR_NAMING;
      say("", false);
    }
  } else if (editor.mode == EDITOR_OPENING) {
    list_keys();
  } else {
    field_keys();
  }
  menus.keeps_escape = editor.mode != EDITOR_WALLS && editor.mode != EDITOR_SIZE;
}

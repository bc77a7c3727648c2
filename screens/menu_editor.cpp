// The arena editor's picture: the field from above, a cell of the game's grid a square, with
// the walls, the two starting places, the two bows every match lays, the cursor, and the
// keys that work it.
#include <GL/gl.h>

#include <cstdio>
#include <string>

#include "combat/combat.h"
#include "flow/editor.h"
#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

namespace {

// The field on the picture, in text space (y down): a unit a CELL, the players' whole
// reach from x = -0.5 to 21 and y = 0 to 12.
constexpr float CELL = 26;
constexpr float LEFT = 40, TOP = 36;
constexpr float REACH_LEFT = -0.5f, REACH_RIGHT = 21, REACH_TOP = 12;

float px(float x) {
  return LEFT + (x - REACH_LEFT) * CELL;
}
float py(float y) {
  return TOP + (REACH_TOP - y) * CELL;
}

// A rectangle of the ground plane, untextured, in one colour. The colour goes with every
// corner: the browser's GL emulation packs each vertex of a batch as it packed the first, so
// a colour given once per quad shifts every vertex after it.
void ground_rect(float x0, float y0, float x1, float y1, float r, float g, float b) {
  const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  for (const auto& corner : corners) {
    glColor3f(r, g, b);
    glVertex2f(px(corner[0]), py(corner[1]));
  }
}

// A frame around a rectangle of the ground plane, t pixels thick, inside it.
void ground_frame(float x0, float y0, float x1, float y1, float t, float r, float g, float b) {
  const float d = t / CELL;
  ground_rect(x0, y0, x1, y0 + d, r, g, b);
  ground_rect(x0, y1 - d, x1, y1, r, g, b);
  ground_rect(x0, y0, x0 + d, y1, r, g, b);
  ground_rect(x1 - d, y0, x1, y1, r, g, b);
}

void draw_field() {
  // the colours as they are: no light on a plan
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  flat_layer_begin(true);
  // quads only: the browser's GL emulation has no rectangles
  glBegin(GL_QUADS);
  ground_rect(REACH_LEFT, 0, REACH_RIGHT, REACH_TOP, 0.12f, 0.32f, 0.12f);
  for (int x = 0; x <= EDIT_FIELD_W; x++)
    ground_rect(x - 0.02f, 0, x + 0.02f, REACH_TOP, 0.18f, 0.42f, 0.18f);
  for (int y = 0; y <= EDIT_FIELD_H; y++)
    ground_rect(REACH_LEFT, y - 0.02f, REACH_RIGHT, y + 0.02f, 0.18f, 0.42f, 0.18f);
  for (const MatchBow& bow : MATCH_BOWS)
    ground_rect(bow.x + 0.15f, bow.y + 0.15f, bow.x + 0.85f, bow.y + 0.85f, 0.95f, 0.8f, 0.1f);
  ground_rect(SPAWN[1].x, SPAWN[1].y, SPAWN[1].x + 1, SPAWN[1].y + 1, 0.2f, 0.4f, 1);
  ground_rect(SPAWN[2].x, SPAWN[2].y, SPAWN[2].x + 1, SPAWN[2].y + 1, 1, 0.25f, 0.25f);
  for (const Wall& w : editor.walls) {
    ground_rect(w.x, w.y, w.x + w.w, w.y + w.h, 0.55f, 0.45f, 0.35f);
    ground_frame(w.x, w.y, w.x + w.w, w.y + w.h, 2, 0.3f, 0.22f, 0.15f);
  }
  const Wall& c = editor.cursor;
  const bool sizing = editor.mode == EDITOR_SIZE;
  ground_frame(c.x, c.y, c.x + c.w, c.y + c.h, 3, sizing ? 1 : 0.3f, sizing ? 0.9f : 1, 1);
  glEnd();
  flat_layer_end();
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  if (lighting) glEnable(GL_LIGHTING);
}

void draw_labels() {
  white();
  glPrint(px(SPAWN[1].x) + 8, py(SPAWN[1].y + 1) + 4, 0, "1");
  glPrint(px(SPAWN[2].x) + 8, py(SPAWN[2].y + 1) + 4, 0, "2");
}

void draw_keys() {
  char line[120];
  std::snprintf(line, sizeof line, "%s %d/%d   %s %d,%d  %dx%d", tr("Steny"),
                static_cast<int>(editor.walls.size()), OWN_WALLS_MAX, tr("Kurzor"), editor.cursor.x,
                editor.cursor.y, editor.cursor.w, editor.cursor.h);
  white();
  glPrint(40, 352, 0, line);
  if (!editor.message.empty()) {
    if (editor.message_bad)
      red();
    else
      green();
    glPrint(40, 374, 0, editor.message.substr(0, 60).c_str());
  }
  if (editor.mode == EDITOR_NAMING || editor.mode == EDITOR_ASK_OVERWRITE) {
    yellow();
    std::string name = std::string(tr("Meno")) + ": " + editor.typed;
    if (editor.mode == EDITOR_NAMING) name += "_";
    glPrint(40, 400, 0, name.c_str());
    white();
    glPrint(40, 424, 0, tr("Pismena, cislice, - a _ (Shift -)"));
    glPrint(40, 448, 0,
            editor.mode == EDITOR_NAMING ? tr("Enter ulozit, Esc spat")
                                         : tr("Enter prepisat, Esc nie"));
    return;
  }
  cyan();
  glPrint(40, 400, 0,
          editor.mode == EDITOR_SIZE ? tr("Sipky: sirka a hlbka, Tab: posun")
                                     : tr("Sipky: posun, Tab: sirka a hlbka"));
  white();
  glPrint(40, 424, 0, tr("Medzernik stena/zdvihnut, Delete zmazat, C vycistit"));
  glPrint(40, 448, 0, tr("U ulozit, O otvorit, P skusit hrat, Esc spat"));
}

// The player's arenas, those that cannot be played greyed with why and on which line.
void draw_list() {
  const std::vector<OwnArena>& arenas = editor.listing.arenas;
  for (int row = editor.first; row < (int)arenas.size() && row < editor.first + MENU_LIST_SHOWN;
       row++) {
    const OwnArena& a = arenas[static_cast<std::size_t>(row)];
    const float y = 50 + 28 * (row - editor.first);
    if (row == editor.picked)
      cyan();
    else if (a.usable)
      green();
    else
      glColor3f(0.45f, 0.45f, 0.45f);
    glPrint(40, y, 0, a.name.substr(0, 21).c_str());
    if (a.usable) continue;
    std::string why = a.why;
    if (a.line) why += " (" + std::string(tr("riadok")) + " " + std::to_string(a.line) + ")";
    glColor3f(0.45f, 0.45f, 0.45f);
    glPrint(260, y, 0, why.substr(0, 38).c_str());
  }
  white();
  if (!editor.listing.done)
    glPrint(40, 340, 0, tr("Citam..."));
  else if (arenas.empty())
    glPrint(40, 340, 0, tr("Ziadne vlastne areny"));
  if (!editor.message.empty()) {
    red();
    glPrint(40, 374, 0, editor.message.substr(0, 60).c_str());
  }
  white();
  glPrint(40, 448, 0, tr("Sipky vyber, Medzernik otvorit, Esc spat"));
}

}  // namespace

void menu_editor_draw() {
  text_screen_begin();
  yellow();
  std::string title = tr("Tvorba areny");
  if (!editor.name.empty()) title += ": " + editor.name + (editor.changed ? " *" : "");
  glPrint(60, 10, 0, title.c_str());
  if (editor.mode == EDITOR_OPENING) {
    draw_list();
    return;
  }
  draw_field();
  draw_labels();
  draw_keys();
}

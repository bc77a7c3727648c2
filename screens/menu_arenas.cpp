// The arena list: "any arena", then each arena with a small picture of its walls, its name
// and its line; one that cannot be played greyed, with the reason.
#include <GL/gl.h>

#include <string>

#include "combat/combat.h"
#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "world/world.h"

namespace {

constexpr float ROW_TOP = 58, ROW_HEIGHT = 36;
constexpr float PICTURE_X = 24, PICTURE_W = 48, PICTURE_H = 28;
constexpr float TEXT_X = 84;
constexpr float LINE_SCALE = 0.75f;

// The field a player's corner may take, with his square: what the picture shows.
constexpr float SHOWN_LEFT = FIELD_LEFT, SHOWN_RIGHT = FIELD_RIGHT + 1;
constexpr float SHOWN_BOTTOM = FIELD_BOTTOM, SHOWN_TOP = FIELD_TOP + 1;

// A filled rectangle in text space (y downward), from field units inside the picture at top,
// in the colour last chosen. The colour goes with every corner: the browser's GL emulation
// packs each vertex of a batch as it packed the first.
struct Picture {
  float x, top;
  float r = 1, g = 1, b = 1;
  void colour(float red, float green, float blue) {
    r = red;
    g = green;
    b = blue;
  }
  void rect(float fx0, float fy0, float fx1, float fy1) const {
    auto px = [&](float fx) {
      return x + (fx - SHOWN_LEFT) / (SHOWN_RIGHT - SHOWN_LEFT) * PICTURE_W;
    };
    // the field's y grows upward, the picture's rows downward
    auto py = [&](float fy) {
      return 480 - (top + PICTURE_H - (fy - SHOWN_BOTTOM) / (SHOWN_TOP - SHOWN_BOTTOM) * PICTURE_H);
    };
    const float corners[4][2] = {{fx0, fy0}, {fx1, fy0}, {fx1, fy1}, {fx0, fy1}};
    for (const auto& corner : corners) {
      glColor3f(r, g, b);
      glVertex2f(px(corner[0]), py(corner[1]));
    }
  }
};

// The arena from above: grass, its walls (record 0 is never drawn in play, so not here either)
// and the two starting places; dimmed when it cannot be played. Without an arena, the grass
// alone.
void draw_picture(const ArenaEntry* e, float top, bool dim) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  flat_layer_begin();
  const float shade = dim ? 0.45f : 1.0f;
  Picture picture{PICTURE_X, top};
  glBegin(GL_QUADS);
  picture.colour(0.1f * shade, 0.45f * shade, 0.1f * shade);
  picture.rect(SHOWN_LEFT, SHOWN_BOTTOM, SHOWN_RIGHT, SHOWN_TOP);
  picture.colour(0.8f * shade, 0.8f * shade, 0.8f * shade);
  for (int i = 1; e && i < e->walls_count; i++) {
    const Sbuild& b = e->walls[i];
    if (b.x2 <= 0 || b.y2 <= 0) continue;  // as the field draws them: nothing to see
    picture.rect(b.x, b.y, static_cast<float>(b.x) + b.x2, static_cast<float>(b.y) + b.y2);
  }
  if (e) {
    picture.colour(0.95f * shade, 0.15f * shade, 0.1f * shade);
    picture.rect(SPAWN[1].x, SPAWN[1].y, SPAWN[1].x + 1, SPAWN[1].y + 1);
    picture.colour(0.3f * shade, 0.5f * shade, 1.0f * shade);
    picture.rect(SPAWN[2].x, SPAWN[2].y, SPAWN[2].x + 1, SPAWN[2].y + 1);
  }
  glEnd();
  flat_layer_end();
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  white();
}

void grey() {
  glColor3f(0.5f, 0.5f, 0.5f);
}

// The name in the list's colour: picked, chosen now, or neither.
void name_colour(bool picked) {
  if (picked)
    cyan();
  else
    green();
}

std::string shown(const ArenaEntry& e, const std::string& text) {
  return e.shipped ? tr(text.c_str()) : text;
}

}  // namespace

void menu_arenas_draw() {
  // unlit, so the pictures and the grey of an arena that cannot be played are the colours given
  const GLboolean lit = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  text_screen_begin();
  yellow();
  glPrint(250, 20, 0, tr("Arena"));
  const ArenaChoice& now = arena_choice();
  const int rows = static_cast<int>(menus.arenas.size()) + 1;
  for (int row = menus.first; row < rows && row < menus.first + MENU_LIST_SHOWN; row++) {
    const float top = ROW_TOP + ROW_HEIGHT * (row - menus.first);
    const bool picked = row == menus.picked;
    if (picked) {  // a mark before the picture, which the picture itself cannot carry
      cyan();
      glPrint(6, top + 6, 0, ">");
    }
    if (row == 0) {
      draw_picture(nullptr, top, false);
      yellow();
      glPrint(PICTURE_X + PICTURE_W / 2 - 5, top + 6, 0, "?");
      name_colour(picked);
      glPrint(TEXT_X, top, 0, tr("Nahodna arena"));
      white();
      glPrintScaled(TEXT_X, top + 19, LINE_SCALE, tr("Pre kazdy zapas nahodne vybrata"));
      yellow();
      if (now.any) glPrint(560, top, 0, "*");
      continue;
    }
    const ArenaEntry& e = menus.arenas[row - 1];
    draw_picture(&e, top, !e.usable);
    if (e.usable) {
      name_colour(picked);
      glPrint(TEXT_X, top, 0, shown(e, e.name).c_str());
      white();
    } else {
      grey();
      const std::string name = shown(e, e.name);
      glPrint(TEXT_X, top, 0, name.c_str());
      red();
      glPrintScaled(TEXT_X + 10 * (name.size() + 1), top + 3, LINE_SCALE, e.why.c_str());
      grey();
    }
    glPrintScaled(TEXT_X, top + 19, LINE_SCALE, shown(e, e.line).c_str());
    yellow();
    if (!now.any && now.sector == e.sector && e.sector) glPrint(560, top, 0, "*");
  }
  white();
  glPrint(20, 430, 0, tr("Sipky vyber, Medzernik zvol, Esc spat"));
  yellow();
  glPrint(20, 454, 0, "*");
  white();
  glPrint(40, 454, 0, tr("hra sa teraz"));
  if (lit) glEnable(GL_LIGHTING);
}

// Paints every picture the game loads from Data/ and writes them as 24-bit BMP files.
// Run from the source tree as "make_images Data": the output depends on nothing but this
// file, so a re-run rebuilds the folder byte for byte.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

struct col_t {
  float r, g, b;
};

// One picture, top row first while we paint; the writer flips it to the file's order.
struct image_t {
  int w, h;
  std::vector<col_t> px;
};

// A filled shape: a bounding box and an inside test, both in pixel units (y down).
struct shape_t {
  float x0, y0, x1, y1;
  std::function<bool(float, float)> inside;
};

struct pt_t {
  float x, y;
};

static std::string out_root = "Data";

/*
==============================================================================

COLOURS, NOISE, PAINTING

==============================================================================
*/

// Colours are floats while painting; rgb() takes the usual 0..255 values.
static col_t rgb(int r, int g, int b) {
  return {r / 255.0f, g / 255.0f, b / 255.0f};
}
// From a at t = 0 to b at t = 1.
static col_t mix(col_t a, col_t b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
// Darker (k < 1) or lighter (k > 1).
static col_t scale(col_t a, float k) {
  return {a.r * k, a.g * k, a.b * k};
}
static const col_t WHITE = {1, 1, 1};
static const col_t BLACK = {0, 0, 0};

// A picture filled with one colour.
static image_t image_new(int w, int h, col_t c) {
  return {w, h, std::vector<col_t>(w * h, c)};
}
// One pixel, x from the left, y from the top.
static col_t& at(image_t& im, int x, int y) {
  return im.px[y * im.w + x];
}

// Lattice hash for the textures' grain: fixed, so every run paints the same noise.
static float hash01(int x, int y, std::uint32_t seed) {
  std::uint32_t h =
      (std::uint32_t)x * 0x8da6b343u ^ (std::uint32_t)y * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (h & 0xffffff) / 16777215.0f;
}

// Smooth value noise that repeats every `period` lattice cells, so ground tiles meet seamlessly.
static float noise(float x, float y, int period, std::uint32_t seed) {
  int ix = (int)std::floor(x), iy = (int)std::floor(y);
  float fx = x - ix, fy = y - iy;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  auto v = [&](int a, int b) {
    return hash01(((a % period) + period) % period, ((b % period) + period) % period, seed);
  };
  float top = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * fx;
  float bot = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * fx;
  return top + (bot - top) * fy;
}

// Three octaves of noise over a w-pixel tile, 0..1.
static float grain(float x, float y, int w, int cells, std::uint32_t seed) {
  float sum = 0, amp = 0.5f;
  for (int o = 0; o < 3; o++, cells *= 2, amp *= 0.5f)
    sum += amp * noise(x * cells / w, y * cells / w, cells, seed + o);
  return sum / 0.875f;
}

static std::uint32_t rng = 1;
// A fixed-seed generator for scattering grass blades and the like.
static float frand() {
  rng = rng * 1664525u + 1013904223u;
  return (rng >> 8) / 16777216.0f;
}

// Blends a shape in, anti-aliased by 4 x 4 samples per pixel; colour chosen per pixel.
static void shade(image_t& im, const shape_t& s, const std::function<col_t(float, float)>& colour,
                  float alpha = 1) {
  int x0 = std::max(0, (int)std::floor(s.x0)), x1 = std::min(im.w - 1, (int)std::ceil(s.x1));
  int y0 = std::max(0, (int)std::floor(s.y0)), y1 = std::min(im.h - 1, (int)std::ceil(s.y1));
  for (int y = y0; y <= y1; y++) {
    for (int x = x0; x <= x1; x++) {
      int hits = 0;
      for (int sy = 0; sy < 4; sy++)
        for (int sx = 0; sx < 4; sx++) hits += s.inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
      if (hits) at(im, x, y) = mix(at(im, x, y), colour(x + 0.5f, y + 0.5f), alpha * hits / 16);
    }
  }
}

// Blends a shape in one colour.
static void paint(image_t& im, const shape_t& s, col_t c, float alpha = 1) {
  shade(
      im, s, [c](float, float) { return c; }, alpha);
}

// A round spot.
static shape_t disc(float cx, float cy, float r) {
  return {cx - r, cy - r, cx + r, cy + r,
          [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }};
}

// An upright oval.
static shape_t ellipse(float cx, float cy, float rx, float ry) {
  return {cx - rx, cy - ry, cx + rx, cy + ry, [=](float x, float y) {
            float u = (x - cx) / rx, v = (y - cy) / ry;
            return u * u + v * v <= 1;
          }};
}

// An upright rectangle, x0..x1 by y0..y1.
static shape_t box(float x0, float y0, float x1, float y1) {
  return {x0, y0, x1, y1, [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }};
}

// A stroke of radius r from a to b with round ends.
static shape_t capsule(pt_t a, pt_t b, float r) {
  return {std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r,
          std::max(a.y, b.y) + r, [=](float x, float y) {
            float dx = b.x - a.x, dy = b.y - a.y, len = dx * dx + dy * dy;
            float t = len > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len : 0;
            t = std::min(1.0f, std::max(0.0f, t));
            float ex = a.x + t * dx - x, ey = a.y + t * dy - y;
            return ex * ex + ey * ey <= r * r;
          }};
}

// Any polygon, filled even-odd.
static shape_t poly(std::vector<pt_t> p) {
  shape_t s = {1e9f, 1e9f, -1e9f, -1e9f, nullptr};
  for (pt_t q : p) {
    s.x0 = std::min(s.x0, q.x), s.y0 = std::min(s.y0, q.y);
    s.x1 = std::max(s.x1, q.x), s.y1 = std::max(s.y1, q.y);
  }
  s.inside = [p](float x, float y) {
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
      if ((p[i].y > y) != (p[j].y > y) &&
          x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
        in = !in;
    return in;
  };
  return s;
}

// The part of a that lies inside b.
static shape_t both(const shape_t& a, const shape_t& b) {
  auto ia = a.inside, ib = b.inside;
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1),
          [ia, ib](float x, float y) { return ia(x, y) && ib(x, y); }};
}

// The part of a that lies outside b.
static shape_t cut(const shape_t& a, const shape_t& b) {
  auto ia = a.inside, ib = b.inside;
  return {a.x0, a.y0, a.x1, a.y1, [ia, ib](float x, float y) { return ia(x, y) && !ib(x, y); }};
}

// A smooth stroke through points, thickness from r0 at the start to r1 at the end.
static void stroke(image_t& im, const std::vector<pt_t>& p, float r0, float r1, col_t c) {
  for (size_t i = 0; i + 1 < p.size(); i++) {
    float t = p.size() > 2 ? (float)i / (p.size() - 2) : 0;
    paint(im, capsule(p[i], p[i + 1], r0 + (r1 - r0) * t), c);
  }
}

// Rotates a picture a quarter turn clockwise.
static image_t rot90(const image_t& in) {
  image_t out = image_new(in.h, in.w, BLACK);
  for (int y = 0; y < in.h; y++)
    for (int x = 0; x < in.w; x++) at(out, in.h - 1 - y, x) = in.px[y * in.w + x];
  return out;
}

// Mirrors a picture left to right.
static image_t flip(const image_t& in) {
  image_t out = in;
  for (int y = 0; y < in.h; y++)
    for (int x = 0; x < in.w; x++) at(out, x, y) = in.px[y * in.w + in.w - 1 - x];
  return out;
}

// A light frame round the edge; its corner texels tint outlines drawn with this image bound.
static void frame(image_t& im, col_t c, int width) {
  for (int y = 0; y < im.h; y++)
    for (int x = 0; x < im.w; x++)
      if (x < width || y < width || x >= im.w - width || y >= im.h - width) at(im, x, y) = c;
}

/*
==============================================================================

BMP WRITER

==============================================================================
*/

// Appends a little-endian field of n bytes.
static void put(std::vector<std::uint8_t>& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; i++) b.push_back(v >> 8 * i & 255);
}

// One colour channel as the file stores it.
static std::uint8_t byte(float v) {
  v = std::min(1.0f, std::max(0.0f, v));
  return (std::uint8_t)std::lround(v * 255);
}

// Writes a picture as an uncompressed 24-bit BMP with the "BM" header, bottom row first.
static void write_bmp(const image_t& im, const std::string& name) {
  const std::uint32_t stride = (im.w * 3 + 3) / 4 * 4, offset = 14 + 40;
  std::vector<std::uint8_t> b = {'B', 'M'};
  put(b, offset + stride * im.h, 4);
  put(b, 0, 4);
  put(b, offset, 4);
  put(b, 40, 4), put(b, im.w, 4), put(b, im.h, 4), put(b, 1, 2), put(b, 24, 2);
  put(b, 0, 4), put(b, stride * im.h, 4), put(b, 2835, 4), put(b, 2835, 4), put(b, 0, 4),
      put(b, 0, 4);
  for (int y = im.h - 1; y >= 0; y--) {
    for (int x = 0; x < im.w; x++) {
      const col_t& c = im.px[y * im.w + x];
      b.push_back(byte(c.b)), b.push_back(byte(c.g)), b.push_back(byte(c.r));
    }
    for (int i = im.w * 3; i < (int)stride; i++) b.push_back(0);
  }
  std::string path = out_root + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(b.data(), 1, b.size(), f) != b.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "make_images: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

/*
==============================================================================

WEAPONS

==============================================================================
*/

static const col_t GOLD = rgb(222, 178, 64);
static const col_t STEEL = rgb(196, 204, 214);

// The dark tile a weapon lies on, on the ground and in the status panel.
static image_t item_plate() {
  image_t im = image_new(64, 64, BLACK);
  shade(im, box(0, 0, 64, 64), [](float x, float y) {
    float d = std::sqrt((x - 32) * (x - 32) + (y - 30) * (y - 30)) / 45;
    float g = 0.85f + 0.15f * grain(x, y, 64, 4, 71);
    return scale(mix(rgb(78, 66, 52), rgb(30, 25, 21), d), g);
  });
  frame(im, rgb(104, 88, 66), 1);
  return im;
}

// The sword, weapon id 0: point to the upper right, hilt to the lower left.
static image_t pic_sword() {
  image_t im = item_plate();
  const pt_t d = {0.7071f, -0.7071f}, n = {0.7071f, 0.7071f};
  auto along = [&](pt_t o, float u, float v) {
    return pt_t{o.x + d.x * u + n.x * v, o.y + d.y * u + n.y * v};
  };
  const pt_t g = {22, 42};
  // Blade in two tones so the ridge catches the light.
  paint(im, poly({along(g, 0, -4.2f), along(g, 36, -3.4f), along(g, 45, 0), along(g, 0, 0)}),
        STEEL);
  paint(im, poly({along(g, 0, 0), along(g, 45, 0), along(g, 36, 3.4f), along(g, 0, 4.2f)}),
        rgb(128, 138, 152));
  paint(im, capsule(along(g, 3, 0), along(g, 30, 0), 0.6f), rgb(90, 98, 110));
  // Guard, grip with its leather wrap, pommel.
  paint(im, capsule(along(g, 0, -10), along(g, 0, 10), 2.3f), scale(GOLD, 0.75f));
  paint(im, capsule(along(g, -0.6f, -9), along(g, -0.6f, 9), 1.2f), GOLD);
  paint(im, capsule(along(g, -2, 0), along(g, -13, 0), 2.6f), rgb(92, 52, 28));
  for (float u = -4; u > -13; u -= 2.5f)
    paint(im, capsule(along(g, u, -2.4f), along(g, u - 1.2f, 2.4f), 0.6f), rgb(60, 32, 16));
  pt_t p = along(g, -16, 0);
  paint(im, disc(p.x, p.y, 3.8f), scale(GOLD, 0.7f));
  paint(im, disc(p.x - 0.6f, p.y - 0.6f, 2.6f), GOLD);
  paint(im, disc(p.x - 1.3f, p.y - 1.3f, 0.9f), rgb(255, 240, 190));
  return im;
}

// An arrow lying along direction d from the nock at a, for the bows and the quiver.
static void lying_arrow(image_t& im, pt_t a, pt_t d, float len, col_t head) {
  pt_t n = {-d.y, d.x};
  auto at2 = [&](float u, float v) {
    return pt_t{a.x + d.x * u + n.x * v, a.y + d.y * u + n.y * v};
  };
  paint(im, capsule(at2(0, 0), at2(len - 4, 0), 0.9f), rgb(214, 170, 110));
  paint(im, poly({at2(len - 6, -2.6f), at2(len, 0), at2(len - 6, 2.6f)}), head);
  paint(im, poly({at2(1, 0), at2(7, 0), at2(3, 3)}), rgb(200, 40, 40));
  paint(im, poly({at2(1, 0), at2(7, 0), at2(3, -3)}), rgb(236, 230, 220));
}

// A nocked arrow pointing up the tile, from its nock at (x, nock) to its point at (x, tip).
static void nocked_arrow(image_t& im, float x, float nock, float tip, col_t head) {
  paint(im, capsule({x, nock}, {x, tip + 6}, 1.1f), rgb(236, 206, 150));
  paint(im, poly({{x - 3.6f, tip + 8}, {x, tip}, {x + 3.6f, tip + 8}, {x, tip + 6.5f}}), head);
  paint(im, poly({{x, tip}, {x + 3.6f, tip + 8}, {x, tip + 6.5f}}), scale(head, 0.7f));
  paint(im,
        poly({{x - 0.6f, nock - 2},
              {x - 3.4f, nock + 0.5f},
              {x - 3.4f, nock - 4},
              {x - 0.6f, nock - 7.5f}}),
        rgb(214, 40, 40));
  paint(im,
        poly({{x + 0.6f, nock - 2},
              {x + 3.4f, nock + 0.5f},
              {x + 3.4f, nock - 4},
              {x + 0.6f, nock - 7.5f}}),
        rgb(246, 242, 232));
}

// How each bow looks: it tells a player at a glance which pattern it fires.
struct bow_look_t {
  col_t plate_light, plate_dark;  // the tile, coloured per bow
  col_t wood, grip, tips;
  float span, rise, thick;  // half the width from tip to tip, bend, limb radius
  float recurve;            // how far the tips flick forward (0: a plain arc)
  int arrows;               // nocked side by side
  bool tandem;              // a second arrow on the same line ahead of the first
};

// Bow ids 1 to 4: a pale short bow with one arrow, a long bow with two arrows one behind the
// other, a blue recurve with two arrows side by side and a heavy black war bow with three.
static const bow_look_t bow_looks[5] = {
    {},
    {rgb(96, 80, 60), rgb(36, 30, 24), rgb(232, 196, 128), rgb(120, 76, 40), rgb(232, 196, 128), 15,
     6, 1.6f, 0, 1, false},
    {rgb(44, 96, 44), rgb(14, 34, 14), rgb(214, 130, 52), rgb(90, 52, 24), rgb(240, 236, 220), 29,
     9, 2.0f, 0, 1, true},
    {rgb(44, 66, 124), rgb(12, 18, 40), rgb(150, 196, 246), rgb(40, 40, 52), rgb(230, 236, 250), 22,
     8, 2.1f, 7, 2, false},
    {rgb(150, 36, 30), rgb(40, 10, 10), rgb(30, 26, 26), rgb(222, 178, 64), GOLD, 28, 9, 3.3f, 4, 3,
     false},
};

// One bow on its tile, limbs across, its arrows ready to fly up the tile.
static image_t pic_bow(int id) {
  const bow_look_t& b = bow_looks[id];
  image_t im = image_new(64, 64, BLACK);
  shade(im, box(0, 0, 64, 64), [&b](float x, float y) {
    float d = std::sqrt((x - 32) * (x - 32) + (y - 30) * (y - 30)) / 45;
    float g = 0.85f + 0.15f * grain(x, y, 64, 4, 71);
    return scale(mix(b.plate_light, b.plate_dark, d), g);
  });
  frame(im, mix(b.plate_light, WHITE, 0.25f), 1);
  // The limbs bend back from the grip; a recurve's tips flick forward again.
  const float cx = 32, grip_y = 40;
  auto limb_y = [&](float u) {
    float t = std::fabs(u) / b.span, y = grip_y + b.rise * t * t;
    if (t > 0.7f) y -= b.recurve * (t - 0.7f) / 0.3f * (t - 0.7f) / 0.3f * 1.6f;
    return y;
  };
  const float tip_y = limb_y(b.span), nock_y = 55;
  // Arrows first, so the bow lies over their shafts; the string runs to the nock.
  const float gap = b.arrows == 3 ? 9.5f : 12;
  for (int i = 0; i < b.arrows; i++) {
    float x = cx + (i - (b.arrows - 1) / 2.0f) * gap;
    nocked_arrow(im, x, nock_y, b.tandem ? 31 : 7, id == 4 ? GOLD : STEEL);
  }
  if (b.tandem) nocked_arrow(im, cx, 26, 3, STEEL);
  for (int s = -1; s <= 1; s += 2)
    paint(im, capsule({cx + s * b.span, tip_y}, {cx, nock_y}, 0.6f), rgb(240, 236, 222));
  for (int s = -1; s <= 1; s += 2) {
    std::vector<pt_t> p, q;
    for (int i = 0; i <= 20; i++) {
      float u = s * b.span * i / 20.0f;
      p.push_back({cx + u, limb_y(u)});
      q.push_back({cx + u, limb_y(u) - b.thick * 0.5f});
    }
    stroke(im, p, b.thick + 0.9f, b.thick * 0.6f + 0.9f, scale(b.wood, 0.45f));  // outline
    stroke(im, p, b.thick, b.thick * 0.6f, b.wood);
    stroke(im, q, b.thick * 0.3f, b.thick * 0.2f, mix(b.wood, WHITE, 0.45f));
    paint(im, disc(cx + s * b.span, tip_y, b.thick * 0.5f + 1.2f), b.tips);
    if (id == 4)
      for (float t : {0.35f, 0.7f}) {
        float u = s * b.span * t;
        paint(im, capsule({cx + u, limb_y(u) - 3.5f}, {cx + u, limb_y(u) + 3.5f}, 1.0f), GOLD);
      }
  }
  paint(im, box(cx - 3.5f, grip_y - b.thick - 1.2f, cx + 3.5f, grip_y + b.thick + 1.2f), b.grip);
  return im;
}

// A quiver full of arrows: loaded with the others though the game never shows it.
static image_t pic_quiver() {
  image_t im = item_plate();
  const pt_t d = {0.5f, -0.866f};
  for (int i = -1; i <= 1; i++) lying_arrow(im, {30.0f + 3 * i, 50.0f + i}, d, 44, STEEL);
  shade(im, poly({{16, 50}, {30, 20}, {44, 28}, {30, 58}}),
        [](float x, float) { return mix(rgb(150, 92, 46), rgb(84, 48, 22), (x - 16) / 30); });
  paint(im, capsule({23, 35}, {37, 43}, 2.2f), rgb(60, 36, 18));
  paint(im, capsule({18, 47}, {32, 55}, 1.8f), rgb(60, 36, 18));
  paint(im, capsule({23, 35}, {37, 43}, 0.8f), GOLD);
  return im;
}

/*
==============================================================================

AVATARS

==============================================================================
*/

static const col_t SKIN = rgb(236, 188, 150);
static const col_t HAIR = rgb(96, 60, 32);
static const col_t EYE = rgb(44, 28, 18);

// The six avatar colours, 1 to 6.
static col_t avatar_colour(int c) {
  static const int tab[7][3] = {{0, 0, 0},      {206, 40, 40},  {44, 92, 214}, {46, 160, 64},
                                {232, 196, 40}, {148, 64, 196}, {36, 186, 196}};
  return rgb(tab[c][0], tab[c][1], tab[c][2]);
}

// Lit from the upper left: lighter there, darker to the lower right.
static std::function<col_t(float, float)> lit(col_t c, float cx, float cy, float r) {
  return [=](float x, float y) {
    float t = ((x - cx) + (y - cy)) / (2 * r);
    return scale(c, 1.0f - 0.35f * std::max(-1.0f, std::min(1.0f, t)));
  };
}

// What every side of the body shares: the cloak behind, the shoulders below.
static image_t avatar_base(col_t c, float shoulder_x) {
  image_t im = image_new(64, 64, scale(c, 0.32f));
  shade(im, ellipse(shoulder_x, 72, 34, 30), lit(scale(c, 0.8f), shoulder_x, 60, 30));
  return im;
}

// The front: a hooded face looking out, the quiver strap across the chest.
static image_t pic_front(int c) {
  col_t k = avatar_colour(c);
  image_t im = avatar_base(k, 32);
  paint(im, capsule({14, 46}, {48, 68}, 2.6f), rgb(104, 64, 32));
  paint(im, poly({{24, 46}, {32, 58}, {40, 46}}), scale(k, 0.55f));
  paint(im, disc(32, 55, 2.6f), GOLD);
  shade(im, ellipse(32, 28, 21, 24), lit(k, 32, 28, 22));
  paint(im, ellipse(32, 31, 14.5f, 17), scale(k, 0.28f));
  shape_t face = ellipse(32, 32.5f, 11.5f, 13.5f);
  shade(im, face, lit(SKIN, 32, 32, 20));
  paint(im, both(ellipse(32, 19.5f, 12.5f, 6.5f), face), HAIR);
  for (int s = -1; s <= 1; s += 2) {
    float ex = 32 + s * 4.6f;
    paint(im, ellipse(ex, 31.5f, 2.7f, 1.9f), WHITE);
    paint(im, disc(ex, 31.6f, 1.4f), EYE);
    paint(im, capsule({ex - 2.4f, 28.0f - 0.3f * s}, {ex + 2.4f, 28.0f + 0.3f * s}, 0.75f), HAIR);
    paint(im, disc(32 + s * 6.5f, 37, 2.2f), rgb(236, 150, 130), 0.45f);
  }
  paint(im, capsule({32, 32}, {31, 36.5f}, 1.1f), scale(SKIN, 0.82f));
  paint(im, capsule({29.2f, 40.5f}, {34.8f, 40.5f}, 0.75f), rgb(150, 62, 58));
  frame(im, mix(k, WHITE, 0.6f), 2);
  return im;
}

// Arrows showing over the shoulder from a quiver whose top is at q.
static void fletchings(image_t& im, pt_t q) {
  paint(im, capsule({q.x - 3, q.y + 1}, {q.x + 3, q.y - 4}, 2.0f), rgb(200, 40, 40));
  paint(im, capsule({q.x - 1, q.y + 2}, {q.x + 5, q.y - 2}, 1.8f), rgb(236, 230, 220));
  paint(im, capsule({q.x + 1, q.y + 3}, {q.x + 7, q.y + 0}, 1.8f), rgb(200, 40, 40));
}

// The back: the hood from behind with its seam, the quiver across the back.
static image_t pic_back(int c) {
  col_t k = avatar_colour(c);
  image_t im = avatar_base(k, 32);
  paint(im, capsule({20, 64}, {46, 38}, 5.5f), rgb(74, 44, 20));
  paint(im, capsule({20, 64}, {46, 38}, 4.5f), rgb(128, 80, 40));
  paint(im, capsule({35, 49}, {39, 53}, 1.2f), GOLD);
  shade(im, ellipse(32, 28, 21, 24), lit(k, 32, 28, 22));
  paint(im, poly({{32, 2}, {27, 12}, {37, 12}}), k);
  paint(im, capsule({32, 5}, {32, 50}, 0.8f), scale(k, 0.6f));
  paint(im, poly({{26, 48}, {32, 60}, {38, 48}}), scale(k, 0.75f));
  fletchings(im, {48, 35});
  frame(im, mix(k, WHITE, 0.6f), 2);
  return im;
}

// The left side: the face in profile looking left, the quiver on the back at the right.
static image_t pic_left(int c) {
  col_t k = avatar_colour(c);
  image_t im = avatar_base(k, 36);
  paint(im, capsule({44, 64}, {50, 38}, 5.5f), rgb(74, 44, 20));
  paint(im, capsule({44, 64}, {50, 38}, 4.5f), rgb(128, 80, 40));
  shade(im, ellipse(36, 28, 20, 24), lit(k, 36, 28, 22));
  paint(im, poly({{38, 2}, {31, 12}, {43, 10}}), k);
  shape_t face = poly({{25, 16},
                       {20, 20},
                       {18, 26},
                       {17, 30},
                       {12.5f, 35.5f},
                       {16, 37.5f},
                       {16.5f, 40},
                       {15.8f, 42},
                       {17.5f, 44},
                       {19, 47},
                       {25, 49},
                       {30, 46},
                       {31, 30},
                       {30, 18}});
  shade(im, face, lit(SKIN, 22, 32, 16));
  paint(im, both(poly({{20, 18}, {31, 15}, {31, 23}, {23, 24}, {19, 22}}), face), HAIR);
  stroke(im, {{24, 13}, {29, 17}, {32, 26}, {32.5f, 36}, {31, 46}, {27, 51}}, 2.6f, 2.2f,
         scale(k, 0.72f));
  paint(im, ellipse(21.5f, 30.5f, 2.0f, 1.7f), WHITE);
  paint(im, disc(20.6f, 30.6f, 1.2f), EYE);
  paint(im, capsule({19, 27.2f}, {24, 27.6f}, 0.7f), HAIR);
  paint(im, capsule({16.8f, 42.2f}, {20.5f, 41.8f}, 0.6f), rgb(150, 62, 58));
  paint(im, capsule({15.5f, 36}, {17.5f, 37}, 0.5f), scale(SKIN, 0.75f));
  fletchings(im, {52, 33});
  frame(im, mix(k, WHITE, 0.6f), 2);
  return im;
}

// The top: a hooded archer seen from above, looking up the tile with his bow drawn.
static image_t pic_top(int c) {
  col_t k = avatar_colour(c), edge = scale(k, 0.22f);
  image_t im = image_new(64, 64, scale(k, 0.4f));
  // The quiver slung across the back, fletchings at its mouth by the right shoulder.
  paint(im, capsule({42, 40}, {48, 57}, 3.8f), rgb(60, 34, 16));
  paint(im, capsule({42, 40}, {48, 57}, 2.8f), rgb(150, 96, 48));
  // Shoulders under the cloak, outlined so the hood stands out from them.
  paint(im, ellipse(32, 38, 23, 11), edge);
  shade(im, ellipse(32, 38, 21.8f, 9.8f), lit(scale(k, 0.8f), 32, 38, 22));
  paint(im, capsule({40, 37}, {43, 33}, 1.8f), rgb(214, 40, 40));
  paint(im, capsule({43, 38}, {46, 34}, 1.8f), rgb(246, 242, 232));
  // The bow ahead, its string pulled back to the right hand beside the face.
  std::vector<pt_t> arc;
  for (int i = 0; i <= 16; i++) {
    float t = (i - 8) / 8.0f;
    arc.push_back({32 + 18 * t, 15 - 7 * (1 - t * t)});
  }
  paint(im, capsule(arc.front(), {37, 25}, 0.55f), rgb(240, 236, 222));
  paint(im, capsule(arc.back(), {37, 25}, 0.55f), rgb(240, 236, 222));
  stroke(im, arc, 2.1f, 1.6f, rgb(110, 64, 28));
  paint(im, capsule({37, 25}, {35.5f, 4}, 0.9f), rgb(236, 206, 150));
  paint(im, poly({{33, 6}, {35.3f, 1}, {38, 6}}), STEEL);
  // Arms in the cloak's sleeves: the left straight out to the grip, the right drawing.
  for (float r : {3.4f, 2.5f}) {
    col_t sleeve = r > 3 ? edge : scale(k, 0.7f);
    paint(im, capsule({15, 35}, {31, 12}, r), sleeve);
    paint(im, capsule({49, 35}, {38, 26}, r), sleeve);
  }
  paint(im, disc(32, 9.5f, 2.8f), SKIN);
  paint(im, disc(37.5f, 25.5f, 2.6f), SKIN);
  // The hood: its peak hangs down the back, folds run back from the brow, and the face
  // shows only as a nose in the opening at the front.
  paint(im, poly({{26, 38}, {32, 51}, {38, 38}}), edge);
  paint(im, poly({{27.5f, 38}, {32, 48.5f}, {36.5f, 38}}), scale(k, 0.75f));
  paint(im, disc(32, 33, 11.5f), edge);
  shade(im, disc(32, 33, 10.3f), lit(k, 32, 33, 11));
  paint(im, both(ellipse(32, 23.5f, 6.5f, 4.5f), disc(32, 33, 10.3f)), scale(k, 0.25f));
  paint(im, ellipse(32, 23.2f, 2.2f, 2.6f), SKIN);
  for (int s = -1; s <= 1; s += 2)
    paint(im, capsule({32 + s * 4.5f, 28.5f}, {32 + s * 6.0f, 41}, 0.6f), scale(k, 0.6f));
  paint(im, disc(28.5f, 30, 2.4f), mix(k, WHITE, 0.35f));
  frame(im, mix(k, WHITE, 0.6f), 2);
  return im;
}

/*
==============================================================================

ARROWS IN FLIGHT

==============================================================================
*/

// Arrow backgrounds match the grass as the green tint shows it, so an arrow reads on the
// field as a shaft and not as a card. Only the 2 x 2 corners of n_hore are one light colour:
// they tint the frame round "Time".
static const col_t ARROW_GROUND = rgb(0, 118, 0);
static const col_t CORNER = rgb(150, 232, 150);
static const col_t FEATHER = rgb(214, 38, 38);

// The grass-like ground behind an arrow picture.
static image_t arrow_ground() {
  image_t im = image_new(64, 64, BLACK);
  shade(im, box(0, 0, 64, 64), [](float x, float y) {
    return scale(ARROW_GROUND, 0.85f + 0.3f * grain(x, y, 64, 8, 17));
  });
  return im;
}

// An arrow pointing up. Drawn wide: the game squeezes it onto a stick 0.2 wide and 0.5 long,
// five times narrower and twice shorter than the picture.
static image_t pic_arrow_up() {
  image_t im = arrow_ground();
  // Fletching: three vanes (two spread, one on top down the shaft), then the nock.
  paint(im, poly({{27, 40}, {4, 50}, {4, 63}, {27, 56}}), FEATHER);
  paint(im, poly({{37, 40}, {60, 50}, {60, 63}, {37, 56}}), FEATHER);
  paint(im, poly({{27, 46}, {4, 55}, {4, 57}, {27, 50}}), rgb(250, 246, 236));
  paint(im, poly({{37, 46}, {60, 55}, {60, 57}, {37, 50}}), rgb(250, 246, 236));
  // The shaft, rounded by its shading.
  shade(im, box(25, 14, 39, 62), [](float x, float) {
    return mix(rgb(236, 196, 128), rgb(140, 92, 44), std::fabs(x - 30) / 9);
  });
  paint(im, box(29, 42, 35, 60), rgb(246, 242, 232));
  paint(im, box(25, 60, 39, 64), rgb(70, 42, 20));
  // A broad steel head, lit on its left half.
  paint(im, poly({{32, 0}, {62, 22}, {40, 17}, {24, 17}, {2, 22}}), rgb(96, 104, 118));
  paint(im, poly({{32, 0}, {2, 22}, {24, 17}, {32, 17}}), rgb(214, 222, 232));
  for (int y : {0, 1, 62, 63})
    for (int x : {0, 1, 62, 63}) at(im, x, y) = CORNER;
  return im;
}

// The leading end seen head-on: a four-sided steel point.
static image_t pic_arrow_head() {
  image_t im = arrow_ground();
  paint(im, disc(32, 32, 30), rgb(150, 104, 56));
  const pt_t c = {32, 32};
  const pt_t e[4] = {{32, 5}, {59, 32}, {32, 59}, {5, 32}};
  const col_t facet[4] = {rgb(232, 236, 242), rgb(150, 158, 170), rgb(92, 98, 110),
                          rgb(190, 196, 206)};
  for (int i = 0; i < 4; i++) paint(im, poly({c, e[i], e[(i + 1) % 4]}), facet[i]);
  paint(im, disc(32, 32, 2.2f), WHITE);
  return im;
}

// The trailing end seen head-on: three vanes round the nock.
static image_t pic_arrow_tail() {
  image_t im = arrow_ground();
  for (int i = 0; i < 3; i++) {
    float a = -1.5708f + i * 2.0944f;
    pt_t d = {std::cos(a), std::sin(a)}, n = {-d.y, d.x};
    auto p = [&](float u, float v) { return pt_t{32 + d.x * u + n.x * v, 32 + d.y * u + n.y * v}; };
    paint(im, poly({p(4, -5.5f), p(30, -4), p(30, 4), p(4, 5.5f)}), rgb(110, 28, 28));
    paint(im, poly({p(5, -4.5f), p(29, -3), p(29, 3), p(5, 4.5f)}),
          i == 0 ? rgb(244, 240, 232) : FEATHER);
    if (i) paint(im, capsule(p(6, 0), p(28, 0), 0.6f), rgb(120, 30, 30));
  }
  paint(im, disc(32, 32, 7), rgb(150, 104, 56));
  paint(im, disc(32, 32, 5.5f), rgb(196, 146, 84));
  paint(im, capsule({27, 32}, {37, 32}, 1.2f), rgb(60, 36, 18));
  return im;
}

/*
==============================================================================

WORLD AND FLAG

==============================================================================
*/

// Grass, seamless across tiles. The ground is drawn tinted pure green, so the picture lives in
// the green channel: tufts of blades lit and shaded over a mottled ground. Every stroke wraps
// round the tile's edges, and what remains of the mean of each row and column is taken out at
// the end, so the tiles show no bands.
static image_t pic_grass() {
  image_t im = image_new(64, 64, BLACK);
  shade(im, box(0, 0, 64, 64), [](float x, float y) {
    float g = grain(x, y, 64, 4, 11) * 0.6f + grain(x, y, 64, 16, 12) * 0.4f;
    return mix(rgb(30, 84, 20), rgb(80, 150, 44), g);
  });
  rng = 4242;
  for (int i = 0; i < 260; i++) {
    float x = frand() * 64, y = frand() * 64, len = 2.5f + frand() * 5;
    float a = (frand() - 0.5f) * 1.4f;  // lean, radians from straight up
    float light = frand();
    col_t c = light < 0.45f ? rgb(40, 64, 18) : mix(rgb(96, 172, 56), rgb(150, 226, 92), light);
    for (int oy = -64; oy <= 64; oy += 64)
      for (int ox = -64; ox <= 64; ox += 64)
        paint(im,
              capsule({x + ox, y + oy}, {x + ox + len * std::sin(a), y + oy - len * std::cos(a)},
                      0.5f),
              c, 0.85f);
  }
  float mean = 0, row[64] = {}, col[64] = {};
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      float g = at(im, x, y).g;
      mean += g / 4096, row[y] += g / 64, col[x] += g / 64;
    }
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      col_t& p = at(im, x, y);
      float k = (p.g + 2 * mean - row[y] - col[x]) / std::max(p.g, 0.01f);
      p = scale(p, k);
    }
  return im;
}

// Stone blocks in courses, for the buildings; seamless on every face of a cube.
static image_t pic_stone() {
  image_t im = image_new(64, 64, rgb(150, 146, 132));
  for (int row = 0; row < 4; row++) {
    for (int k = -1; k < 2; k++) {
      float x0 = k * 32 + (row % 2) * 16, y0 = row * 16.0f;
      std::uint32_t seed = (std::uint32_t)(row * 8 + ((k + 2) % 2) + 100);
      float tone = 0.8f + 0.25f * hash01(row, (k + 2) % 2, 5);
      for (int ox = -64; ox <= 64; ox += 64) {
        float a = x0 + ox + 1, b = y0 + 1;
        shade(im, box(a, b, a + 30, b + 14), [=](float x, float y) {
          float g = 0.8f + 0.3f * grain(x, y, 64, 8, seed);
          return scale(rgb(128, 118, 106), tone * g);
        });
        paint(im, box(a, b, a + 30, b + 1), rgb(186, 178, 160));
        paint(im, box(a, b, a + 1, b + 14), rgb(170, 162, 146));
        paint(im, box(a, b + 13, a + 30, b + 14), rgb(74, 68, 60));
        paint(im, box(a + 29, b, a + 30, b + 14), rgb(84, 78, 68));
      }
    }
  }
  return im;
}

// Wooden planks with their grain: a wall picture loaded beside the others.
static image_t pic_planks() {
  image_t im = image_new(64, 64, BLACK);
  shade(im, box(0, 0, 64, 64), [](float x, float y) {
    int plank = (int)x / 16;
    float g = grain(x * 4, y, 64, 8, 30 + plank);
    return scale(mix(rgb(104, 70, 38), rgb(160, 112, 62), g), 0.85f + 0.1f * (plank % 2));
  });
  for (int p = 0; p < 4; p++) {
    paint(im, box(p * 16.0f, 0, p * 16.0f + 1, 64), rgb(56, 36, 20));
    float ny = 10 + 40 * hash01(p, 1, 9);
    paint(im, disc(p * 16 + 8.0f, ny, 2.2f), rgb(70, 46, 24));
    paint(im, disc(p * 16 + 8.0f, ny + 30 > 64 ? ny - 30 : ny + 30, 1.3f), rgb(60, 60, 64));
  }
  return im;
}

// The banner behind the menus: crimson cloth, gold border, crossed arrows under a bow.
static image_t pic_flag() {
  image_t im = image_new(256, 256, BLACK);
  shade(im, box(0, 0, 256, 256), [](float x, float y) {
    float weave = 0.92f + 0.08f * hash01((int)x, (int)y, 3) + 0.04f * ((int)x % 2 ^ (int)y % 2);
    return scale(mix(rgb(150, 26, 32), rgb(96, 14, 22), y / 256), weave);
  });
  paint(im, cut(box(8, 8, 248, 248), box(16, 16, 240, 240)), GOLD);
  paint(im, cut(box(22, 22, 234, 234), box(25, 25, 231, 231)), scale(GOLD, 0.85f));
  paint(im, disc(128, 128, 78), scale(GOLD, 0.9f));
  shade(im, disc(128, 128, 72), [](float x, float y) {
    return mix(rgb(28, 42, 96), rgb(12, 20, 52), ((x - 128) + (y - 128)) / 200 + 0.5f);
  });
  for (int s = -1; s <= 1; s += 2) {
    pt_t a = {128 - s * 46.0f, 176}, b = {128 + s * 46.0f, 80};
    float dx = b.x - a.x, dy = b.y - a.y, l = std::sqrt(dx * dx + dy * dy);
    pt_t d = {dx / l, dy / l}, n = {-d.y, d.x};
    auto p = [&](float u, float v) {
      return pt_t{a.x + d.x * u + n.x * v, a.y + d.y * u + n.y * v};
    };
    paint(im, capsule(p(0, 0), p(l - 14, 0), 2.4f), rgb(236, 228, 206));
    paint(im, poly({p(l - 18, -8), p(l + 4, 0), p(l - 18, 8), p(l - 13, 0)}), GOLD);
    for (int side = -1; side <= 1; side += 2)
      paint(im, poly({p(2, 0), p(20, 0), p(10, 9.0f * side), p(-6, 9.0f * side)}),
            rgb(236, 228, 206));
  }
  std::vector<pt_t> arc;
  for (int i = 0; i <= 24; i++) {
    float a = 3.14159f * (0.15f + 0.7f * i / 24);
    arc.push_back({128 - 52 * std::cos(a), 140 - 52 * std::sin(a)});
  }
  stroke(im, arc, 4.5f, 4.5f, GOLD);
  paint(im, capsule(arc.front(), arc.back(), 1.2f), rgb(236, 228, 206));
  paint(im, disc(128, 128, 6), GOLD);
  for (int i = 0; i < 4; i++) {
    float cx = i % 2 ? 220.0f : 36.0f, cy = i / 2 ? 220.0f : 36.0f;
    paint(im, poly({{cx, cy - 7}, {cx + 7, cy}, {cx, cy + 7}, {cx - 7, cy}}), GOLD);
  }
  return im;
}

/*
==============================================================================

GLYPH SHEET

==============================================================================
*/

// Characters 32 to 126, 8 pixels wide and 14 rows high, top row first, leftmost pixel in
// the high bit. Converted once from the public-domain X11 "misc-fixed" 9x15 bold font
// (see FONT_LICENSE.md); the font's blank top row is dropped.
static const std::uint8_t glyphs[95][14] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // space
    {0x00, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x00, 0x18, 0x00, 0x00, 0x00},  // !
    {0x00, 0x36, 0x36, 0x36, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // "
    {0x00, 0x00, 0x36, 0x36, 0x7f, 0x36, 0x36, 0x7f, 0x36, 0x36, 0x00, 0x00, 0x00, 0x00},  // #
    {0x00, 0x08, 0x3e, 0x6b, 0x68, 0x78, 0x3e, 0x0f, 0x0b, 0x6b, 0x3e, 0x08, 0x00, 0x00},  // $
    {0x00, 0x43, 0xe6, 0xe6, 0x4c, 0x18, 0x18, 0x32, 0x67, 0x67, 0xc2, 0x00, 0x00, 0x00},  // %
    {0x00, 0x38, 0x6c, 0x6c, 0x78, 0x30, 0x79, 0xcf, 0xc6, 0xce, 0x7b, 0x00, 0x00, 0x00},  // &
    {0x00, 0x18, 0x18, 0x18, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '
    {0x06, 0x0c, 0x18, 0x18, 0x30, 0x30, 0x30, 0x30, 0x18, 0x18, 0x0c, 0x06, 0x00, 0x00},  // (
    {0x30, 0x18, 0x0c, 0x0c, 0x06, 0x06, 0x06, 0x06, 0x0c, 0x0c, 0x18, 0x30, 0x00, 0x00},  // )
    {0x00, 0x00, 0x00, 0x00, 0x36, 0x1c, 0x7f, 0x1c, 0x36, 0x00, 0x00, 0x00, 0x00, 0x00},  // *
    {0x00, 0x00, 0x00, 0x18, 0x18, 0x18, 0xff, 0x18, 0x18, 0x18, 0x00, 0x00, 0x00, 0x00},  // +
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1c, 0x1c, 0x0c, 0x0c, 0x18},  // ,
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // -
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x18, 0x3c, 0x18, 0x00, 0x00},  // .
    {0x00, 0x03, 0x06, 0x06, 0x0c, 0x18, 0x18, 0x30, 0x60, 0x60, 0xc0, 0x00, 0x00, 0x00},  // /
    {0x00, 0x18, 0x3c, 0x66, 0xc3, 0xc3, 0xc3, 0xc3, 0x66, 0x3c, 0x18, 0x00, 0x00, 0x00},  // 0
    {0x00, 0x18, 0x38, 0x78, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x7e, 0x00, 0x00, 0x00},  // 1
    {0x00, 0x3c, 0x66, 0xc3, 0x03, 0x06, 0x0c, 0x18, 0x30, 0x60, 0xff, 0x00, 0x00, 0x00},  // 2
    {0x00, 0x7c, 0xc6, 0x03, 0x06, 0x1c, 0x06, 0x03, 0x03, 0xc6, 0x7c, 0x00, 0x00, 0x00},  // 3
    {0x00, 0x06, 0x0e, 0x1e, 0x36, 0x66, 0xc6, 0xff, 0x06, 0x06, 0x06, 0x00, 0x00, 0x00},  // 4
    {0x00, 0xfe, 0xc0, 0xc0, 0xdc, 0xe6, 0x03, 0x03, 0xc3, 0x66, 0x3c, 0x00, 0x00, 0x00},  // 5
    {0x00, 0x3c, 0x66, 0xc2, 0xc0, 0xdc, 0xe6, 0xc3, 0xc3, 0x66, 0x3c, 0x00, 0x00, 0x00},  // 6
    {0x00, 0xff, 0x03, 0x03, 0x06, 0x0c, 0x0c, 0x18, 0x18, 0x18, 0x18, 0x00, 0x00, 0x00},  // 7
    {0x00, 0x3c, 0x66, 0xc3, 0x66, 0x3c, 0x66, 0xc3, 0xc3, 0x66, 0x3c, 0x00, 0x00, 0x00},  // 8
    {0x00, 0x3c, 0x66, 0xc3, 0xc3, 0x67, 0x3b, 0x03, 0x43, 0x66, 0x3c, 0x00, 0x00, 0x00},  // 9
    {0x00, 0x00, 0x00, 0x00, 0x18, 0x3c, 0x18, 0x00, 0x00, 0x18, 0x3c, 0x18, 0x00, 0x00},  // :
    {0x00, 0x00, 0x00, 0x00, 0x18, 0x3c, 0x18, 0x00, 0x00, 0x1c, 0x1c, 0x0c, 0x0c, 0x18},  // ;
    {0x00, 0x06, 0x0c, 0x18, 0x30, 0x60, 0x60, 0x30, 0x18, 0x0c, 0x06, 0x00, 0x00, 0x00},  // <
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00},  // =
    {0x00, 0x60, 0x30, 0x18, 0x0c, 0x06, 0x06, 0x0c, 0x18, 0x30, 0x60, 0x00, 0x00, 0x00},  // >
    {0x00, 0x3e, 0x63, 0x63, 0x03, 0x06, 0x0c, 0x18, 0x00, 0x18, 0x18, 0x00, 0x00, 0x00},  // ?
    {0x00, 0x3c, 0x66, 0xc3, 0xcf, 0xdb, 0xdb, 0xce, 0xc0, 0x63, 0x3e, 0x00, 0x00, 0x00},  // @
    {0x00, 0x18, 0x3c, 0x66, 0xc3, 0xc3, 0xc3, 0xff, 0xc3, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // A
    {0x00, 0xfc, 0xc6, 0xc3, 0xc6, 0xfc, 0xc6, 0xc3, 0xc3, 0xc6, 0xfc, 0x00, 0x00, 0x00},  // B
    {0x00, 0x3e, 0x63, 0xc1, 0xc0, 0xc0, 0xc0, 0xc0, 0xc1, 0x63, 0x3e, 0x00, 0x00, 0x00},  // C
    {0x00, 0xfc, 0xc6, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0xc6, 0xfc, 0x00, 0x00, 0x00},  // D
    {0x00, 0x7f, 0x60, 0x60, 0x60, 0x7e, 0x60, 0x60, 0x60, 0x60, 0x7f, 0x00, 0x00, 0x00},  // E
    {0x00, 0xff, 0xc0, 0xc0, 0xc0, 0xfc, 0xc0, 0xc0, 0xc0, 0xc0, 0xc0, 0x00, 0x00, 0x00},  // F
    {0x00, 0x3e, 0x63, 0xc0, 0xc0, 0xc0, 0xc7, 0xc3, 0xc3, 0x63, 0x3e, 0x00, 0x00, 0x00},  // G
    {0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xff, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // H
    {0x00, 0x7e, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x7e, 0x00, 0x00, 0x00},  // I
    {0x00, 0x1e, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x46, 0x6c, 0x38, 0x00, 0x00, 0x00},  // J
    {0x00, 0xc3, 0xc6, 0xcc, 0xd8, 0xf0, 0xf0, 0xd8, 0xcc, 0xc6, 0xc3, 0x00, 0x00, 0x00},  // K
    {0x00, 0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x7f, 0x00, 0x00, 0x00},  // L
    {0x00, 0xc3, 0xe7, 0xff, 0xdb, 0xdb, 0xdb, 0xc3, 0xc3, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // M
    {0x00, 0xc3, 0xe3, 0xf3, 0xf3, 0xdb, 0xdb, 0xcf, 0xc7, 0xc7, 0xc3, 0x00, 0x00, 0x00},  // N
    {0x00, 0x3c, 0x66, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x66, 0x3c, 0x00, 0x00, 0x00},  // O
    {0x00, 0xfe, 0xc3, 0xc3, 0xc3, 0xfe, 0xc0, 0xc0, 0xc0, 0xc0, 0xc0, 0x00, 0x00, 0x00},  // P
    {0x00, 0x3c, 0x66, 0xc3, 0xc3, 0xc3, 0xc3, 0xdb, 0xcf, 0x66, 0x3d, 0x00, 0x00, 0x00},  // Q
    {0x00, 0xfe, 0xc3, 0xc3, 0xc3, 0xfe, 0xf8, 0xcc, 0xc6, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // R
    {0x00, 0x7e, 0xc3, 0xc0, 0xc0, 0x7e, 0x03, 0x03, 0x03, 0xc3, 0x7e, 0x00, 0x00, 0x00},  // S
    {0x00, 0xff, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x00, 0x00, 0x00},  // T
    {0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x66, 0x3c, 0x00, 0x00, 0x00},  // U
    {0x00, 0xc3, 0xc3, 0xc3, 0x66, 0x66, 0x66, 0x3c, 0x3c, 0x18, 0x18, 0x00, 0x00, 0x00},  // V
    {0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xdb, 0xdb, 0xdb, 0xff, 0xe7, 0xc3, 0x00, 0x00, 0x00},  // W
    {0x00, 0xc3, 0xc3, 0x66, 0x3c, 0x18, 0x18, 0x3c, 0x66, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // X
    {0x00, 0xc3, 0xc3, 0x66, 0x3c, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x00, 0x00, 0x00},  // Y
    {0x00, 0x7f, 0x03, 0x03, 0x06, 0x0c, 0x18, 0x30, 0x60, 0x60, 0x7f, 0x00, 0x00, 0x00},  // Z
    {0x3e, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x3e, 0x00, 0x00},  // [
    {0x00, 0xc0, 0x60, 0x60, 0x30, 0x18, 0x18, 0x0c, 0x06, 0x06, 0x03, 0x00, 0x00,
     0x00},  // backslash
    {0x3e, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x3e, 0x00, 0x00},  // ]
    {0x00, 0x18, 0x3c, 0x66, 0x42, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // ^
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x00, 0x00},  // _
    {0x30, 0x18, 0x0c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // `
    {0x00, 0x00, 0x00, 0x00, 0x3e, 0x63, 0x03, 0x7f, 0xc3, 0xc7, 0x7b, 0x00, 0x00, 0x00},  // a
    {0x00, 0xc0, 0xc0, 0xc0, 0xdc, 0xe6, 0xc3, 0xc3, 0xc3, 0xe6, 0xdc, 0x00, 0x00, 0x00},  // b
    {0x00, 0x00, 0x00, 0x00, 0x3e, 0x63, 0xc0, 0xc0, 0xc0, 0x63, 0x3e, 0x00, 0x00, 0x00},  // c
    {0x00, 0x03, 0x03, 0x03, 0x3b, 0x67, 0xc3, 0xc3, 0xc3, 0x67, 0x3b, 0x00, 0x00, 0x00},  // d
    {0x00, 0x00, 0x00, 0x00, 0x3c, 0x66, 0xc3, 0xff, 0xc0, 0x63, 0x3e, 0x00, 0x00, 0x00},  // e
    {0x00, 0x1e, 0x33, 0x33, 0x30, 0x30, 0xfc, 0x30, 0x30, 0x30, 0x30, 0x00, 0x00, 0x00},  // f
    {0x00, 0x00, 0x00, 0x00, 0x7d, 0xc7, 0xc6, 0xc6, 0x7c, 0xc0, 0x7e, 0xc3, 0xc3, 0x7e},  // g
    {0x00, 0xc0, 0xc0, 0xc0, 0xdc, 0xe6, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // h
    {0x00, 0x18, 0x18, 0x00, 0x38, 0x18, 0x18, 0x18, 0x18, 0x18, 0x7e, 0x00, 0x00, 0x00},  // i
    {0x00, 0x03, 0x03, 0x00, 0x0f, 0x03, 0x03, 0x03, 0x03, 0x03, 0x63, 0x63, 0x63, 0x3e},  // j
    {0x00, 0x60, 0x60, 0x60, 0x66, 0x6c, 0x78, 0x78, 0x6c, 0x66, 0x63, 0x00, 0x00, 0x00},  // k
    {0x00, 0x38, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x7e, 0x00, 0x00, 0x00},  // l
    {0x00, 0x00, 0x00, 0x00, 0xb6, 0xdb, 0xdb, 0xdb, 0xdb, 0xdb, 0xdb, 0x00, 0x00, 0x00},  // m
    {0x00, 0x00, 0x00, 0x00, 0xdc, 0xe6, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x00, 0x00, 0x00},  // n
    {0x00, 0x00, 0x00, 0x00, 0x3c, 0x66, 0xc3, 0xc3, 0xc3, 0x66, 0x3c, 0x00, 0x00, 0x00},  // o
    {0x00, 0x00, 0x00, 0x00, 0xdc, 0xe6, 0xc3, 0xc3, 0xc3, 0xe6, 0xdc, 0xc0, 0xc0, 0xc0},  // p
    {0x00, 0x00, 0x00, 0x00, 0x3b, 0x67, 0xc3, 0xc3, 0xc3, 0x67, 0x3b, 0x03, 0x03, 0x03},  // q
    {0x00, 0x00, 0x00, 0x00, 0xde, 0x73, 0x60, 0x60, 0x60, 0x60, 0x60, 0x00, 0x00, 0x00},  // r
    {0x00, 0x00, 0x00, 0x00, 0x7e, 0xc3, 0xc0, 0x7e, 0x03, 0xc3, 0x7e, 0x00, 0x00, 0x00},  // s
    {0x00, 0x00, 0x30, 0x30, 0xfc, 0x30, 0x30, 0x30, 0x30, 0x33, 0x1e, 0x00, 0x00, 0x00},  // t
    {0x00, 0x00, 0x00, 0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x67, 0x3b, 0x00, 0x00, 0x00},  // u
    {0x00, 0x00, 0x00, 0x00, 0xc3, 0xc3, 0x66, 0x66, 0x3c, 0x3c, 0x18, 0x00, 0x00, 0x00},  // v
    {0x00, 0x00, 0x00, 0x00, 0xc3, 0xc3, 0xdb, 0xdb, 0xdb, 0xff, 0x66, 0x00, 0x00, 0x00},  // w
    {0x00, 0x00, 0x00, 0x00, 0xc3, 0x66, 0x3c, 0x18, 0x3c, 0x66, 0xc3, 0x00, 0x00, 0x00},  // x
    {0x00, 0x00, 0x00, 0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xc3, 0x67, 0x3b, 0x03, 0xc6, 0x7c},  // y
    {0x00, 0x00, 0x00, 0x00, 0x7e, 0x06, 0x0c, 0x18, 0x30, 0x60, 0x7e, 0x00, 0x00, 0x00},  // z
    {0x0e, 0x18, 0x18, 0x18, 0x18, 0x30, 0x30, 0x18, 0x18, 0x18, 0x18, 0x0e, 0x00, 0x00},  // {
    {0x00, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x00, 0x00, 0x00},  // |
    {0x38, 0x0c, 0x0c, 0x0c, 0x0c, 0x06, 0x06, 0x0c, 0x0c, 0x0c, 0x0c, 0x38, 0x00, 0x00},  // }
    {0x00, 0x73, 0xdb, 0xce, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // ~
};

// White glyphs on black, 16 x 16 cells of 16 x 16 texels: cell k holds character k + 32,
// counted from the top-left. Each glyph keeps a black margin of at least one texel.
static image_t pic_font() {
  image_t im = image_new(256, 256, BLACK);
  for (int k = 0; k < 96; k++) {
    int cx = (k % 16) * 16 + 4, cy = (k / 16) * 16 + 1;
    for (int row = 0; row < 14; row++) {
      for (int bit = 0; bit < 8; bit++) {
        bool on;
        if (k < 95)
          on = glyphs[k][row] >> (7 - bit) & 1;
        else
          on = row >= 2 && row <= 11 &&
               (bit == 0 || bit == 7 || row == 2 || row == 11);  // DEL: a box
        if (on) at(im, cx + bit, cy + row) = WHITE;
      }
    }
  }
  return im;
}

/*
==============================================================================

MAIN

==============================================================================
*/

// Writes the 52 pictures in the game's load order.
int main(int argc, char** argv) {
  if (argc > 1) out_root = argv[1];
  for (const char* dir : {"", "/texture", "/avatar", "/system", "/world"})
    mkdir((out_root + dir).c_str(), 0755);

  const image_t sword = pic_sword();
  image_t bows[5];
  for (int s = 1; s <= 4; s++) bows[s] = pic_bow(s);
  // Weapon ids 0 to 4, then 5 to 9 repeating them (no bow of those ids is ever dropped).
  for (int id = 0; id < 10; id++) {
    const image_t& im = id % 5 == 0 ? sword : bows[id % 5];
    write_bmp(im, "texture/" + std::to_string(id < 5 ? id + 1 : id + 2) + ".bmp");
  }
  write_bmp(pic_quiver(), "texture/6.bmp");

  for (int c = 1; c <= 6; c++) {
    const std::string base = "avatar/0" + std::to_string(c);
    image_t left = pic_left(c);
    write_bmp(pic_front(c), base + ".bmp");
    write_bmp(left, base + "l.bmp");
    write_bmp(flip(left), base + "p.bmp");
    write_bmp(pic_back(c), base + "z.bmp");
    write_bmp(pic_top(c), base + "h.bmp");
  }

  write_bmp(pic_font(), "system/Font.bmp");
  write_bmp(pic_grass(), "world/grass.bmp");
  write_bmp(pic_stone(), "world/way.bmp");
  write_bmp(pic_planks(), "world/waal1.bmp");

  image_t up = pic_arrow_up();
  image_t right = rot90(up), down = rot90(right), left = rot90(down);
  write_bmp(right, "texture/n_doprava.bmp");
  write_bmp(left, "texture/n_dolava.bmp");
  write_bmp(down, "texture/n_dole.bmp");
  write_bmp(up, "texture/n_hore.bmp");
  write_bmp(pic_arrow_head(), "texture/n_hrot.bmp");
  write_bmp(pic_arrow_tail(), "texture/n_zadne.bmp");
  write_bmp(pic_flag(), "system/001.bmp");
  return 0;
}

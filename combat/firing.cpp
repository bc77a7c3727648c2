// Shooting: which arrow a shot spends, and where each bow's arrows start.
#include "combat/combat.h"
#include "state/ground_plane.h"
#include "state/lybrary3.h"

namespace {

// Start offsets of the three sub-arrows from the shooter's corner, per facing
// (up, right, down, left), and which sub-arrows the bow launches.
struct Pattern {
  float dx[4][SUB_ARROWS];
  float dy[4][SUB_ARROWS];
  bool launch[SUB_ARROWS];
};

// One arrow on the square's side line.
constexpr Pattern single = {{{0, 0, 0}, {1.1f, 1.1f, 1.1f}, {0, 0, 0}, {-0.1f, -0.1f, -0.1f}},
                            {{1.1f, 1.1f, 1.1f}, {0, 0, 0}, {-0.1f, -0.1f, -0.1f}, {0, 0, 0}},
                            {true, false, false}};

// Two arrows one unit apart along the line of flight.
constexpr Pattern one_behind_other = {
    {{0.2f, 0.2f, 0.2f}, {1.2f, 1.2f, 2.2f}, {0.2f, 0.2f, 0.2f}, {-0.2f, -0.2f, -1.2f}},
    {{1.2f, 1.2f, 2.2f}, {0, 0, 0}, {-0.2f, -0.2f, -1.2f}, {0.2f, 0.2f, 0.2f}},
    {true, false, true}};

// Two arrows side by side.
constexpr Pattern two_abreast = {
    {{-0.2f, 0.2f, 0.2f}, {1.1f, 1.1f, 1.1f}, {-0.2f, -0.2f, 0.5f}, {-0.1f, -0.1f, -0.1f}},
    {{1.1f, 1.1f, 1.1f}, {-0.2f, -0.2f, 0.5f}, {-0.1f, -0.1f, -0.1f}, {-0.2f, -0.2f, 0.5f}},
    {true, false, true}};

// Three arrows side by side.
constexpr Pattern three_abreast = {
    {{-0.2f, 0, 0.2f}, {1.1f, 1.1f, 1.1f}, {-0.2f, 0, 0.2f}, {-0.1f, -0.1f, -0.1f}},
    {{1.1f, 1.1f, 1.1f}, {-0.2f, 0, 0.2f}, {-0.1f, -0.1f, -0.1f}, {-0.2f, 0, 0.2f}},
    {true, true, true}};

// Fills shot record vx with a bow's pattern in front of the shooter.
void launch(int numb, int vx, const Pattern& pattern) {
  const Splayer& p = player[numb];
  Splayer::Snaboj& shot = player[numb].naboj[vx];
  int row = facing_row(p.alpha);
  for (int b = 0; b < SUB_ARROWS; b++) {
    for (int e = 0; e < SUB_ARROWS; e++)
      if (pattern.launch[e]) shot.fly[e] = true;
    if (row < 0) continue;
    shot.x[b] = p.x + pattern.dx[row][b];
    shot.y[b] = p.y + pattern.dy[row][b];
    shot.z[b] = p.z + 0.5f;
  }
}

// The pattern of a bow type; any other id fires the single arrow.
const Pattern& pattern_of(int id) {
  switch (id) {
    case 2: return one_behind_other;
    case 3: return two_abreast;
    case 4: return three_abreast;
    default: return single;
  }
}

}  // namespace

int launched_arrows(int id, int alpha, float x, float y, float ax[SUB_ARROWS],
                    float ay[SUB_ARROWS]) {
  const Pattern& pattern = pattern_of(id);
  int row = facing_row(alpha), n = 0;
  for (int b = 0; b < SUB_ARROWS && row >= 0; b++) {
    if (!pattern.launch[b]) continue;
    ax[n] = x + pattern.dx[row][b];
    ay[n] = y + pattern.dy[row][b];
    n++;
  }
  return n;
}

void wepon_1(int numb, int vx) {
  launch(numb, vx, single);
}
void wepon_1_1(int numb, int vx) {
  launch(numb, vx, one_behind_other);
}
void wepon_2(int numb, int vx) {
  launch(numb, vx, two_abreast);
}
void wepon_3(int numb, int vx) {
  launch(numb, vx, three_abreast);
}

// Spends arrow k and launches the bow's pattern in the first free shot record.
// With all 25 records in the air the arrow is lost all the same.
void naboj_strel(int numb, int k) {
  Splayer& p = player[numb];
  p.wepon.naboj[k].have = false;
  for (int r = 0; r < SHOT_RECORDS; r++) {
    const Splayer::Snaboj& shot = p.naboj[r];
    if (shot.fly[0] || shot.fly[1] || shot.fly[2]) continue;
    launch(numb, r, pattern_of(p.wepon.id));
    p.naboj[r].alpha = p.alpha;
    return;
  }
}

// One press of the attack key with a bow: spends the highest arrow left and
// writes the hand's arrows back to the slot holding that bow.
void player_strel(int numb) {
  Splayer& p = player[numb];
  int j = HAND_ARROWS - 1;
  while (j >= 0 && !p.wepon.naboj[j].have) j--;
  if (j < 0) return;
  naboj_strel(numb, j);
  int d = find_in(numb, p.show.id);
  if (d < 0 || d >= SLOTS) return;
  secreting_item(numb, d);
}

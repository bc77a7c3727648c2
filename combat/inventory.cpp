// The six bow slots, the bow in hand and its five arrows.
#include "combat/combat.h"
#include "state/lybrary3.h"

namespace {

// The slots the change-weapon key, the refill and the clean-up look at.
constexpr int CYCLED_SLOTS = 5;

// Fills a slot with a fresh bow of five arrows.
void fill_slot(Splayer::Sin& slot, int id) {
  slot.id = id;
  slot.have = true;
  set_arrows(slot, true);
}

}  // namespace

// The lowest of slots 0..4 holding the type in hand; k when none does.
int find_in(int numb, int k) {
  for (int s = 0; s < CYCLED_SLOTS; s++)
    if (player[numb].in[s].id == player[numb].wepon.id) return s;
  return k;
}

// Puts slot k's bow in hand; no slot (-1) leaves the hand empty.
void set_item(int numb, int k) {
  Splayer& p = player[numb];
  if (k < 0 || k >= SLOTS) {
    p.wepon.id = 0;
    set_arrows(p.wepon, false);
    return;
  }
  p.wepon.id = p.in[k].id;
  copy_arrows(p.wepon, p.in[k]);
}

// Stores the hand's arrows back into slot k.
void secreting_item(int numb, int k) {
  copy_arrows(player[numb].in[k], player[numb].wepon);
}

// Picks up ground bow k: refills a slot of the same type, else takes the first
// free slot, and puts the bow in hand. With no room the bow stays on the ground.
void take_item(int numb, int k) {
  Splayer& p = player[numb];
  Sg_wepon& g = g_wepon[k];
  int chosen = -1;
  for (int s = 0; s < CYCLED_SLOTS && chosen < 0; s++)
    if (p.in[s].have && p.in[s].id == g.id) chosen = s;
  for (int s = 0; s < SLOTS && chosen < 0; s++)
    if (!p.in[s].have) chosen = s;
  if (chosen < 0) return;

  fill_slot(p.in[chosen], g.id);
  g.ly = false;
  g.x = g.y = g.z = 0;
  g.id = 0;
  p.show.id = chosen;
  set_item(numb, chosen);
}

int next_selection(const Splayer& p, int s) {
  if (s < -1 || s >= CYCLED_SLOTS || !p.in[s + 1].have) return -1;
  return s + 1 == CYCLED_SLOTS ? -1 : s + 1;
}

// The change-weapon key: next slot if it holds a bow, else back to the sword. The hand's
// arrows go back to the slot it leaves for another.
void player_search(int numb) {
  Splayer& p = player[numb];
  int s = p.show.id;
  if (s >= 0 && s < CYCLED_SLOTS && p.in[s + 1].have) secreting_item(numb, s);
  p.show.id = next_selection(p, s);
  set_item(numb, p.show.id);
}

// Empties slot k.
void restore_in(int numb, int k) {
  Splayer::Sin& slot = player[numb].in[k];
  slot.id = 0;
  slot.have = false;
  set_arrows(slot, false);
}

// Loads the hand from the slot after k (for k >= 1), or empties the hand's type.
void reset_item(int numb, int k) {
  Splayer& p = player[numb];
  if (k <= 0 || k + 1 >= SLOTS) {
    p.wepon.id = 0;
    return;
  }
  p.wepon.id = p.in[k + 1].id;
  copy_arrows(p.wepon, p.in[k + 1]);
}

// Throws away every bow that has no arrow left; the selection stays on its slot.
void wepon_naboj_control(int numb) {
  Splayer& p = player[numb];
  for (int s = 0; s < CYCLED_SLOTS; s++) {
    if (p.in[s].have && !p.in[s].naboj[0].have) {
      restore_in(numb, s);
      reset_item(numb, s);
      set_item(numb, s);
    }
  }
}

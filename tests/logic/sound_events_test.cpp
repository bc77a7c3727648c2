// The sounds a step starts, read from what the step changed: real steps of the game, keys in,
// events out.
#include "flow/sound_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "flow/game.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "tests/game_state.h"

namespace {

// A match in play on an open field: player 1 at (5, 5) facing right, player 2 far off.
class SoundSteps : public ::testing::Test {
 protected:
  SoundSteps() { snapshot_take(&saved); }
  ~SoundSteps() override { snapshot_put(saved); }
  void SetUp() override {
    reset_screen_flags();
    New_game_set();
    Build_Max = NCP_Max = 0;
    set_speed_level(1);
    for (Sg_wepon& g : g_wepon) g.ly = false;
    step({});  // puts both players on their spawns
    player[1].x = player[1].y = 5;
    player[1].alpha = doprava;
    timer.hranica = 1e9f;  // no bow drops unless a test asks
  }
  // One step with these keys held; the keys are let go after it.
  SoundEvents step(std::initializer_list<int> held) {
    for (int code : held) keys[code] = true;
    SoundWatch before = sound_watch();
    game_frame(nullptr);
    SoundEvents events = sound_events(before, sound_watch());
    for (bool& k : keys) k = false;
    return events;
  }
  // Puts a bow of this type with five arrows in player 1's hand, from slot 0.
  void bow_in_hand(int id) {
    Splayer& p = player[1];
    p.in[0].id = id;
    p.in[0].have = true;
    p.show.id = 0;
    p.wepon.id = id;
    for (int i = 0; i < HAND_ARROWS; i++) p.in[0].naboj[i].have = p.wepon.naboj[i].have = true;
  }
  static int count(const SoundEvents& e) {
    int n = 0;
    for (bool p : e.play) n += p;
    return n;
  }
  GameSnapshot saved;
};

// Each bow's shot sounds like that bow, once per press, also when every shot record is busy.
TEST_F(SoundSteps, EachBowShootsWithItsOwnSound) {
  const SoundEffect sound[] = {SOUND_SHOT_SHORT, SOUND_SHOT_LONG, SOUND_SHOT_RECURVE,
                               SOUND_SHOT_WAR};
  for (int id = 1; id <= 4; id++) {
    SetUp();
    bow_in_hand(id);
    SoundEvents e = step({'A'});
    EXPECT_TRUE(e.play[sound[id - 1]]) << id;
    EXPECT_EQ(count(e), 1) << id;
    EXPECT_FALSE(step({'A'}).any()) << "held, the key shoots no more";
  }
  SetUp();
  bow_in_hand(4);
  for (auto& shot : player[1].naboj) shot.fly[1] = true, shot.x[1] = 10, shot.y[1] = 5;
  EXPECT_TRUE(step({'A'}).play[SOUND_SHOT_WAR]);
}

// An arrow fired into the other archer's square hits in the step it flies: the shot and the
// hit, and no arrow stopping on the field.
TEST_F(SoundSteps, AHitSoundsAsAHit) {
  bow_in_hand(1);
  player[2].x = 6;  // the arrow starts at 6.1, inside his square
  player[2].y = 5;
  SoundEvents e = step({'A'});
  EXPECT_EQ(player[1].kill, 1);
  EXPECT_TRUE(e.play[SOUND_SHOT_SHORT]);
  EXPECT_TRUE(e.play[SOUND_HIT]);
  EXPECT_FALSE(e.play[SOUND_ARROW_STOP]);
}

// Arrows stopping at the field's edge or in a building: one sound for any number at once.
TEST_F(SoundSteps, ArrowsStopAtTheEdgeAndOnBuildings) {
  Splayer::Snaboj& shot = player[1].naboj[3];
  shot.alpha = doprava;
  shot.fly[0] = shot.fly[2] = true;
  shot.x[0] = shot.x[2] = 30;
  shot.y[0] = shot.y[2] = 3;
  EXPECT_FALSE(step({}).any()) << "on the bound, still in the air";
  SoundEvents e = step({});
  EXPECT_TRUE(e.play[SOUND_ARROW_STOP]);
  EXPECT_EQ(count(e), 1);
  build[0] = {1, 8, 0, 0, 2, 2};
  Build_Max = 1;
  shot.fly[1] = true, shot.x[1] = 8.5f, shot.y[1] = 1;
  EXPECT_TRUE(step({}).play[SOUND_ARROW_STOP]);
}

// The sword: a stroke into the air, by either player, and a stroke that strikes (that is no
// arrow hit).
TEST_F(SoundSteps, SwordStrokesAndHits) {
  EXPECT_TRUE(step({'M'}).play[SOUND_SWORD]) << "player 2's stroke";
  SoundEvents e = step({'A'});
  EXPECT_TRUE(e.play[SOUND_SWORD]);
  EXPECT_EQ(count(e), 1);
  player[2].x = 6.05f;
  player[2].y = 5;
  EXPECT_FALSE(step({'A'}).any()) << "held from the last step: no stroke";
  step({});
  e = step({'A'});
  EXPECT_EQ(player[1].kill, 1);
  EXPECT_TRUE(e.play[SOUND_SWORD_HIT]);
  EXPECT_FALSE(e.play[SOUND_SWORD]);
  EXPECT_FALSE(e.play[SOUND_HIT]);
}

// A bow taken from the ground, and one the clock drops.
TEST_F(SoundSteps, BowsTakenAndDropped) {
  g_wepon[5] = {nullptr, 6, 5, 0, 2, true};
  SoundEvents e = step({});
  EXPECT_EQ(player[1].wepon.id, 2);
  EXPECT_TRUE(e.play[SOUND_PICKUP]);
  EXPECT_EQ(count(e), 1);
  player[1].x = player[1].y = 0;
  timer.time = 1;
  auto lying = [] {
    return std::any_of(g_wepon, g_wepon + GROUND_BOWS, [](auto& g) { return g.ly; });
  };
  int steps = 0;
  for (; steps < 200; steps++) {
    bool any_before = lying();
    timer.hranica = 0;
    e = step({});
    EXPECT_EQ(e.play[SOUND_BOW_DROP], lying() && !any_before);
    if (lying()) break;
  }
  EXPECT_LT(steps, 200) << "a drop tries every free place with even odds";
}

// The menus: the highlight moving, an entry chosen, a speed level chosen, the match starting on a
// field that still held the last match's arrows (no sound of them), the pause, the end screen.
TEST_F(SoundSteps, MenusStartPauseAndEnd) {
  reset_screen_flags();
  start = true;
  EXPECT_FALSE(step({}).any()) << "the main menu opens without a sound";
  EXPECT_TRUE(step({VK_DOWN}).play[SOUND_MENU_MOVE]);
  EXPECT_FALSE(step({VK_DOWN}).any()) << "held";
  EXPECT_TRUE(step({VK_SPACE}).play[SOUND_MENU_CHOOSE]) << "the speed screen";
  EXPECT_FALSE(step({}).any()) << "the speed screen waits quietly";
  EXPECT_TRUE(step({'2'}).play[SOUND_MENU_CHOOSE]) << "a level chosen";
  EXPECT_TRUE(step({'1'}).play[SOUND_MENU_CHOOSE]) << "and the first again";
  step({VK_ESCAPE});
  EXPECT_TRUE(Start_Menu && QNastavenia) << "back in the main menu";
  EXPECT_TRUE(step({VK_UP}).play[SOUND_MENU_MOVE]);
  SoundEvents e = step({VK_SPACE});
  EXPECT_TRUE(e.play[SOUND_MENU_CHOOSE]);
  EXPECT_TRUE(New_Nastavenia);
  EXPECT_TRUE(step({'F'}).play[SOUND_MENU_MOVE]) << "an avatar";
  player[2].naboj[0].fly[0] = true;
  e = step({VK_SPACE});
  EXPECT_TRUE(move);
  EXPECT_TRUE(e.play[SOUND_MATCH_START]);
  EXPECT_EQ(count(e), 1);
  e = step({VK_ESCAPE});
  EXPECT_TRUE(Menu);
  EXPECT_TRUE(e.pause);
  EXPECT_EQ(count(e), 0) << "the pause itself is silent";
  e = step({VK_SPACE});  // Return
  EXPECT_TRUE(move);
  EXPECT_TRUE(e.play[SOUND_MENU_CHOOSE]);
  EXPECT_FALSE(e.pause);
  player[1].kill = 1;
  timer.time = T_end + 1.0f;
  EXPECT_TRUE(step({}).play[SOUND_MATCH_END]);
  EXPECT_FALSE(step({}).any()) << "the end screen sounds once";
  e = step({VK_SPACE});
  EXPECT_TRUE(Start_Menu && !End) << "back in the main menu";
  EXPECT_TRUE(e.play[SOUND_MENU_CHOOSE]);
}

}  // namespace

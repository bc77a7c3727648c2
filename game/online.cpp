// The loop of online play: the waiting screen, then groups of steps on this machine's step
// clock, as the session allows. A group is the steps of a sixtieth of a second or less at
// the speed level (the host fixes how many); this machine's keys for it act at once and go
// out; the other machine's keys are guessed until they arrive, and the session puts right
// what a wrong guess did. Each picture shows the state as it stands. Minimised, the game
// runs no steps and sends no keys, and the other side soon waits.
#include "game/online.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "flow/step_clock.h"
#include "game/draw_scene.h"
#include "game/input.h"
#include "game/keep.h"
#include "game/menu_screens.h"
#include "game/step_sounds.h"
#include "korvalen_version.h"
#include "net/net.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "record/recording.h"
#include "render/render.h"
#include "screens/screens.h"
#include "session/lockstep.h"
#include "state/data_files.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/recent.h"
#include "state/snapshot.h"
#include "state/state_fields.h"
#include "world/world.h"

namespace {

constexpr int GOODBYE_WAIT_MS = 300;       // for the goodbye to leave before the game does
constexpr int DELIVERY_WAIT_MS = 3000;     // for the other side to have the last inputs,
constexpr int FAREWELL_WAIT_MS = 3000;     // and then the goodbye, over a link that loses some
constexpr double MAP_CHECK_MS = 250;       // how often the host looks at its map file
constexpr double REDRAW_MS = 250;          // a picture at least this often while waiting
constexpr double JOIN_LIMIT_MS = 10000;    // a join nobody answers gives up after this
constexpr double SILENCE_SHOWN_MS = 1500;  // a silence this long is counted down on screen
constexpr double SERVICE_MS = 20;          // the link is serviced at least this often, even
                                           // while a flood of window messages is read

Session session;
bool other_answered;       // the other machine's network answered at some time
std::string link_failed;   // the link cannot go on, and why (rooms)
GameSnapshot start_state;  // the host starts each next player's game from it
OnlineEnd* ending;         // the caller goes on afterwards and says the last word itself

// The last word of online play: in a box, or for the caller that goes on.
void tell_end(const std::string& text, BoxIcon icon) {
  if (ending) {
    ending->line = text;
    fprintf(stderr, "korvalen: %s\n", text.c_str());
  } else {
    MessageBoxA(text.c_str(), tr("OZNAM"), icon);
  }
}

// The window was closed: online play ends, and the game with it.
void window_closed() {
  if (ending) ending->closed = true;
}

double now_ms() {
  return monotonic_now_ns() / 1e6;
}

std::int64_t now_ns() {
  return monotonic_now_ns();
}

void take_datagram(const std::uint8_t* data, std::size_t size, void*) {
  session_receive(&session, data, size, now_ms());
}

double pumped_ms = -1e9;  // when the link was last serviced

// The network for up to wait_ms, then what the session has to say.
void pump(int wait_ms) {
  NetEvents events;
  net_service(wait_ms, take_datagram, nullptr, &events);
  if (events.connected) other_answered = true;
  if (!events.failed.empty() && link_failed.empty()) link_failed = events.failed;
  if (events.disconnected && session.phase != PHASE_ENDED)
    session_other_gone(&session, static_cast<int>(events.gone_reason));
  session_poll(&session, now_ms());
  // what the session repeats itself goes unreliably: a lost hello must not hold back the
  // next ones behind ENet's repeat of it
  for (const std::string& d : session.outbox) {
    const int type = static_cast<unsigned char>(d[2]);
    net_send(d, type != MSG_INPUTS && type != MSG_HELLO && type != MSG_PROBE);
  }
  session.outbox.clear();
  pumped_ms = now_ms();
}

// A step became final: the recording gets it.
void record_final_step(const FrameInput& in, const MapText* map_read, void*) {
  record_frame(in.commands, in.speed_level, map_read);
  record_flush_if_due();
}

// A step the first time is heard; run again after a rollback, it is not heard twice.
void run_online_step(const FrameInput& in, bool rerun, void*) {
  if (rerun)
    run_frame_input(in, nullptr);
  else
    run_frame_heard(in, nullptr);
}

// The window minimised or back, where it falls among the final steps.
void record_window(bool is_active, void*) {
  record_active(is_active);
}

// The host's arena file (its chosen sector's), read again whenever it changed, becomes the
// map of the next match start on both machines, with its sector and name; and a seed the
// host draws anew once a match has started on the last one, so both games drop the same
// bows and no two matches the same. With "any arena" that seed draws the next match's arena
// too, as a local match's seed does.
void check_map(bool force) {
  static double checked = -1e9;
  static struct stat seen;
  static long seeded_at_reads = -1;
  static std::uint32_t seed;
  if (map_reads() != seeded_at_reads) {
    seeded_at_reads = map_reads();
    seed = draw_match_seed();
    sector_any_pick(seed);
    force = true;
  }
  if (!force && now_ms() - checked < MAP_CHECK_MS) return;
  checked = now_ms();
  const int sector = sector_chosen();
  if (sector == 0) {  // the host's own arena: its text goes to the guest, who keeps no file
    session_set_map(&session, sector_match_map(seed));
    return;
  }
  const std::string path = data_file_path(sector_file_name(sector).c_str());
  struct stat st = {};
  bool exists = stat(path.c_str(), &st) == 0;
  if (!force && exists && st.st_mtim.tv_sec == seen.st_mtim.tv_sec &&
      st.st_mtim.tv_nsec == seen.st_mtim.tv_nsec && st.st_size == seen.st_size &&
      st.st_ino == seen.st_ino)
    return;
  static const struct stat none = {};
  // a change the session cannot take yet is offered again at the next look
  if (session_set_map(&session, sector_match_map(seed))) seen = exists ? st : none;
}

// The waiting screen: what the game waits for, where, and how to give up; a room's code
// large enough to read out from across the room.
void draw_waiting(const std::vector<std::string>& lines, const std::string& code) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  text_layer_begin();
  int y = 200;
  for (const std::string& line : lines) {
    if (y == 200)
      yellow();
    else
      white();
    glPrint(60, y, 0, line.c_str());
    y += 30;
  }
  if (!code.empty()) {
    yellow();
    glPrintScaled(60, y, 4, code.c_str());
    y += 80;
  }
  white();
  glPrint(60, y + 10, 0, ending ? tr("Esc - spat do menu") : tr("Esc - koniec"));
  text_layer_end();
  SwapBuffers();
}

// Ends the game with the session's word on why, if it has one.
int session_over() {
  if (!session.end_message.empty())
    tell_end(session.end_message, session.exit_code ? BoxIcon::stop : BoxIcon::information);
  net_close(0, 0);
  record_finish();
  return session.exit_code;
}

// Leaving mid-game, this side is heard on the other only as "has left": its own log says
// what made it leave, its window closed or a signal from outside the game.
void say_why_leaving() {
  const int signal = quit_signal_number();
  if (signal)
    fprintf(stderr, "korvalen: leaving the online game: signal %d (%s)\n", signal,
            strsignal(signal));
  else
    fprintf(stderr, "korvalen: leaving the online game: its window was closed\n");
}

// This side ends in order: the window closed, or the frames ended the game.
int leave(int reason) {
  double start = now_ms();
  while (reason == LEAVE_EXIT && !session_delivered(&session) && session.phase == PHASE_RUNNING &&
         now_ms() - start < DELIVERY_WAIT_MS)
    pump(5);
  if (session.phase == PHASE_ENDED && !session.end_message.empty()) return session_over();
  session_leave(&session, reason);
  pump(0);
  net_close(reason, FAREWELL_WAIT_MS);
  record_finish();
  return 0;
}

// The picture of a match, and over it, once the other side has been silent a while, the
// seconds it has left before the game counts it lost.
void draw_match(DrawAndPresent draw_and_present) {
  double silent = now_ms() - session.heard_ms;
  if (session.phase != PHASE_RUNNING || silent < SILENCE_SHOWN_MS) {
    draw_and_present();
    return;
  }
  DrawGLScene();
  int left = (int)((SILENCE_LIMIT_MS - silent) / 1000) + 1;
  std::string line = std::string(tr("Druhy hrac sa neozyva, cakam este")) + " " +
                     std::to_string(left > 0 ? left : 0) + " s";
  text_layer_begin();
  yellow();
  glPrint(60, 200, 0, line.c_str());
  white();
  text_layer_end();
  SwapBuffers();
}

// A new session from the start-up state: the waiting screen's, or the next player's.
void begin_session(const CommandLine& line) {
  snapshot_put(start_state);
  session_begin(&session, line.host, KORVALEN_VERSION, now_ms(), session.start_level);
  if (line.host) session_set_group_steps(&session, GROUP_STEPS);
  if (line.host) check_map(true);
}

// The host's guest left, was lost, or the games parted: the host's player is told, the
// recording ends with this first session (a recording is one game from the start), and
// the host waits for the next player.
void host_stays() {
  net_let_go(0, session.other_lost ? 0 : FAREWELL_WAIT_MS);
  MessageBoxA(session.end_message.c_str(), tr("OZNAM"),
              session.exit_code ? BoxIcon::stop : BoxIcon::information);
  if (record_is_open())
    fprintf(stderr, "korvalen: the recording ends with the first player's game\n");
  record_finish();
}

// The address or room code a join met the other game at, for the join menu to offer again.
void remember_joined(const CommandLine& line) {
#ifndef __EMSCRIPTEN__
  std::string joined = line.join_room;
  if (joined.empty()) {  // an address is IPv4 or a name, as the command line takes it
    joined = line.join_host;
    if (line.port != DEFAULT_PORT) joined += ":" + std::to_string(line.port);
  }
  const std::string why = recent_add(joined);
  if (!why.empty()) fprintf(stderr, "korvalen: %s: %s\n", recent_path().c_str(), why.c_str());
#else
  (void)line;
#endif
}

// Until the session starts: the waiting screen, the handshake, Escape or closing to give up.
// Returns -1 once the session runs, else the exit code.
int wait_for_other(const CommandLine& line) {
  std::vector<std::string> what;
  std::string code;  // the room's, once it exists
  if (line.host_room) {
    what.push_back(tr("Zakladam miestnost na ") + line.server);
  } else if (!line.join_room.empty()) {
    what.push_back(tr("Pripajam sa do miestnosti ") + line.join_room);
  } else if (line.host) {
    what.push_back(tr("Cakam na druheho hraca na adrese:"));
    for (const std::string& address : net_local_addresses())
      what.push_back(address + ":" + std::to_string(line.port));
    std::string all;
    for (size_t i = 1; i < what.size(); i++) all += (i > 1 ? ", " : "") + what[i];
    fprintf(stderr, "korvalen: waiting for the other player at %s\n", all.c_str());
  } else {
    what.push_back(tr("Pripajam sa k ") + line.join_host + ":" + std::to_string(line.port));
  }
  double started = now_ms();
  for (;;) {
    if (line.host && session.phase == PHASE_ENDED) {
      // a guest of another version is told first, then the host's player; a guest that
      // never completed the handshake goes without a word. The host waits on.
      net_let_go(0, session.end_message.empty() ? 0 : FAREWELL_WAIT_MS);
      if (!session.end_message.empty())
        MessageBoxA(session.end_message.c_str(), tr("OZNAM"), BoxIcon::stop);
      begin_session(line);
    }
    if (session.phase != PHASE_CONNECTING) break;
    if (!link_failed.empty()) {
      tell_end(link_failed, BoxIcon::stop);
      net_close(0, 0);
      record_finish();
      return 1;
    }
    if (line.host_room && code.empty() && !net_room_code().empty()) {
      // the room exists: its code for the player to pass on, and for scripts
      code = net_room_code();
      what = {tr("Kod miestnosti pre druheho hraca:")};
      printf("room %s\n", code.c_str());
      fflush(stdout);
    }
    if (!line.host && line.join_room.empty() && !other_answered &&
        now_ms() - started > JOIN_LIMIT_MS) {
      tell_end(
          tr_with("Hra sa nemoze spojit s %s.", line.join_host + ":" + std::to_string(line.port)),
          BoxIcon::stop);
      net_close(0, 0);
      record_finish();
      return 1;
    }
    MSG msg;
    // at least one message a turn, more while the link was serviced of late
    for (int taken = 0; (!taken || now_ms() - pumped_ms < SERVICE_MS) && PeekMessageA(&msg);
         taken++) {
      if (msg.message == WM_QUIT) {
        window_closed();
        net_close(LEAVE_CLOSED, GOODBYE_WAIT_MS);
        record_finish();
        return 0;
      }
      DispatchMessageA(&msg);
    }
    if (held_keys[VK_ESCAPE]) {
      net_close(LEAVE_CLOSED, GOODBYE_WAIT_MS);
      record_finish();
      return 0;
    }
    KeysAfterFrame();
    if (active) draw_waiting(what, code);
    pump(active ? 1 : 20);
  }
  if (session.phase != PHASE_RUNNING) return session_over();
  if (ending) ending->played = true;
  if (!line.host) remember_joined(line);
  return -1;
}

// One session from the start to its end; the exit code, or -1 when the host waits for the
// next player.
int play_session(const CommandLine& line, DrawAndPresent draw_and_present) {
  // Nothing of the game has moved yet: both start from the start-up state.
  session.on_final = record_final_step;
  session.on_window = record_window;
  session.run_step = run_online_step;
  bool window_active = active;
  double drawn_ms = -1e9;
  StepClock clock;  // always on the clock: the other side's pictures are not ours
  for (;;) {
    MSG msg;
    if (PeekMessageA(&msg)) {
      if (msg.message == WM_QUIT) {
        window_closed();
        say_why_leaving();
        record_close();
        return leave(LEAVE_CLOSED);
      }
      DispatchMessageA(&msg);
      if (active != window_active) session_note_window(&session, active);
      window_active = active;
      drawn_ms = -1e9;  // the window may need its picture again
      // a flood of messages must not keep the link waiting: the other side would hear
      // nothing and give up
      if (now_ms() - pumped_ms < SERVICE_MS) continue;
    }
    if (session.phase == PHASE_ENDED) break;
    if (line.host) check_map(false);
    // the groups the step clock calls for, each on the keys held as it starts (a tap acts
    // in the first); a side that may not run further waits, owing two groups at most
    const long long rollbacks = session.rollbacks;
    const int due = session_groups_due(&session, &clock, now_ns(), active);
    bool moved = false;
    for (int group = 0; group < due && active && session_wants_input(&session); group++) {
      bool mine[KEY_CODES];
      read_local_keys(mine);
      session_add_input(&session, command_of_keys(session.host ? 1 : 2, mine), take_speed_level());
      if (group == 0) KeysAfterFrame();
      moved = session_advance(&session) > 0 || moved;
      if (session.phase != PHASE_RUNNING) break;
    }
    moved = session_advance(&session) > 0 || moved || session.rollbacks != rollbacks;
    if (session_finished(&session)) return leave(LEAVE_EXIT);
    if (session.phase == PHASE_ENDED) break;
    // a picture when the state moved; while waiting for the other side, the network
    if (active && (moved || now_ms() - drawn_ms > REDRAW_MS)) {
      draw_match(draw_and_present);
      drawn_ms = now_ms();
      pump(0);
    } else {
      pump(active ? 1 : 20);
    }
  }
  // an ending in order has no words: both games end; the host outlives any other ending
  if (!line.host || session.end_message.empty()) return session_over();
  host_stays();
  return -1;
}

}  // namespace

int run_online(const CommandLine& given, DrawAndPresent draw_and_present, OnlineEnd* end) {
#ifndef __EMSCRIPTEN__
  keep_end();  // a local match kept before ends here: online steps are not its
#endif
  ending = end;
  other_answered = false;
  link_failed.clear();
  // below, host means this machine hosts, on a port or in a room
  CommandLine line = given;
  line.host = given.host || given.host_room;
  RoomOptions room;
  room.server = line.server;
  room.server_ca = line.server_ca;
  room.relay_only = line.relay_only;
  room.listed = line.room_public;
  room.version = KORVALEN_VERSION;
  room.name = "Korvalen " KORVALEN_VERSION;
  room.arena = "s_1.txt";
  std::string error;
  bool ok = line.host_room            ? net_host_room(room, &error)
            : !line.join_room.empty() ? net_join_room(room, line.join_room, &error)
            : line.host               ? net_host(line.port, &error)
                                      : net_join(line.join_host, line.port, &error);
  if (!ok) {
    tell_end(error, BoxIcon::stop);
    record_finish();
    return 1;
  }
  Dump_Init();
  end_screen_offer_play_again(false);  // the end screen's R is local play's
  // the host's level and group sizes count for both; a guest's --speed is the host's business
  session.start_level = line.host ? take_speed_level() : 0;
  net_set_refusal(session_refuse_full(KORVALEN_VERSION));
  if (line.host) net_set_greeting(session_is_greeting);
  snapshot_take(&start_state);
  for (;;) {
    begin_session(line);
    int code = wait_for_other(line);
    if (code >= 0) return code;
    // both players see that the game is on, and each which archer is his: the host plays 1
    menu_screens_tell(tr("Hrac 2 sa pripojil"));
    play_mark_own_archer(line.host ? 1 : 2);
    code = play_session(line, draw_and_present);
    if (code >= 0) {
      play_mark_own_archer(0);
      return code;
    }
  }
}

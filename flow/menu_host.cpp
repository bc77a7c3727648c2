// Hosting: Up and Down pick this machine's addresses (a LAN, a reachable port) or a room on
// the meeting servers, listed in their lobby or private; Space or Enter hosts. A room needs
// the servers: without them its rows stay where they are and the screen says why.
#include "flow/menu_screens.h"

void menu_host_keys() {
  menu_move_pick(HOST_WAYS - 1);
  if (!menu_confirmed()) return;
  HostWay way = HostWay(HOST_LAN + menus.picked);
  if (way != HOST_LAN && !menus.server_set) return;
  menus.host = way;
}

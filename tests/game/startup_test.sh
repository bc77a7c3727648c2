#!/usr/bin/env bash
# Failed starts, one of each way: an image missing, refused by the reader (the rest: tests/bmp)
# or a pipe (no hang), memory running out in the reader or the mipmaps, an X error, no
# display. Each ends with 1 after exactly its messages and reason (for an image: which, where,
# why), never a crash, abort or hang. No boxes (KORVALEN_BOXES=stderr): their lines suffice.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr

# Breaks a fresh tree with shell code $2 (run in Data/, may set the game's environment) and
# expects exit code 1 with exactly these lines on stderr, blank ones aside: $4 if given, the
# failed start's box, and the reason $3 ("Data/IMAGE: CAUSE" for an image).
expect_failed_start() {
  local what=$1 reason=$3
  make_tree
  (cd "$work/tree/Data" && eval "$2" && cd .. && exec timeout "$deadline" "$game") \
    >"$work/stdout" 2>"$work/stderr"
  code=$?
  [ "$code" = 1 ] || fail "$what: expected exit code 1, got $code"
  case $reason in
    Data/*) reason="could not read ${reason%%: *} in $(realpath "$work/tree"): ${reason#*: }" ;;
  esac
  printf '%s\n' ${4:+"korvalen: Error: $4"} "korvalen: ERROR: Initialization Failed." \
    "korvalen: reason: $reason" >"$work/want"
  grep -v '^$' "$work/stderr" >"$work/got"
  diff -u "$work/want" "$work/got" >&2 || fail "$what: wrong messages"
}

# An allocator refusing the game's own allocations of a size or more (the 256 x 256 font
# sheet is the first that large) through malloc (the image reader) or new (the mipmaps).
c++ -shared -fPIC -O1 -o "$work/fail_alloc.so" -x c++ - <<'CODE' || fail "cannot build the allocator"
#include <dlfcn.h>
#include <sys/auxv.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
extern "C" void* __libc_malloc(size_t);
static size_t limit;
static bool use_new;
__attribute__((constructor)) static void start() {
  const char* how = getenv("FAIL_ALLOC");  // "malloc SIZE" or "new SIZE"
  if (!how || strcmp(program_invocation_short_name, "korvalen") != 0) return;
  use_new = strncmp(how, "new", 3) == 0;
  limit = strtoul(strchr(how, ' ') + 1, nullptr, 10);
}
// Whether an allocation of n bytes from caller, in the game's own code, is refused.
static bool refused(size_t n, void* caller) {
  Dl_info from, game;
  return limit && n >= limit && dladdr(caller, &from) &&
         dladdr(reinterpret_cast<void*>(getauxval(AT_ENTRY)), &game) &&
         from.dli_fbase == game.dli_fbase;
}
extern "C" void* malloc(size_t n) {
  if (!use_new && refused(n, __builtin_return_address(0))) return errno = ENOMEM, nullptr;
  return __libc_malloc(n);
}
void* operator new(size_t n) {
  void* p = use_new && refused(n, __builtin_return_address(0)) ? nullptr : __libc_malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
CODE

start_x 1280x1024x24
# What is broken|shell code that breaks it|the reason|the line before the box's
while IFS='|' read -r what code reason line; do
  expect_failed_start "$what" "$code" "$reason" "$line"
done <<'CASES'
missing world/waal1.bmp|rm world/waal1.bmp|Data/world/waal1.bmp: missing|
header size 20 (bytes 14 to 17)|printf '\x14' >h && dd if=h of=texture/n_hrot.bmp bs=1 seek=14 conv=notrunc status=none|Data/texture/n_hrot.bmp: bad format|Unknown DIB file format.
a pipe for an image|rm texture/n_dole.bmp && mkfifo texture/n_dole.bmp|Data/texture/n_dole.bmp: not a regular file|Failed to open DIB file Data/texture/n_dole.bmp.
malloc fails|export LD_PRELOAD=$work/fail_alloc.so FAIL_ALLOC="malloc 100000"|Data/system/Font.bmp: out of memory|Out of memory.
new fails|export LD_PRELOAD=$work/fail_alloc.so FAIL_ALLOC="new 40000"|out of memory|
CASES

# An X error while the window and context are made (indirect GL, which the test server
# refuses): the failed start's box with the X error as its reason, not Xlib's own exit.
make_tree
LIBGL_ALWAYS_INDIRECT=1 start_game "$work/tree"
ends_with 1 "indirect GL"
grep -q "^korvalen: ERROR: " "$work/stderr" && grep -q "^korvalen: reason: X error " "$work/stderr" ||
  fail "indirect GL: no box line with the X error as its reason"

wrap="env -u DISPLAY" start_game "$root"
ends_with 1 "no display"
grep -qx "korvalen: ERROR: Failed To Register The Window Class." "$work/stderr" ||
  fail "no display: no window class message"
grep -q "^korvalen: reason: ." "$work/stderr" || fail "no display: no reason"
echo "startup: ok"

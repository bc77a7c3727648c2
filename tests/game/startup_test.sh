#!/usr/bin/env bash
# Failed starts: missing images (one never drawn, the first, the font's, the last),
# broken images (empty, cut off, an unknown header size, a folder, a pipe or
# /dev/zero in an image's place), memory running out while the images load, an X error
# and no display. Each ends with exit code 1 after exactly its messages and the reason
# (for an image: which, where and why), never with a crash, an abort or a hang.
# KORVALEN_BOXES=stderr leaves out the boxes; their lines go to stderr anyway.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr

# Starts the game on the scratch tree and expects exit code 1 with exactly these lines
# (blank lines aside) on standard error: the given ones, then the failed start's box and
# the reason ($2: "IMAGE: CAUSE" for an image, else the reason itself).
expect_failed_start() {
  local what=$1 reason=$2
  shift 2
  start_game "$work/tree"
  wait_exit "$deadline"
  [ "$code" = 1 ] || fail "$what: expected exit code 1, got $code"
  case $reason in
    Data/*) reason="could not read ${reason%%: *} in $(realpath "$work/tree"): ${reason#*: }" ;;
  esac
  printf '%s\n' "$@" "korvalen: ERROR: Initialization Failed." "korvalen: reason: $reason" \
    >"$work/want"
  grep -v '^$' "$work/stderr" >"$work/got"
  diff -u "$work/want" "$work/got" >&2 || fail "$what: wrong messages"
}

start_x 1280x1024x24
for f in world/waal1.bmp texture/1.bmp system/Font.bmp system/001.bmp; do
  make_tree
  rm "$work/tree/Data/$f"
  expect_failed_start "missing $f" "Data/$f: missing"
done

make_tree
: >"$work/tree/Data/avatar/03.bmp"
expect_failed_start "empty image" "Data/avatar/03.bmp: bad format" "korvalen: Error: Failed to open DIB file Data/avatar/03.bmp."

make_tree
head -c 100 "$root/Data/world/grass.bmp" >"$work/tree/Data/world/grass.bmp"
expect_failed_start "cut-off image" "Data/world/grass.bmp: bad format" "korvalen: Error: Image file conversion error."

make_tree
# The info header's size, bytes 14 to 17, says 20: no header kind the reader knows.
printf '\x14\x00\x00\x00' | dd of="$work/tree/Data/texture/n_hrot.bmp" bs=1 seek=14 conv=notrunc status=none
expect_failed_start "header size 20" "Data/texture/n_hrot.bmp: bad format" "korvalen: Error: Unknown DIB file format."

# Names that are not regular files count as files that cannot be opened: never a wait.
make_tree
rm "$work/tree/Data/texture/n_dole.bmp"
mkdir "$work/tree/Data/texture/n_dole.bmp"
expect_failed_start "a folder for an image" "Data/texture/n_dole.bmp: not a regular file" \
  "korvalen: Error: Failed to open DIB file Data/texture/n_dole.bmp."
rmdir "$work/tree/Data/texture/n_dole.bmp"
mkfifo "$work/tree/Data/texture/n_dole.bmp"
expect_failed_start "a pipe for an image" "Data/texture/n_dole.bmp: not a regular file" \
  "korvalen: Error: Failed to open DIB file Data/texture/n_dole.bmp."

make_tree
ln -sf /dev/zero "$work/tree/Data/world/way.bmp"
expect_failed_start "/dev/zero for an image" "Data/world/way.bmp: not a regular file" \
  "korvalen: Error: Failed to open DIB file Data/world/way.bmp."

# Memory running out in the game's own allocations while the images load: a failing
# allocator refuses the game's allocations of a given size or more (the 256 x 256 font
# sheet is the first that large), through malloc (the image reader) or new (the mipmaps).
c++ -shared -fPIC -O1 -o "$work/fail_alloc.so" -x c++ - <<'CODE' || fail "cannot build the allocator"
#include <link.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
extern "C" void* __libc_malloc(size_t);
static uintptr_t low, high;  // the game's own code
static size_t limit;
static bool use_new;
static int find_game(dl_phdr_info* info, size_t, void*) {
  for (int i = 0; i < info->dlpi_phnum; i++)
    if (info->dlpi_phdr[i].p_type == PT_LOAD && (info->dlpi_phdr[i].p_flags & PF_X)) {
      low = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr;
      high = low + info->dlpi_phdr[i].p_memsz;
    }
  return 1;  // the first object is the program
}
__attribute__((constructor)) static void start() {
  const char* how = getenv("FAIL_ALLOC");  // "malloc SIZE" or "new SIZE"
  if (!how || strcmp(program_invocation_short_name, "korvalen") != 0) return;
  use_new = strncmp(how, "new", 3) == 0;
  limit = strtoul(strchr(how, ' ') + 1, nullptr, 10);
  dl_iterate_phdr(find_game, nullptr);
}
static bool refused(size_t n, void* caller) {
  return limit && n >= limit && uintptr_t(caller) >= low && uintptr_t(caller) < high;
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
make_tree
export LD_PRELOAD=$work/fail_alloc.so
FAIL_ALLOC="malloc 100000" expect_failed_start "malloc fails" "Data/system/Font.bmp: out of memory" \
  "korvalen: Error: Out of memory."
FAIL_ALLOC="new 40000" expect_failed_start "new fails" "out of memory"
unset LD_PRELOAD

# An X error while the window and context are made (indirect GL, which the test server
# refuses): the failed start's box with the X error as its reason, not Xlib's own exit.
make_tree
LIBGL_ALWAYS_INDIRECT=1 start_game "$work/tree"
wait_exit "$deadline"
[ "$code" = 1 ] || fail "indirect GL: expected exit code 1, got $code"
grep -q "^korvalen: ERROR: " "$work/stderr" && grep -q "^korvalen: reason: X error " "$work/stderr" ||
  fail "indirect GL: no box line with the X error as its reason"

(unset DISPLAY; cd "$root" && exec "$game") >"$work/stdout" 2>"$work/stderr" &
game_pid=$!
wait_exit "$deadline"
[ "$code" = 1 ] || fail "no display: expected exit code 1, got $code"
grep -qx "korvalen: ERROR: Failed To Register The Window Class." "$work/stderr" ||
  fail "no display: no window class message"
grep -q "^korvalen: reason: ." "$work/stderr" || fail "no display: no reason"
echo "startup: ok"

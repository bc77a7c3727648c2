# Shared by the fault tests, sourced with the test's own arguments (the game binary,
# the repository root): a scratch copy of the game's files, the way into a match,
# and reading the match clock's width off a screenshot. Message boxes print to standard error instead of waiting for a click.
game=$1
root=$2
source "$(dirname "${BASH_SOURCE[0]}")/window_lib.bash"
export KORVALEN_BOXES=stderr

# A scratch tree with the real images and map; the repository's stay untouched.
make_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  cp -r "$root/Data" "$root/s_1.txt" "$work/tree/"
}

# Fails unless the game still runs.
alive() {
  kill -0 "$game_pid" 2>/dev/null || { wait_exit 1; fail "$1: the game ended (code $code)"; }
}

# Main menu -> colour screen -> a match (both on New and Space).
into_match() {
  press space
  press space
  sleep 1
}

# Main menu: the speed entry, level 3, back, and the highlight up on New again.
speed_three() {
  press Down
  press space
  press 3
  press Escape
  press Up
}

# Width in pixels of the yellow match clock under "Time" in screenshot $1 (0: none).
clock_width() {
  convert "$work/$1" -crop 400x70+380+860 +repage -fuzz 25% -fill black +opaque yellow \
    -fill white -opaque yellow -trim -format "%[fx:mean>0?w:0]" info: 2>/dev/null || echo 0
}

# Pixels of the status panel's green "Time" frame in screenshot $1: the play layer is up.
panel_green() {
  convert "$work/$1" -crop 400x120+380+780 +repage -fuzz 25% -fill black +opaque lime \
    -fill white -opaque lime -colorspace gray -format "%[fx:round(mean*w*h)]" info:
}

# Pixels of colour $2 in the 1280 x 1024 screenshot $1 inside the rectangle $3 (WxH+X+Y).
count_colour() {
  convert "$work/$1" -crop "$3" +repage -fuzz 25% -fill black +opaque "$2" \
    -fill white -opaque "$2" -colorspace gray -format "%[fx:round(mean*w*h)]" info:
}

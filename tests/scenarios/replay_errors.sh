#!/usr/bin/env bash
# The replay runner's bad lines: each row is a script (lines split at " ; ") and the
# message standard error must hold. Every row must end with exit code 2, the message
# naming the bad line, and no dump from that line on: what was printed stays printed,
# nothing after runs. "@PATH" instead of a script passes PATH as the script's name.
#   tests/scenarios/replay_errors.sh build/korvalen-replay
set -u
replay=$(realpath "$1")
while IFS='|' read -r script message; do
  script=${script%"${script##*[![:space:]]}"} message=${message# }
  work=$(mktemp -d)
  if [[ $script == @* ]]; then
    args=("${script#@}") bad=1
    printf 'frames 1\ndump done\n' > "$work/script.replay"
  else
    args=(script.replay)
    printf '%s\n' "${script// ; /$'\n'}" > "$work/script.replay"
    bad=$(sed -n 's/^line \([0-9]*\):.*/\1/p' <<< "$message")
  fi
  (cd "$work" && "$replay" "${args[@]}" > out.txt 2> err.txt)
  rc=$?
  dumps=$(head -n $((bad - 1)) "$work/script.replay" | grep -c '^dump')
  frames=$(grep -c '^frame ' "$work/out.txt")
  if [ "$rc" != 2 ] || ! grep -qF -- "$message" "$work/err.txt" || [ "$frames" != "$dumps" ]; then
    echo "FAIL: $script"
    echo "  exit code $rc (want 2), $frames dumps (want $dumps), standard error: $(cat "$work/err.txt")"
    echo "  want: $message"
    failed=1
  fi
  rm -rf "$work"
done <<'TABLE'
frames 2 ; dump done ; jump 3 ; dump done      | line 3: unknown command "jump"
close ; close now                              | line 2: close takes no words
frames                                         | line 1: frames takes one count
frames 1 ; frames 1.5 ; dump done              | line 2: frames: "1.5" is not a whole number
frames -1                                      | line 1: frames: "-1" is not a whole number
active 0 ; frames 1 ; dump active ; active 2   | line 4: active: "2" is neither 0 nor 1
hold SPACE VK255 vk0 ; hold A VK256            | line 2: hold: unknown key "VK256"
hold F1                                        | line 1: hold: unknown key "F1"
hold A frames 2 ; dump done ; hold A frames   | line 3: hold: frames takes one whole number
hold frames 1 2                                | line 1: hold: frames takes one whole number
hold A frames 1x                               | line 1: hold: frames takes one whole number
hold frames 1 ; hold F1 frames 1               | line 2: hold: unknown key "F1"
set r_p                                        | line 1: set takes a name and a value
set player[3].x 1                              | line 1: set: no field named "player[3].x"
set active 2                                   | line 1: set: bad value "2" for active
set r_p 1.5.2                                  | line 1: set: bad value "1.5.2" for r_p
set T_end 12abc                                | line 1: set: bad value "12abc" for T_end
set T_end 2147483647 ; set T_end 2147483648    | line 2: set: bad value "2147483648" for T_end
set Build_Max 50 ; set Build_Max 51            | line 2: set: bad value "51" for Build_Max
set NCP_Max 10 ; set NCP_Max 11                | line 2: set: bad value "11" for NCP_Max
set build[49].x2 1 ; set build[50].x2 1        | line 2: set: no field named "build[50].x2"
set NCP[9].x 1 ; set NCP[10].x 1               | line 2: set: no field named "NCP[10].x"
set g_wepon[11].x 1 ; set g_wepon[12].x 1      | line 2: set: no field named "g_wepon[12].x"
set player[1].show.id 5 ; set player[2].show.id -1 ; set player[1].show.id 6 | line 3: set: bad value "6" for player[1].show.id
set player[0].show.id -2                       | line 1: set: bad value "-2" for player[0].show.id
dump done Points                               | line 1: dump: no field starts with "Points"
bot 2 3 ; bot 3 1                              | line 2: bot: "3" is not a player, 1 or 2
bot 1 0 ; bot 1 +2 ; bot 1 4                   | line 3: bot: "4" is not a level from 0 to 3
bot 1 1 ; bot 2                                | line 2: bot takes a player and a level
bot 1 2x                                       | line 1: bot: "2x" is not a level from 0 to 3
seed 0 ; seed 4294967295 ; seed 4294967296      | line 3: seed: "4294967296" is not a whole number from 0 to 4294967295
seed -1                                        | line 1: seed: "-1" is not a whole number from 0 to 4294967295
seed 12 34                                     | line 1: seed takes one number
@.                                             | cannot read the script
@nosuch.replay                                 | nosuch.replay: cannot open the script
sector 0                                       | line 1: sector: "0" is not a sector from 1 to 99
frames 1 ; dump done ; sector 100              | line 3: sector: "100" is not a sector from 1 to 99
sector                                         | line 1: sector takes one number
sector 2 3                                     | line 1: sector takes one number
TABLE
exit ${failed:-0}

#!/bin/sh
# The CPU the paced program and its X server spend on running games: for each snapshot,
# starts the program on it under its own Xvfb with the disk audio driver, lets it settle,
# then takes both processes' user and system time (all threads, from /proc) over a stretch
# of wall time and prints their shares of one core, and how often the program was switched
# out. The X server's share counts: it is work that the device does for the program.
# Usage: scripts/game_cpu.sh <tavisk binary> <rom> <snapshot>... (SETTLE, SPAN: seconds)
set -eu
bin=$(realpath "$1")
rom=$(realpath "$2")
shift 2
settle=${SETTLE:-5}
span=${SPAN:-30}
here=$(dirname "$0")
for snapshot in "$@"; do
    name=$(basename "$snapshot" | sed 's/\.[^.]*$//')
    # Each game in a shell of its own, so that each session ends before the next one starts.
    (
        . "$here/xvfb_session.sh"
        start_session "game-$name" "$bin" "$rom" audio.raw "$(realpath "$snapshot")"
        sleep "$settle"
        kill -0 "$emu" 2>/dev/null || { echo "the program ended before the measurement" >&2; exit 1; }
        measure "$span" "$emu" "$xvfb" | awk -v name="$name" '
            NR == 1 { p = $1; v = $2; n = $3 }
            NR == 2 { printf "paced game %s: %.1f %% program, %.1f %% X server of one core\n", name, p, $1
                      printf "paced game %s: %d voluntary, %d involuntary context switches a second\n", name, v, n }'
    )
done

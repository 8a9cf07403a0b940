#!/bin/sh
# The CPU the paced program spends at idle: starts it on a ROM under its own Xvfb with the
# disk audio driver, lets it settle, then takes its user and system time (all threads, from
# /proc) over a stretch of wall time and prints the share of one core.
# Usage: scripts/idle_cpu.sh <tavisk binary> <rom> [settle seconds] [measured seconds]
set -eu
bin=$(realpath "$1")
rom=$(realpath "$2")
settle=${3:-5}
span=${4:-20}
. "$(dirname "$0")/xvfb_session.sh"
start_session idle "$bin" "$rom" audio.raw  # in the working folder
# utime + stime in clock ticks; the name in brackets may hold spaces, so count after it.
ticks() { sed 's/.*) //' "/proc/$emu/stat" | awk '{ print $12 + $13 }'; }
now() { date +%s.%N; }
sleep "$settle"
kill -0 "$emu" 2>/dev/null || { echo "the program ended before the measurement" >&2; exit 1; }
t0=$(ticks)
w0=$(now)
sleep "$span"
t1=$(ticks)
w1=$(now)
awk -v t="$((t1 - t0))" -v hz="$(getconf CLK_TCK)" -v w0="$w0" -v w1="$w1" \
    'BEGIN { printf "paced idle: %.1f %% of one core\n", 100 * t / hz / (w1 - w0) }'

#!/bin/sh
# The CPU the paced program spends at idle: starts it on a ROM under its own Xvfb with the
# disk audio driver, lets it settle, then takes its user and system time (all threads, from
# /proc) over a stretch of wall time and prints the share of one core, and how often it was
# switched out.
# Usage: scripts/idle_cpu.sh <tavisk binary> <rom> [settle seconds] [measured seconds]
set -eu
bin=$(realpath "$1")
rom=$(realpath "$2")
settle=${3:-5}
span=${4:-20}
. "$(dirname "$0")/xvfb_session.sh"
start_session idle "$bin" "$rom" audio.raw  # in the working folder
sleep "$settle"
kill -0 "$emu" 2>/dev/null || { echo "the program ended before the measurement" >&2; exit 1; }
measure "$span" "$emu" | awk '{
    printf "paced idle: %.1f %% of one core\n", $1
    printf "paced idle: %d voluntary, %d involuntary context switches a second\n", $2, $3 }'

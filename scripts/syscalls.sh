#!/bin/sh
# The system calls the paced program makes a second, all threads, counted by strace over a
# stretch of wall time on the ROM's prompt or on a snapshot, with the busiest calls listed.
# strace slows every call it sees, so this counts calls; it does not time them.
# Usage: scripts/syscalls.sh <tavisk binary> <rom> [snapshot] (SETTLE, SPAN: seconds)
set -eu
bin=$(realpath "$1")
rom=$(realpath "$2")
settle=${SETTLE:-5}
span=${SPAN:-10}
. "$(dirname "$0")/xvfb_session.sh"
if [ $# -ge 3 ]; then
    name=$(basename "$3" | sed 's/\.[^.]*$//')
    start_session "calls-$name" "$bin" "$rom" audio.raw "$(realpath "$3")"
else
    name=idle
    start_session calls "$bin" "$rom" audio.raw
fi
sleep "$settle"
strace -c -f -p "$emu" -o "$work/calls.txt" 2>/dev/null &
tracer=$!
sleep "$span"
kill -INT "$tracer"
wait "$tracer" 2>/dev/null || true
# The summary's total line: seconds, calls, errors, "total".
awk -v name="$name" -v span="$span" '
    $NF == "total" { printf "paced %s: %d system calls a second\n", name, $(NF - 2) / span }
    /^ *[0-9]/ && $NF != "total" && shown < 5 { calls[++shown] = $NF " " $4 }
    END { for (k = 1; k <= shown; k++) { split(calls[k], c, " "); printf "  %s %d/s\n", c[1], c[2] / span } }
' "$work/calls.txt"

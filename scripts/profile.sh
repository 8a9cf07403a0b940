#!/bin/sh
# Host instructions of the frame run per emulated T-state, of the full renderer per call, of
# the frame renderer per frame of the measuring games, and of the drawn keyboard's pressed
# keys and the rewind ring per frame, counted by callgrind over the profile driver's
# workloads. Counts, unlike times, do not depend on the machine's load.
# Usage: profile.sh path/to/tavisk_profile
set -e
driver=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# count WORKLOAD FUNCTION: host instructions inside FUNCTION (callees included) while the
# driver runs WORKLOAD, then the units the driver printed.
count() {
    units=$(valgrind -q --tool=callgrind --toggle-collect="$2*" \
        --callgrind-out-file="$out/$1" "$driver" "$1")
    instructions=$(sed -n 's/^totals: //p' "$out/$1")
    echo "$instructions $units"
}

count mix run_frame | awk '{ printf "run_frame mix: %.2f host instructions per T-state\n", $1 / $2 }'
count rom run_frame | awk '{ printf "run_frame rom: %.2f host instructions per T-state\n", $1 / $2 }'
count render render_screen |
    awk '{ printf "render_screen: %d host instructions per call\n", $1 / $2 + 0.5 }'
for game in still sprite; do
    count "$game" measured_render_frame |
        awk -v game="$game" '{ printf "render_frame %s: %d host instructions per frame\n", game, $1 / $2 + 0.5 }'
done
count keys-rest draw_pressed_keys |
    awk '{ printf "draw_pressed_keys, no key changing: %.1f host instructions per frame\n", $1 / $2 }'
count keys-change draw_pressed_keys |
    awk '{ printf "draw_pressed_keys, a key changing: %d host instructions per change\n", $1 / $2 + 0.5 }'
# The rewind ring over the mix's frames: its cost per frame, and as a share of the frames'.
echo "$(count rewind rewind_after_frame) $(count rewind run_frame)" |
    awk '{ printf "rewind_after_frame: %d host instructions per frame, %.3f %% of run_frame mix\n", $1 / $2 + 0.5, 100 * $1 / $3 }'

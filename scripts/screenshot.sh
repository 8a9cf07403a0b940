#!/bin/sh
# Starts the built program under its own Xvfb on the default ROM and writes a PNG of the
# whole 800x480 screen; given a second picture, then pauses the machine, opens the pause menu
# and writes that too: scripts/screenshot.sh <tavisk binary> <rom> <output.png> [<menu.png>]
set -eu
bin=$(realpath "$1")
rom=$(realpath "$2")
out=$(realpath -m "$3")
menu=${4:+$(realpath -m "$4")}
. "$(dirname "$0")/xvfb_session.sh"
start_session shot "$bin" "$rom" /dev/null
# The ROM has booted and the first frame count is up once the count cell is no longer black.
for _ in $(seq 1 300); do
    sleep 0.2
    xwd -root -silent -display ":$display" >"$work/screen.xwd"
    /usr/bin/convert "xwd:$work/screen.xwd" -crop 50x10+640+62 -format '%[fx:maxima.intensity]' info: \
        >"$work/count" 2>/dev/null || true
    [ "$(cat "$work/count")" != "0" ] && [ -s "$work/count" ] && break
done
mkdir -p "$(dirname "$out")"
/usr/bin/convert "xwd:$work/screen.xwd" "png:$out"
echo "wrote $out"
[ -n "$menu" ] || exit 0
# PAUSE (the middle of its button), then a tap on the picture; the menu is drawn once its
# first entry shows the highlight's yellow.
DISPLAY=:$display xdotool mousemove 545 115 click 1 sleep 0.5 mousemove 256 242 click 1
for _ in $(seq 1 100); do
    sleep 0.2
    xwd -root -silent -display ":$display" >"$work/menu.xwd"
    [ "$(/usr/bin/convert "xwd:$work/menu.xwd" -crop 1x1+8+52 -format '%[hex:p{0,0}]' info:)" = FFFF00 ] &&
        break
done
/usr/bin/convert "xwd:$work/menu.xwd" "png:$menu"
echo "wrote $menu"

#!/bin/sh
# Starts the built program under its own Xvfb on the default ROM and writes a PNG of the
# whole 800x480 screen: scripts/screenshot.sh <tavisk binary> <rom> <output.png>
set -eu
bin=$(realpath "$1")
rom=$(realpath "$2")
out=$(realpath -m "$3")
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

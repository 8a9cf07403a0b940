#!/bin/sh
# Starts the built program under its own Xvfb on the default ROM and writes a PNG of the
# whole 800x480 screen: scripts/screenshot.sh <tavisk binary> <rom> <output.png>
set -eu
bin=$(realpath "$1")
rom=$2
out=$(realpath -m "$3")
work=$(mktemp -d /tmp/tavisk-shot-XXXXXX)
fifo=$work/display
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 800x480x16 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$fifo"
cleanup() {
    [ -n "${emu:-}" ] && kill "$emu" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
ln -s "$rom" "$work/spectrum.rom"
(cd "$work" && DISPLAY=:$display SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
    SDL_DISKAUDIODELAY=20 exec "$bin" >/dev/null 2>&1) &
emu=$!
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

# Sourced by the scripts that run the program on an X server of its own.
# start_session <name> <tavisk binary> <rom> <audio file>: makes a working folder
# /tmp/tavisk-<name>-XXXXXX ($work) with the ROM as spectrum.rom, starts Xvfb ($xvfb, display
# :$display) and the program in that folder with the disk audio driver writing to the audio
# file ($emu); all of it is ended and removed when the script exits. The program gets user
# places of its own under $work/user (runtime, config, data, home), so that runs in parallel
# share no lock, key map or save, and none writes into the real home.
start_session() {
    work=$(mktemp -d "/tmp/tavisk-$1-XXXXXX")
    fifo=$work/display
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 800x480x16 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb=$!
    read -r display <"$fifo"
    trap end_session EXIT
    ln -s "$3" "$work/spectrum.rom"
    places=$work/user
    mkdir -p "$places/run" "$places/config" "$places/data" "$places/home"
    chmod 700 "$places/run"
    # The disk driver writes each 20 ms buffer to the file, then waits as long as a device would.
    (cd "$work" && XDG_RUNTIME_DIR=$places/run XDG_CONFIG_HOME=$places/config \
        XDG_DATA_HOME=$places/data HOME=$places/home DISPLAY=:$display SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE="$4" SDL_DISKAUDIODELAY=20 exec "$2" >/dev/null 2>&1) &
    emu=$!
}

end_session() {
    [ -n "${emu:-}" ] && kill "$emu" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}

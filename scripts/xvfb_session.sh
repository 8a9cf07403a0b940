# Sourced by the scripts that run the program on an X server of its own.
# start_session <name> <tavisk binary> <rom> <audio file> [program arguments]: makes a
# working folder /tmp/tavisk-<name>-XXXXXX ($work) with the ROM as spectrum.rom, starts Xvfb
# ($xvfb, display :$display) and the program in that folder with the disk audio driver
# writing to the audio file ($emu); all of it is ended and removed when the script exits.
# The program gets user places of its own under $work/user (runtime, config, data, home), so
# that runs in parallel share no lock, key map or save, and none writes into the real home.
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
    program=$2
    audio=$4
    shift 4
    # The disk driver writes each 20 ms buffer to the file, then waits as long as a device would.
    (cd "$work" && XDG_RUNTIME_DIR=$places/run XDG_CONFIG_HOME=$places/config \
        XDG_DATA_HOME=$places/data HOME=$places/home DISPLAY=:$display SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE="$audio" SDL_DISKAUDIODELAY=20 exec "$program" "$@" >/dev/null 2>&1) &
    emu=$!
}

end_session() {
    [ -n "${emu:-}" ] && kill "$emu" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}

# CPU time of a process (all its threads) in clock ticks, utime + stime from /proc; the
# name in brackets may hold spaces, so the fields are counted after it.
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }

# Context switches of a process, all its threads, voluntary (it slept) and involuntary.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^voluntary_ctxt_switches/ { v += $2 } /^nonvoluntary_ctxt_switches/ { n += $2 }
             END { print v + 0, n + 0 }'
}

# measure <seconds> <pid>...: after the stretch of wall time, one line per pid: its share
# of one core in per cent, then its voluntary and involuntary context switches a second.
measure() {
    span=$1
    shift
    before=""
    for pid in "$@"; do before="$before $(ticks "$pid") $(switches "$pid")"; done
    w0=$(date +%s.%N)
    sleep "$span"
    after=""
    for pid in "$@"; do after="$after $(ticks "$pid") $(switches "$pid")"; done
    w1=$(date +%s.%N)
    echo "$before" "$after" | awk -v n="$#" -v hz="$(getconf CLK_TCK)" \
        -v w0="$w0" -v w1="$w1" '{
        for (k = 0; k < n; k++) {
            s = w1 - w0
            printf "%.2f %.0f %.0f\n", 100 * ($(3 * n + 3 * k + 1) - $(3 * k + 1)) / hz / s,
                ($(3 * n + 3 * k + 2) - $(3 * k + 2)) / s, ($(3 * n + 3 * k + 3) - $(3 * k + 3)) / s
        } }'
}

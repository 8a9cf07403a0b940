#!/bin/sh
# Installs the Debian packages that building, running and testing need, when missing.
# Usage: deps.sh build|run|test
set -e
build="cmake ninja-build g++ make pkg-config libsdl1.2-dev libspectrum-dev"
run="opense-basic"
test="libgtest-dev libbenchmark-dev nlohmann-json3-dev pasmo xvfb xdotool x11-apps imagemagick
      fuse-emulator-utils zmakebas clang libclang-rt-14-dev valgrind"
case "$1" in
    build) want="$build" ;;
    run) want="$build $run" ;;
    test) want="$build $run $test" ;;
    *) echo "usage: $0 build|run|test" >&2; exit 2 ;;
esac
missing=""
for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
line="apt-get update && apt-get install -y$missing"
if [ "$(id -u)" != 0 ]; then
    echo "Missing Debian packages; run as root: $line" >&2
    exit 1
fi
echo "Installing:$missing"
if ! { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing; }; then
    echo "Could not install the packages; run: $line" >&2
    exit 1
fi

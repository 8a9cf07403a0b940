#!/bin/sh
# Installs the Debian packages that building, running and testing need, when missing.
# Usage: deps.sh build|run|test, or deps.sh arm <folder> for the armhf cross build, whose
# development packages are unpacked into <folder> (see below).
set -e
build="cmake ninja-build g++ make pkg-config libsdl1.2-dev libspectrum-dev libminizip-dev zlib1g-dev
       libbz2-dev"
run="opense-basic"
test="libgtest-dev libbenchmark-dev nlohmann-json3-dev pasmo xvfb xdotool x11-apps imagemagick
      fuse-emulator-utils zmakebas clang libclang-rt-14-dev valgrind zip bzip2"
# The armhf libraries install beside the host's through multiarch; their development
# packages cannot (they are not co-installable with the amd64 ones the host build uses), so
# those are unpacked into a folder of the cross build's own instead.
arm_host="g++-arm-linux-gnueabihf qemu-user nlohmann-json3-dev"
arm_libs="libsdl1.2debian:armhf libspectrum8:armhf libgtest-dev:armhf libminizip1:armhf"
# libspectrum.h includes gcrypt.h, which includes the architecture's own gpg-error.h.
arm_unpacked="libsdl1.2-dev:armhf libsdl1.2debian:armhf libspectrum-dev:armhf libspectrum8:armhf
              libgcrypt20-dev:armhf libgpg-error-dev:armhf libminizip-dev:armhf libminizip1:armhf
              zlib1g-dev:armhf zlib1g:armhf libbz2-dev:armhf libbz2-1.0:armhf"
case "$1" in
    build) want="$build" ;;
    run) want="$build $run" ;;
    test) want="$build $run $test" ;;
    arm) want="$build $run $arm_host $arm_libs"
         devroot=${2:?"usage: $0 arm <folder>"}
         if [ "$(id -u)" = 0 ] && ! dpkg --print-foreign-architectures | grep -qx armhf; then
             dpkg --add-architecture armhf
             apt-get update -q
         fi ;;
    *) echo "usage: $0 build|run|test|arm <folder>" >&2; exit 2 ;;
esac
missing=""
for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
unpack() {
    # The marker names what was unpacked, so that a changed list unpacks afresh.
    if [ -z "${devroot:-}" ] || [ "$(cat "$devroot/.unpacked" 2>/dev/null)" = "$arm_unpacked" ]
    then return 0; fi
    rm -rf "$devroot" && mkdir -p "$devroot/debs"
    # As root, apt would hand the download to its unprivileged user, who cannot write here.
    (cd "$devroot/debs" && apt-get download -q -o APT::Sandbox::User=root $arm_unpacked)
    for deb in "$devroot"/debs/*.deb; do dpkg-deb -x "$deb" "$devroot"; done
    echo "$arm_unpacked" >"$devroot/.unpacked"
}
[ -z "$missing" ] && { unpack; exit 0; }
line="apt-get update && apt-get install -y$missing"
[ "$1" = arm ] && line="dpkg --add-architecture armhf && $line"
if [ "$(id -u)" != 0 ]; then
    echo "Missing Debian packages; run as root: $line" >&2
    exit 1
fi
echo "Installing:$missing"
if ! { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing; }; then
    echo "Could not install the packages; run: $line" >&2
    exit 1
fi
unpack

#!/usr/bin/env bash
# Installs what building and testing Vellumo needs, on Debian, as root.
# Quiet and quick when everything is already there.
#   wine32:i386       runs the 32-bit exe (needs the i386 architecture)
#   openbox           the window manager of the end-to-end tests' displays
#   xcompmgr          a compositor, to see a translucent Floater blended on one of them
#   libz-mingw-w64-dev, zlib1g-dev, zlib1g-dev:i386
#                     zlib for the PNG encoder: linked into both exes, and into
#                     the native and 32-bit unit tests
#   g++-i686-linux-gnu, qemu-user, googletest
#                     the core's unit tests as 32-bit programs, under qemu-i386
#   xserver-xorg-core, xserver-xorg-video-dummy, x11-xserver-utils
#                     the end-to-end tests' two-monitor desktop (Xorg's dummy
#                     driver, arranged with xrandr)
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake make g++ libgtest-dev googletest \
         g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
         wine64 wine32:i386 xvfb openbox xcompmgr xdotool x11-utils libx11-dev libxext-dev libxtst-dev imagemagick libz-mingw-w64-dev zlib1g-dev zlib1g-dev:i386 fonts-wqy-microhei \
         g++-i686-linux-gnu qemu-user xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils; do
  have_pkg "$p" || need+=("$p")
done
have_i386=true
dpkg --print-foreign-architectures | grep -qx i386 || have_i386=false
[ ${#need[@]} -eq 0 ] && $have_i386 && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! $have_i386; then
  echo "setup: adding the i386 architecture (for wine32)" >&2
  $SUDO dpkg --add-architecture i386
fi
[ ${#need[@]} -eq 0 ] || echo "setup: installing ${need[*]}" >&2
$SUDO apt-get update -qq >/dev/null
[ ${#need[@]} -eq 0 ] || $SUDO apt-get install -y -qq "${need[@]}" >/dev/null

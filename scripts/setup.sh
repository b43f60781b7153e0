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
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# A mirror in the middle of a sync serves an index of the wrong size, and
# apt-get update then fails although nothing is wrong with the machine (seen:
# bookworm-security's i386 index, for more than a day). Try again a little;
# if the lists still will not all load, go on with what did load.
update_failed=false
apt_update() {
  local try
  for try in 1 2 3; do
    $SUDO apt-get update -qq >/dev/null && return 0
    echo "setup: apt-get update failed (try $try of 3)" >&2
    [ "$try" -eq 3 ] || sleep $((try * 10))
  done
  update_failed=true
}
# With one architecture's index of a suite missing, apt sees a newer amd64
# package than the i386 one it must match (linux-libc-dev, say) and refuses
# the i386 half. Preferring the release's main suite for this one install
# gives both halves from the same, complete index.
apt_install() {
  $SUDO apt-get install -y -qq "$@" >/dev/null && return 0
  $update_failed || return 1
  . /etc/os-release
  local prefs
  prefs=$(mktemp -d)
  printf 'Package: *\nPin: release n=%s\nPin-Priority: 1001\n' "$VERSION_CODENAME" > "$prefs/main-suite"
  echo "setup: installing from ${VERSION_CODENAME}'s main suite, as some lists did not load" >&2
  local rc=0
  $SUDO apt-get install -y -qq --allow-downgrades -o Dir::Etc::PreferencesParts="$prefs" "$@" >/dev/null || rc=$?
  rm -rf "$prefs"
  return $rc
}
if [ ${#need[@]} -ne 0 ] || ! $have_i386; then
  export DEBIAN_FRONTEND=noninteractive
  if ! $have_i386; then
    echo "setup: adding the i386 architecture (for wine32)" >&2
    $SUDO dpkg --add-architecture i386
  fi
  [ ${#need[@]} -eq 0 ] || echo "setup: installing ${need[*]}" >&2
  apt_update
  [ ${#need[@]} -eq 0 ] || apt_install "${need[@]}"
fi

# Wine's 32-bit loader is an i386 program. A kernel without IA-32 support
# cannot run it, so such a machine gets qemu-i386 registered for i386 ELF
# files: every 32-bit program, Wine's own re-executions included, then runs
# under emulation without being asked to. Debian's qemu-user-binfmt has no
# i386 entry on an amd64 host, hence the registration by hand. The F flag
# opens the interpreter now, so it works whatever the caller's mount view.
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/qemu-i386" ] && exit 0
/usr/lib/wine/wine --version >/dev/null 2>&1 && exit 0
echo "setup: this kernel runs no 32-bit programs; registering qemu-i386 for them" >&2

# qemu before 8 ignores the address hints Wine reserves its memory with, and
# Wine then probes the whole address space 64 KiB at a time: minutes for each
# process. Bookworm's qemu is 7.2; its backports suite has a later one, from
# the same archive the machine already uses.
qemu_major=$(qemu-i386 --version 2>/dev/null | sed -n 's/.*version \([0-9]*\)\..*/\1/p' | head -n1)
if [ "${qemu_major:-0}" -lt 8 ]; then
  . /etc/os-release
  list=/etc/apt/sources.list.d/vellumo-backports.list
  if [ ! -e "$list" ]; then
    uri=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | grep -v security | head -n1)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $0 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
    echo "deb $uri ${VERSION_CODENAME}-backports main" | $SUDO tee "$list" >/dev/null
  fi
  apt_update
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -t "${VERSION_CODENAME}-backports" qemu-user >/dev/null ||
    echo "setup: no qemu-user from ${VERSION_CODENAME}-backports; Wine under the old qemu is very slow" >&2
fi

if [ ! -e "$binfmt/register" ]; then
  $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
fi
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
if ! printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:F" | $SUDO tee "$binfmt/register" >/dev/null 2>&1 ||
   ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "setup: could not register qemu-i386 in $binfmt: the 32-bit exe cannot be run here" >&2
fi

#!/bin/bash
# Installs what the build and the tests need, and prepares a private Wine
# prefix. Safe to run again: it installs only what is missing.
set -euo pipefail

need_pkgs=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake make g++ googletest
  clang libclang-rt-dev
  wine wine32:i386 xvfb xdotool x11-utils imagemagick python3
  locales fonts-wqy-microhei
  python3-fonttools python3-freetype xfonts-base xfonts-wqy
  libxml2-utils
  cups printer-driver-cups-pdf cups-client cups-bsd libcups2:i386 poppler-utils
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
. /etc/os-release

# Debian's mirrors can serve an index that does not match its release file
# for a while ("File has unexpected size ... Mirror sync in progress?"), and
# apt-get update then fails. It is tried a few times with a pause; the
# sources that still fail are kept in APT_FAILED for the message below.
APT_FAILED=""
apt_update() {
  local try log
  log=$(mktemp)
  for try in 1 2 3; do
    if $SUDO apt-get update -qq >"$log" 2>&1; then APT_FAILED=""; rm -f "$log"; return 0; fi
    APT_FAILED=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log" | head -3 | tr '\n' ' ')
    [ -n "$APT_FAILED" ] || APT_FAILED="(apt-get update: $(grep '^E:' "$log" | head -1))"
    echo "setup: apt-get update failed on $APT_FAILED(try $try of 3)" >&2
    [ "$try" = 3 ] || sleep 15
  done
  rm -f "$log"
  return 1
}

# Installs the packages named. When an index is missing, the newest version
# of a package for one architecture can come from a suite whose index for
# the other is not there (security updates for amd64 but not i386), and the
# two halves of a multi-architecture package no longer match; the install is
# then tried once more with every package taken from the release's main
# suite. When that fails too, one line names the source the mirror failed on.
apt_install() {
  local log
  log=$(mktemp)
  if $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then rm -f "$log"; return 0; fi
  if [ -n "$APT_FAILED" ] && [ -n "${VERSION_CODENAME:-}" ] && [ "$1" != -t ] \
     && $SUDO apt-get install -y -qq --no-install-recommends -t "$VERSION_CODENAME" "$@" >"$log" 2>&1; then
    echo "setup: installed from $VERSION_CODENAME's main suite alone, as the mirror failed on $APT_FAILED" >&2
    rm -f "$log"; return 0
  fi
  if [ -n "$APT_FAILED" ]; then
    echo "setup: cannot install $*: the package mirror failed to serve $APT_FAILED- try again later" >&2
  else
    echo "setup: cannot install $*: $(grep '^E:' "$log" | head -1)" >&2
  fi
  rm -f "$log"
  exit 1
}

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
for p in "${need_pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update || true
  apt_install "${missing[@]}"
fi

# Wine's 32-bit programs need a Linux kernel that runs 32-bit user code. Some
# machines boot without it (ia32 emulation off: i386 ELF files fail with "Exec
# format error"); there the i386 user-mode emulator runs them, registered with
# binfmt_misc so that every 32-bit file Wine starts (wine, wineserver, the
# preloader) goes through it. The F flag opens the emulator at registration,
# so it works inside any mount namespace.
#
# The emulator must be 9.1 or later (Debian's qemu-user, static since then;
# bookworm has it from bookworm-backports). Bookworm's own 7.2 delivers a
# processor fault of one thread on the signal stack of the newest thread, so
# Wine dispatches it on the wrong thread's exception chain, and a process
# with a second thread later crashes inside Wine (seen with the console's
# drawing thread); a stale registration of it is replaced.
QEMU=/usr/bin/qemu-i386
BINFMT=/proc/sys/fs/binfmt_misc/qemu-i386
qemu_is_new() { "$QEMU" --version 2>/dev/null | grep -Eq 'version (9\.[1-9]|[1-9][0-9])'; }
# Whether the kernel itself runs 32-bit code: asked with any registration of
# the emulator switched off for the moment.
runs_32bit_natively() {
  local was_on="" rc=0
  if [ -e "$BINFMT" ] && grep -qx enabled "$BINFMT"; then
    echo 0 | $SUDO tee "$BINFMT" >/dev/null
    was_on=1
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || rc=1
  if [ -n "$was_on" ]; then echo 1 | $SUDO tee "$BINFMT" >/dev/null; fi
  return $rc
}
if runs_32bit_natively; then
  if [ -e "$BINFMT" ]; then
    echo "setup: this kernel runs 32-bit code itself; removing the i386 emulator's registration"
    echo -1 | $SUDO tee "$BINFMT" >/dev/null
  fi
else
  if ! qemu_is_new; then
    echo "setup: this kernel runs no 32-bit code; installing the i386 emulator"
    release=()
    if [ "${VERSION_CODENAME:-}" = bookworm ]; then
      if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
        echo 'deb http://deb.debian.org/debian bookworm-backports main' \
          | $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
      fi
      release=(-t bookworm-backports)
    fi
    apt_update || true
    apt_install "${release[@]}" qemu-user
    qemu_is_new || { echo "setup: no i386 emulator of version 9.1 or later: $("$QEMU" --version | head -1)" >&2; exit 1; }
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ "$(sed -n 's/^interpreter //p' "$BINFMT" 2>/dev/null)" != "$QEMU" ]; then
    if [ -e "$BINFMT" ]; then echo -1 | $SUDO tee "$BINFMT" >/dev/null; fi
    echo ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$QEMU:F" \
      | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "setup: 32-bit programs still do not run (no binfmt_misc?); Wine cannot start" >&2
    exit 1
  fi
fi

# Code page 936 needs the zh_CN.UTF-8 locale; the tests of programs with a
# text code page of their own also run under en_US.UTF-8 (Wine's code page
# 1252) and ja_JP.UTF-8 (932, a double-byte page that reads GBK otherwise).
missing_locale=
for loc in zh_CN ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc.utf8\$"; then
    $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    missing_locale=1
  fi
done
if [ -n "$missing_locale" ]; then
  $SUDO locale-gen >/dev/null
fi

# The private Wine prefix used by the demo and the tests (the user's own
# prefix is never touched) is made on first use by scripts/wineprefix.sh:
# where 32-bit code is emulated that takes many minutes, and a test run
# that runs no Wine test needs none.

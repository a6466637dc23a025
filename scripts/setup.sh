#!/bin/bash
# Installs what the build and the tests need, and prepares a private Wine
# prefix. Safe to run again: it installs only what is missing.
set -euo pipefail

need_pkgs=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake make g++ googletest
  clang libclang-rt-dev
  wine wine32:i386 xvfb xdotool x11-utils imagemagick python3
  locales fonts-wqy-microhei
  cups printer-driver-cups-pdf cups-client cups-bsd libcups2:i386 poppler-utils
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  UPDATED=""
fi
for p in "${need_pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
    export DEBIAN_FRONTEND=noninteractive
    release=()
    . /etc/os-release
    if [ "${VERSION_CODENAME:-}" = bookworm ]; then
      if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
        echo 'deb http://deb.debian.org/debian bookworm-backports main' \
          | $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
      fi
      release=(-t bookworm-backports)
    fi
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${release[@]}" qemu-user >/dev/null
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

# Code page 936 needs the zh_CN.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi

# The private Wine prefix used by the demo and the tests (the user's own
# prefix is never touched) is made on first use by scripts/wineprefix.sh:
# where 32-bit code is emulated that takes many minutes, and a test run
# that runs no Wine test needs none.

#!/bin/bash
# Creates the project's private 32-bit Wine prefix once, and gives it the
# console font (every run: it does nothing for a prefix that has it). Last it
# writes the prefix's ready mark (below), by which a tool can tell at once
# that running this script again would do nothing.
#
# A new prefix takes wineboot seconds where 32-bit code runs natively and
# about a minute where it runs under the i386 emulator, so the first prefix
# made on a machine is kept as a base (QV_PREFIX_BASE) and every later build
# folder copies it. A prefix counts as made only when its stamp file exists:
# a wineboot that was cut short leaves registry files behind that would
# otherwise pass for a prefix and make every program fail to load kernel32.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
. "$here/scripts/env.sh"
base="${QV_PREFIX_BASE:-/var/cache/quorven/wineprefix-$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' _)}"
# The stamp's name changes with what a prefix must hold: a prefix made for
# an older one (version 1 substituted a bitmap font that Wine could not
# draw with) is replaced.
stamp=.quorven-prefix-2

ready() { [ -f "$1/$stamp" ] && [ -f "$1/drive_c/windows/system32/kernel32.dll" ]; }

# Runs wineboot on a fresh folder and stamps it; leaves nothing behind on failure.
boot_into() {
  local dir="$1" tmp="$1.new.$$"
  rm -rf "$tmp"
  mkdir -p "$tmp"
  echo "setup: creating Wine prefix $dir (slow when 32-bit code is emulated)"
  # wineboot needs no display for a new prefix; keep its windows off any screen.
  # Under the emulator the first wine process may give up waiting for the
  # prefix's set-up while that set-up goes on, so what counts is the prefix
  # that is there once the server has ended, not wineboot's status.
  WINEPREFIX="$tmp" DISPLAY= timeout 3000 wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$tmp" timeout 300 wineserver -w || WINEPREFIX="$tmp" wineserver -k || true
  if [ ! -f "$tmp/drive_c/windows/system32/kernel32.dll" ] || [ ! -s "$tmp/.update-timestamp" ]; then
    WINEPREFIX="$tmp" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$tmp"
    echo "setup: wineboot failed to create a Wine prefix" >&2
    return 1
  fi
  touch "$tmp/$stamp"
  rm -rf "$dir"
  mv "$tmp" "$dir"
}

# One setup of this prefix at a time (two runs of quorven-run may start
# together); Wine's server, started below, must not hold the lock.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 8>"$WINEPREFIX.lock"
flock 8
if ! ready "$WINEPREFIX"; then
  # An unfinished prefix from an earlier, interrupted setup is replaced.
  WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  mkdir -p "$(dirname "$base")"
  # One setup at a time makes the base; the others wait for it.
  exec 9>"$base.lock"
  flock 9
  if ! ready "$base"; then
    # Wine's server outlives these commands: it must not hold the lock.
    boot_into "$base" 8>&- 9>&-
  fi
  exec 9>&-
fi
if ! ready "$WINEPREFIX"; then
  echo "setup: copying the base Wine prefix to $WINEPREFIX"
  rm -rf "$WINEPREFIX.new.$$"
  mkdir -p "$(dirname "$WINEPREFIX")"
  cp -a "$base" "$WINEPREFIX.new.$$"
  rm -rf "$WINEPREFIX"
  mv "$WINEPREFIX.new.$$" "$WINEPREFIX"
fi

# The console font, made by the build beside the programs: copied into the
# prefix's Fonts folder, and made Wine's "Courier" (the name Wine asks for
# the stock fixed font by) and linked to a fallback font with the registry
# file made with it. Only this prefix gets it: the shared base and the
# user's own prefix stay as they are.
font="${QV_CONSOLE_FONT:-${QV_BIN_DIR:-$(dirname "$WINEPREFIX")/bin}/quorven-console.ttf}"
reg="${font%.ttf}.reg"
if [ ! -f "$font" ] || [ ! -f "$reg" ]; then
  echo "setup: the console font $font (or its .reg file) is missing; run make first" >&2
  exit 1
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if ! cmp -s "$font" "$fonts/quorven-console.ttf"; then
  mkdir -p "$fonts"
  cp "$font" "$fonts/quorven-console.ttf.new.$$"
  mv "$fonts/quorven-console.ttf.new.$$" "$fonts/quorven-console.ttf"
fi
# The registry is written once per prefix; the stamp names the file's
# contents, so that changed values are written again.
font_stamp="$WINEPREFIX/.quorven-console-font-$(cksum <"$reg" | cut -d' ' -f1)"
if [ ! -f "$font_stamp" ]; then
  echo "setup: making the console font Wine's Courier in $WINEPREFIX"
  family=$(sed -n 's/^"Courier"="\(.*\)"\r*$/\1/p' "$reg")
  # Wine's server keeps the values; it writes them to the prefix's files
  # when it ends. Each wine command takes seconds where 32-bit code is
  # emulated. Wine's drive Z: is the root of the file system.
  DISPLAY= wine regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 8>&- || true
  query() { DISPLAY= wine reg query "$1" /v "$2" 2>/dev/null 8>&- | tr -d '\r'; }
  if query 'HKCU\Software\Wine\Fonts\Replacements' Courier | grep -q "Courier *REG_SZ *$family\$" &&
     query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' "$family" \
       | grep -q "$family *REG_MULTI_SZ *[^\\]*,"; then
    rm -f "$WINEPREFIX"/.quorven-console-font-*
    touch "$font_stamp"
  else
    echo "setup: could not write the console font's registry values in $WINEPREFIX" >&2
    exit 1
  fi
fi

# The screen's DPI, QV_DPI (a prefix of its own for each, named
# wineprefix-dpi<N> beside the default one: LogPixels holds for the whole
# prefix). Wine 8 reads LogPixels, a DWORD, under HKCU\Control Panel\Desktop;
# older readers under HKCC\Software\Fonts: both are written. Without QV_DPI
# nothing is changed. .quorven-dpi holds the value last written (none: 96,
# Wine's own).
dpi="${QV_DPI:-}"
if [ -n "$dpi" ]; then
  if ! [[ "$dpi" =~ ^[1-9][0-9]{1,3}$ ]] || [ "$dpi" -lt 48 ] || [ "$dpi" -gt 960 ]; then
    echo "setup: QV_DPI must be a whole number from 48 to 960, not '$dpi'" >&2
    exit 1
  fi
  written=$(cat "$WINEPREFIX/.quorven-dpi" 2>/dev/null || echo 96)
  if [ "$written" != "$dpi" ]; then
    echo "setup: setting the screen's DPI of $WINEPREFIX to $dpi"
    dpireg="$WINEPREFIX/.quorven-dpi.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n[HKEY_CURRENT_CONFIG\\Software\\Fonts]\r\n"LogPixels"=dword:%08x\r\n' \
      "$dpi" "$dpi" >"$dpireg"
    DISPLAY= wine regedit /S "Z:${dpireg//\//\\}" >/dev/null 2>&1 8>&- || true
    rm -f "$dpireg"
    got=$(DISPLAY= wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null 8>&- | tr -d '\r' \
          | sed -n 's/.*LogPixels *REG_DWORD *0x\([0-9a-fA-F]*\).*/\1/p')
    if [ -z "$got" ] || [ $((16#$got)) != "$dpi" ]; then
      echo "setup: could not set LogPixels to $dpi in $WINEPREFIX" >&2
      exit 1
    fi
    echo "$dpi" >"$WINEPREFIX/.quorven-dpi"
  fi
fi

# The ready mark: inode, size and time of the font, of its registry file and
# of this script, as the prefix was last made complete for them, and, for a
# prefix whose DPI is not 96, the line "dpi N". quorven-run finds it
# matching and skips this script (tools/run/quorven_early.py, prefix_ready).
have_dpi=$(cat "$WINEPREFIX/.quorven-dpi" 2>/dev/null || echo 96)
{
  stat -c '%i %s %Y' "$font" "$reg" "$here/scripts/wineprefix.sh"
  if [ "$have_dpi" != 96 ]; then echo "dpi $have_dpi"; fi
} >"$WINEPREFIX/.quorven-ready.new.$$"
mv "$WINEPREFIX/.quorven-ready.new.$$" "$WINEPREFIX/.quorven-ready"

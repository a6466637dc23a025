#!/bin/bash
# Gives the private Wine prefix a console font that fits the console's cells.
#
# The kernel draws with the stock fixed font (ANSI_FIXED_FONT), which Wine
# requests as "Courier", 12 pixels high, fixed pitch. Wine's own Courier is
# not installed, so Wine falls back to an outline font whose glyphs are
# narrower than the 8-pixel cells. Here "Courier" is made GNU Unifont in its
# bitmap form: 8 x 16 pixels for ASCII and 16 x 16 for Chinese, so that one
# byte is exactly one cell and a GBK character exactly two. A bitmap font is
# not scaled down to the requested 12 pixels: Wine takes its 16-pixel strike.
#
# Wine loads bitmap fonts only as SFNT files (or .fon) from the prefix's
# Fonts folder, so the PCF font of xfonts-unifont is wrapped into a
# bitmap-only SFNT with fonttosfnt. Safe to run again: the font file is
# remade when missing, and the registry values are written once per
# prefix and settings version (a stamp file in the prefix).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${WINEPREFIX:-}" ]; then . "$here/scripts/env.sh"; fi

version=1
fonts="$WINEPREFIX/drive_c/windows/Fonts"
source_font=/usr/share/fonts/X11/misc/unifont.pcf.gz
stamp="$WINEPREFIX/.quorven-fonts-$version"

[ -f "$WINEPREFIX/system.reg" ] || { echo "winefonts: no Wine prefix at $WINEPREFIX" >&2; exit 1; }
[ -f "$source_font" ] || { echo "winefonts: $source_font is missing (package xfonts-unifont)" >&2; exit 1; }

mkdir -p "$fonts"
if [ ! -s "$fonts/qvunifont.otb" ]; then
  tmp="$fonts/qvunifont.otb.tmp"
  fonttosfnt -o "$tmp" "$source_font"
  mv "$tmp" "$fonts/qvunifont.otb"
fi

if [ ! -f "$stamp" ]; then
  quiet() { "$@" >/dev/null 2>&1; }
  quiet wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v Courier /t REG_SZ /d Unifont /f
  # Wine reads the substitutes when a process starts: stop the prefix's
  # server so that no process of the old settings lingers.
  # Under the i386 emulator the desktop process can outlive every program
  # by minutes: give the server a while, then end it (it saves the registry).
  timeout 120 wineserver -w || wineserver -k || true
  if quiet wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v Courier; then
    rm -f "$WINEPREFIX"/.quorven-fonts-*
    touch "$stamp"
  else
    echo "winefonts: could not set the font substitute in $WINEPREFIX" >&2
    exit 1
  fi
fi

#!/bin/bash
# Installs what the build and the tests need, and prepares a private Wine
# prefix. Safe to run again: it installs only what is missing.
set -euo pipefail

need_pkgs=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake make g++ googletest
  wine wine32:i386 xvfb xdotool x11-utils imagemagick python3
  locales fonts-wqy-microhei xfonts-unifont xfonts-utils
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

# Code page 936 needs the zh_CN.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi

# The private Wine prefix used by the demo and the tests; the user's own
# prefix is never touched.
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/wineprefix.sh"

#!/usr/bin/env bash
# Installs the Debian packages the Windows cross build and its tests under Wine need.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  cmake ninja-build perl dpkg-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  wine wine64 wixl msitools locales
  xvfb xauth xdotool openbox x11-utils imagemagick zip unzip python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its code pages from the locale: ru_RU gives a Russian Windows's 1251 and 866.
# Debian ships it uncompiled.
locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$' || $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8

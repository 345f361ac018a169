#!/usr/bin/env bash
# wine-prefix.sh DIR: makes the Wine prefix DIR once, headless, without the .NET and
# HTML engines Wine would offer to download. The Windows tests run inside it.
set -euo pipefail
prefix=$1
[ -f "$prefix/system.reg" ] && [ -f "$prefix/.zuf-ready" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineboot -i >/dev/null 2>&1
wineserver -w
touch "$prefix/.zuf-ready"

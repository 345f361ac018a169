#!/usr/bin/env bash
# wine-prefix.sh DIR [NAME=VALUE...]: makes the Wine prefix DIR once, headless, without the
# .NET and HTML engines Wine would offer to download, with the given variables in the
# Windows environment of every program run in it. Wine leaves the host's QT_* variables
# out of that environment, so this is how the test programs get theirs.
set -euo pipefail
prefix=$1
shift
wanted="ready $*"
[ -f "$prefix/system.reg" ] && [ "$(cat "$prefix/.zuf-ready" 2>/dev/null)" = "$wanted" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineboot -i >/dev/null 2>&1
for entry in "$@"; do
  wine reg add 'HKCU\Environment' /v "${entry%%=*}" /d "${entry#*=}" /f >/dev/null 2>&1
done
wineserver -w
echo "$wanted" >"$prefix/.zuf-ready"

#!/usr/bin/env bash
# Runs a command as a screen reader's session would see the desktop: a private X
# server (the first free display, chosen by the server itself), a D-Bus session and
# the accessibility bus with its registry. Usage: session.sh COMMAND [ARGS...]
set -euo pipefail

if [ -z "${ZUF_A11Y_IN_SESSION:-}" ]; then
  export ZUF_A11Y_IN_SESSION=1
  exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 600); do
  [ -s "$work/display" ] && break
  kill -0 "${pids[0]}" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
# The number is written once the server listens; still, make sure a client gets in.
for _ in $(seq 300); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

# The bus launcher starts the registry; without it the session bus would start both on
# the first request, which is slower and harder to see fail.
for launcher in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  if [ -x "$launcher" ]; then
    "$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
    pids+=($!)
    break
  fi
done

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=0
unset QT_ACCESSIBILITY_DISABLED 2>/dev/null || true
"$@" || { rc=$?; cat "$work/xvfb.log" >&2; exit $rc; }

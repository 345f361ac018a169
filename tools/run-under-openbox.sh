#!/usr/bin/env bash
# Runs a program on an X server of its own (Xvfb, on the first free display) under the
# openbox window manager, as on a pupil's desktop. The program's exit status is the
# script's.
# Usage: run-under-openbox.sh WIDTHxHEIGHT program [arguments...]
set -euo pipefail
size=$1
shift

work=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb writes the number of the display it found free once it accepts connections.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 600); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A home of its own, so that no user's openbox settings apply.
HOME="$work" XDG_CONFIG_HOME="$work/config" openbox --sm-disable 2>"$work/openbox.log" &
wm=$!
# A program that meets the X server before the window manager does starts without it.
for _ in $(seq 600); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  kill -0 "$wm" 2>/dev/null || { cat "$work/openbox.log" >&2; exit 1; }
  sleep 0.05
done

status=0
"$@" || status=$?
[ "$status" -ne 0 ] && [ -s "$work/openbox.log" ] && { echo "openbox said:" >&2; cat "$work/openbox.log" >&2; }
exit "$status"

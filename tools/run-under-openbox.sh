#!/usr/bin/env bash
# Runs a program on an X server of its own (Xvfb, on a free display) under the
# openbox window manager, as on a pupil's desktop. The program's exit status is the
# script's. Usage: run-under-openbox.sh WIDTHxHEIGHT program [arguments...]
set -euo pipefail
size=$1
shift

work=$(mktemp -d)
xvfb=""
wm=""
watchdog=""
stopDesktop() {
  [ -z "$wm" ] || kill "$wm" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  wait $wm 2>/dev/null || true
  wm=""
  xvfb=""
}
cleanup() {
  stopDesktop
  [ -z "$watchdog" ] || kill "$watchdog" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Starts Xvfb and openbox and waits until openbox has taken the screen; false if
# either fails to come up in time.
startDesktop() {
  : >"$work/display"
  # A display number of its own. Xvfb started with -displayfd writes no lock file, so
  # searches for the first free display that start at the same moment in other test runs
  # can end up on one display. A random high number that no lock file, socket file or
  # abstract socket claims is taken instead, and another one if Xvfb fails.
  local n
  for _ in $(seq 50); do
    n=$((200 + RANDOM % 800))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null || break
  done
  # Never on the caller's output: a server left behind would hold it open. No reset
  # when the last client leaves: a server resetting refuses the next client.
  Xvfb ":$n" -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  # The number comes back once the server accepts connections.
  for _ in $(seq 600); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.05
  done
  [ -s "$work/display" ] || return 1
  export DISPLAY=":$(head -n1 "$work/display")"

  # A home of its own, so that no user's openbox settings apply.
  HOME="$work" XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm=$!
  # A program that meets the X server before the window manager does starts without it.
  for _ in $(seq 600); do
    timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    kill -0 "$wm" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

started=no
for attempt in 1 2 3 4 5; do
  if startDesktop; then
    started=yes
    break
  fi
  echo "run-under-openbox: attempt $attempt to start Xvfb and openbox failed" >&2
  cat "$work/xvfb.log" "$work/openbox.log" >&2 2>/dev/null || true
  stopDesktop
done
[ "$started" = yes ] || exit 1

# Killed from outside (a test's timeout), the script leaves no server behind.
(
  while kill -0 $$ 2>/dev/null; do sleep 1; done
  kill "$wm" "$xvfb" 2>/dev/null
) >/dev/null 2>&1 &
watchdog=$!

status=0
"$@" || status=$?
[ "$status" -ne 0 ] && [ -s "$work/openbox.log" ] && { echo "openbox said:" >&2; cat "$work/openbox.log" >&2; }
exit "$status"

#!/usr/bin/env bash
# whole-run.sh ZIP|PROGRAM_DIR WINE [SHOTS]: unpacks the Windows ZIP into a fresh folder (or
# takes the installed PROGRAM_DIR, working in ZUF_WORK_DIR, as a Start-menu shortcut starts it) and takes one
# pupil through a whole test in the real zuf-quiz.exe under Wine on an Xvfb display of its
# own, with a window manager, driven only by mouse and keyboard through xdotool: "Да", a
# name, "&Новый тест", the first topic, one refused empty answer, ten answers, the grade,
# the records window and a confirmed "&Выход". Passes when records.ssu then holds exactly
# the earned line, in Windows-1251 with CR LF, in the working folder. The cues of the grades are taken out of the
# folder first: a missing cue must not keep the test from finishing and being recorded.
# With SHOTS, a screenshot of every window goes there, the help window's included.
#
# Needs WINEPREFIX set to a prepared prefix (tools/windows/wine-prefix.sh).
set -euo pipefail
package=$(realpath "$1") wine=$2 shots=${3:-}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work=$(mktemp -d "${TMPDIR:-/tmp}/zuf-whole-run.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "whole run: $*"; }
fail() { echo "whole run FAILED: $*" >&2; [ -n "$shots" ] || import -display "$DISPLAY" -window root "$work/failure.png" 2>/dev/null || true; exit 1; }

cd "$work"
if [ -d "$package" ]; then
  app=$package
  workdir=$(realpath "${ZUF_WORK_DIR:-$app}")
else
  unzip -q "$package"
  app=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'zuf-quiz-*' | head -n1)
  workdir=$app
fi
[ -f "$app/zuf-quiz.exe" ] || fail "no zuf-quiz.exe in $package"
rm -f "$app"/zuf-quiz/sounds/winner.wav "$app"/zuf-quiz/sounds/pr2.wav

# A display of our own: Xvfb picks a free number and tells it through -displayfd.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1

(cd "$workdir" && exec "$wine" "$app/zuf-quiz.exe") >/dev/null 2>&1 &
quiz=$!
pids+=($quiz)

# The visible window with exactly this title, waited for up to a minute.
window() {
  local id
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$quiz" 2>/dev/null || fail "zuf-quiz.exe ended while waiting for \"$1\""
    sleep 0.1
  done
  fail "no window \"$1\""
}
gone() {
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window \"$1\" stayed open"
}
# A screenshot of one window with the window manager's frame: shot NAME WINDOW.
shot() { [ -z "$shots" ] || { sleep 1; import -frame -window "$2" "$shots/$1.png"; }; }
# A click at a point of a window's client area, in pixels (15 twips each).
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }
# The main window's client area starts below its menu bar: 457 pixels high (6855 twips).
form1() { window "Тесты по ЗУФ"; }
menubar() { eval "$(xdotool getwindowgeometry --shell "$1")"; echo $((HEIGHT - 457)); }
file_menu() { # opens "&Файл" and picks its item number n (1 = "&Новый тест")
  local id=$1 n=$2
  click "$id" 20 $(( $(menubar "$id") / 2 ))
  for _ in $(seq "$n"); do xdotool key Down; done
  xdotool key Return
  sleep 0.5
}

step "welcome window, \"Да\""
w6=$(window Form6)
shot form6-welcome "$w6"
click "$w6" 172 140               # Command1 "Да": 1800,1920 1575x375 twips

step "the name"
w=$(window "Регистрация")
shot name-prompt "$w"
xdotool windowactivate --sync "$w" 2>/dev/null || true
xdotool type --delay 80 "Petrov"
xdotool key Return
gone "Регистрация"

step "\"&Новый тест\", the first topic"
w1=$(form1)
shot form1-title "$w1"
file_menu "$w1" 1
w2=$(window "Выбор темы")
shot form2-topics "$w2"
click "$w2" 120 8                 # List1's first item
click "$w2" 112 148               # Command1 "Ok": 840,2040 1695x375 twips
gone "Выбор темы"

mb=$(menubar "$w1")
answer() { click "$w1" 276 $((mb + 428)); }   # Command1 "Ответ": 3480,6240 1335x375 twips
step "an empty answer, refused"
shot form1-question "$w1"
answer
wb=$(window "Повтор ввода")
shot empty-answer-warning "$wb"
xdotool key Return
gone "Повтор ввода"

step "ten answers, the first box ticked each time"
for q in $(seq 10); do
  click "$w1" 24 $((mb + 232))   # Check1: 240,3360 255x255 twips
  answer
done

step "the grade"
w3=$(window "Оценка")
shot form3-result "$w3"
click "$w3" 216 236               # Command1 "Ok": 2640,3360 1215x375 twips
gone "Оценка"

step "the records window"
file_menu "$w1" 2
w5=$(window "Рейтинг тестируемых")
shot form5-records "$w5"
click "$w5" 340 292               # Command1 "Ok": 4320,4200 1575x375 twips
gone "Рейтинг тестируемых"

if [ -n "$shots" ]; then
  step "the help window"
  click "$w1" 75 $((mb / 2))      # "&Справка"
  xdotool key Down Return
  w4=$(window "Справка")
  shot form4-help "$w4"
  click "$w4" 237 372             # Command1 "Ok": 2760,5400 1575x375 twips
  gone "Справка"
fi

step "\"&Выход\", confirmed"
file_menu "$w1" 4
wx=$(window "Выход")
shot exit-confirmation "$wx"
xdotool key Return
for _ in $(seq 300); do kill -0 "$quiz" 2>/dev/null || break; sleep 0.1; done
kill -0 "$quiz" 2>/dev/null && fail "zuf-quiz.exe did not end after the confirmed exit"

# The earned line: questions 1 to 10 of the first topic's file, answer 1 ticked each time.
expected=$(python3 - "$workdir/qes9.ssu" <<'PY'
import csv, io, sys
rows = list(csv.reader(io.StringIO(open(sys.argv[1], encoding='cp1251', newline='').read())))
t5, t4, t3 = (int(v) for v in rows[0][:3])
score = 0
for record in rows[1:11]:
    score = max(0, score + (1 if record[6].strip() == '1' else -1))
grade = 2 if score < t3 else 3 if score < t4 else 4 if score < t5 else 5
sys.stdout.write("Petrov,Безопасность прихимических авариях, %d" % grade)
PY
)
printf '%s\r\n' "$expected" | iconv -f UTF-8 -t CP1251 >"$work/expected.ssu"
[ -f "$workdir/records.ssu" ] || fail "no records.ssu was written in $workdir"
cmp -s "$work/expected.ssu" "$workdir/records.ssu" || {
  echo "expected: $(od -c "$work/expected.ssu" | head -5)" >&2
  echo "found:    $(od -c "$workdir/records.ssu" | head -5)" >&2
  fail "records.ssu does not hold exactly the earned line"
}
step "records.ssu holds exactly: $expected (Windows-1251, CR LF)"

#!/usr/bin/env bash
# check-clean-install.sh DEB [ROOT]: installs the package on a clean Debian 12
# root filesystem and takes one whole test through the menu entry.
#
# ROOT (default /var/tmp/zuf-clean-root) is made with debootstrap from the
# mirror the host's apt already uses when it does not exist yet. Inside it:
# `apt install ./DEB`, a look for unresolved libraries, the desktop entry's
# Exec line run as an ordinary user with ZUF_QUIZ_DIR set, on an Xvfb display
# of the host; xdotool on the host answers the welcome window, gives a name,
# picks the first topic, ticks the first answer of ten questions and closes
# the result window. Passes when records.ssu then holds that pupil's line;
# last, desktop-file-validate checks the installed entry.
#
# Needs root, debootstrap, Xvfb and xdotool on the host; takes a few minutes.
# Not part of `make test`.
set -euo pipefail

deb=$(readlink -f "$1")
root=${2:-/var/tmp/zuf-clean-root}
display=:77
pupil=Pupil

say() { printf '== %s\n' "$*"; }
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

host_mirror() {
  local uri
  uri=$(grep -hE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null |
        grep -v -e security -e '^#' | grep -m1 -oE 'https?://[^ ]+/debian/?' || true)
  echo "${uri:-}"
}

make_root() {
  local mirror
  mirror=$(host_mirror)
  [ -n "$mirror" ] || { echo "no Debian mirror in the host's apt sources" >&2; exit 1; }
  say "debootstrap bookworm into $root"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
}

mount_all() {
  mount -t proc proc "$root/proc"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mkdir -p "$root/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
}

cleanup() {
  set +e
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid"
  for m in tmp/.X11-unix dev/pts dev proc; do
    mountpoint -q "$root/$m" && umount "$root/$m"
  done
}
trap cleanup EXIT

# The window with this title, once it is mapped.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(DISPLAY=$display xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window named $1" >&2
  return 1
}

# Clicks at a point given in twips of the window's client area (15 twips to a pixel).
click_twips() {
  local window=$1 x=$(($2 / 15)) y=$(($3 / 15 + ${4:-0}))
  DISPLAY=$display xdotool mousemove --window "$window" "$x" "$y" click 1
  sleep 0.2
}

keys() { DISPLAY=$display xdotool key --delay 80 "$@"; sleep 0.3; }

# With SHOTS=folder set, the screen at each step is kept there as PNG.
shot() {
  [ -n "${SHOTS:-}" ] || return 0
  mkdir -p "$SHOTS"
  import -display "$display" -window root "$SHOTS/$1.png"
}

[ -d "$root" ] || make_root
mount_all

say "apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$(basename "$deb")" >/dev/null
in_root dpkg-query -W zuf-quiz

say "unresolved libraries"
missing=$(in_root sh -c 'ldd /usr/bin/zuf-quiz /usr/bin/zuf-check /usr/lib/*/zuf-quiz/*.so 2>&1 | grep "not found" || true')
[ -z "$missing" ] || { echo "$missing"; exit 1; }
echo none

say "the menu entry"
entry=$(ls "$root"/usr/share/applications/*.desktop)
exec_line=$(sed -n 's/^Exec=//p' "$entry")
echo "$(basename "$entry"): Exec=$exec_line"
in_root sh -c 'id pupil >/dev/null 2>&1 || useradd -m pupil'
rm -rf "$root/srv/lab"
mkdir -p "$root/srv/lab"
chroot "$root" chown pupil /srv/lab

say "Xvfb $display and one whole test"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/pupil LANG=C.UTF-8 DISPLAY=$display \
  ZUF_QUIZ_DIR=/srv/lab setpriv --reuid=pupil --regid=pupil --init-groups sh -c "$exec_line" \
  >"$root/tmp/quiz.log" 2>&1 &
quiz_pid=$!

welcome=$(wait_window Form6)
shot 1-welcome
click_twips "$welcome" 2587 2107                 # "Да"
sleep 0.5
DISPLAY=$display xdotool type --delay 60 "$pupil"
shot 2-name
keys Return
main=$(wait_window 'Тесты по ЗУФ')
DISPLAY=$display xdotool windowactivate --sync "$main" 2>/dev/null || true
keys alt Down Return                             # "&Файл" > "&Новый тест"
topics=$(wait_window 'Выбор темы')
click_twips "$topics" 1500 120                   # the first topic
shot 3-topic
click_twips "$topics" 1687 2227                  # "Ok"
menubar=$(( $(DISPLAY=$display xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p') - 6855 / 15 ))
for n in $(seq 10); do
  click_twips "$main" 367 3487 "$menubar"        # the box of answer 1
  [ "$n" = 1 ] && shot 4-question
  click_twips "$main" 4147 6427 "$menubar"       # "Ответ"
done
result=$(wait_window 'Оценка')
shot 5-result
click_twips "$result" 3247 3547                  # "Ok"
keys alt Down Up Return                          # "&Файл" > "&Выход"
wait_window 'Выход' >/dev/null
shot 6-exit
keys Return                                      # "Да"
for _ in $(seq 50); do kill -0 "$quiz_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$quiz_pid" 2>/dev/null; then echo "the quiz did not end after Выход"; exit 1; fi
echo "the quiz ended after Выход"

say "records.ssu in /srv/lab"
if ! [ -s "$root/srv/lab/records.ssu" ]; then
  echo "no records.ssu; the quiz said:"; cat "$root/tmp/quiz.log"; exit 1
fi
iconv -f WINDOWS-1251 -t UTF-8 "$root/srv/lab/records.ssu"
grep -q "^$pupil," "$root/srv/lab/records.ssu"
ls "$root/srv/lab"

say "desktop-file-validate"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq desktop-file-utils >/dev/null
in_root desktop-file-validate "/usr/share/applications/$(basename "$entry")" && echo valid
say "passed"

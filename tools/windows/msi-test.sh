#!/usr/bin/env bash
# msi-test.sh MSI WINE QUESTION_FILE...: the Windows Installer package as a lab administrator uses it, under Wine
# in a fresh prefix with a Russian locale (code pages 1251 and 866): a silent installation, the
# Start-menu shortcuts' targets and working folders, a whole test from the quiz shortcut's
# working folder (tools/windows/whole-run.sh), zuf-check.exe to a console and to a file, then a
# silent removal that leaves the programs gone and the results and question files in place.
#
# Needs WINEPREFIX set to a prepared prefix (tools/windows/wine-prefix.sh), which stays as it
# is: the test installs into a copy of its own. Wine enforces no file
# rights: the package's rights are checked as the rows it carries, not as a pupil meets them.
set -euo pipefail
msi=$(realpath "$1") wine=$2
shift 2
questions=("$@")   # one question file for each topic
has_questions() { for q in "${questions[@]}"; do [ -f "$data/$q" ] || return 1; done; }
here=$(cd "$(dirname "$0")" && pwd)
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 WINEDEBUG=-all
# winemenubuilder would copy the shortcuts into the host's own menus.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

work=$(mktemp -d "${TMPDIR:-/tmp}/zuf-msi.XXXXXX")
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX=$work/prefix
drive=$WINEPREFIX/drive_c
program="$drive/Program Files/zuf-quiz"
data="$drive/ProgramData/zuf-quiz"

step() { echo "msi: $*"; }
fail() { echo "msi FAILED: $*" >&2; exit 1; }

# Wine puts a per-machine shortcut into the user's Start menu, Windows into the all-users one.
shortcut() {
  find "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs" \
       "$drive"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs \
       -maxdepth 1 -name "$1.lnk" 2>/dev/null | head -n1
}
# A shortcut's target, working folder and arguments, one a line, from its Shell Link data.
read_shortcut() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
flags = struct.unpack_from('<I', data, 0x14)[0]
pos = 0x4C
if flags & 0x1:                                   # an item id list: skipped
    pos += 2 + struct.unpack_from('<H', data, pos)[0]
target = ''
if flags & 0x2:                                   # link info: the local path, wide if given
    size, header, info_flags, _, base = struct.unpack_from('<IIIII', data, pos)
    if info_flags & 1:
        target = data[pos + base:data.index(b'\0', pos + base)].decode('cp1251')
        if header >= 0x24 and struct.unpack_from('<I', data, pos + 0x1C)[0]:
            wide = pos + struct.unpack_from('<I', data, pos + 0x1C)[0]
            target = data[wide:].decode('utf-16-le', 'replace').split('\0')[0]
    pos += size
strings = {}
for bit, name in ((0x4, 'name'), (0x8, 'relative'), (0x10, 'workdir'), (0x20, 'arguments'), (0x40, 'icon')):
    if flags & bit:
        count = struct.unpack_from('<H', data, pos)[0]
        width = 2 if flags & 0x80 else 1
        strings[name] = data[pos + 2:pos + 2 + count * width].decode('utf-16-le' if width == 2 else 'cp1251').rstrip('\0')
        pos += 2 + count * width
print(target, strings.get('workdir', ''), strings.get('arguments', ''), sep='\n')
PY
}
expect_shortcut() { # NAME TARGET WORKDIR ARGUMENTS
  local lnk found
  lnk=$(shortcut "$1")
  [ -n "$lnk" ] || fail "no Start-menu shortcut \"$1\""
  found=$(read_shortcut "$lnk")
  [ "$found" = "$(printf '%s\n%s\n%s' "$2" "$3" "$4")" ] || fail "shortcut \"$1\" is: $found"
}

step "the package's rights: the data folder and each question file"
rights=$(msiinfo export "$msi" MsiLockPermissionsEx)
grep -q $'^rDATADIR\tDATADIR\tCreateFolder\tD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1201bf;;;BU)\t' <<<"$rights" \
  || fail "no rights for the data folder: $rights"
[ "$(grep -c $'\tFile\tD:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)\t' <<<"$rights")" = "${#questions[@]}" ] \
  || fail "not every question file is read-only for users: $rights"

step "msiexec /i /qn"
"$wine" msiexec /i "$msi" /qn || fail "installation ended with $?"
[ -f "$program/zuf-quiz.exe" ] && [ -f "$program/zuf-teacher.exe" ] && [ -f "$program/ПРОЧТИ.txt" ] \
  || fail "the programs are not in Program Files"
ls "$program"/qes*.ssu >/dev/null 2>&1 && fail "question files in the program folder"
has_questions || fail "the data folder lacks question files"

step "the texts as Notepad reads them"
python3 - "$program" <<'PY' || fail "a text is not as Notepad reads it"
import sys
folder = sys.argv[1]
for name, marked in (("ПРОЧТИ.txt", True), ("Руководство учителя.txt", True), ("LICENSE.txt", False)):
    data = open(f"{folder}/{name}", "rb").read()
    problems = []
    if data.startswith(b"\xef\xbb\xbf") != marked:
        problems.append("byte-order mark")
    if data.count(b"\n") != data.count(b"\r\n"):
        problems.append("a line not ended with CR LF")
    text = data.decode("utf-8-sig")
    problems += [f"the Linux step {word!r}" for word in ("~/.local", "groupadd", "man zuf-check", "iconv -f", "chmod")
                 if word in text]
    if problems:
        sys.exit(f"{name}: {', '.join(problems)}")
PY

step "the Start-menu shortcuts"
expect_shortcut "Тесты по ЗУФ" 'C:\Program Files\zuf-quiz\zuf-quiz.exe' 'C:\ProgramData\zuf-quiz\' ''
expect_shortcut "Тесты по ЗУФ — учитель" 'C:\Program Files\zuf-quiz\zuf-teacher.exe' 'C:\ProgramData\zuf-quiz\' \
  '"C:\ProgramData\zuf-quiz\."'

step "zuf-check.exe to a console and to a file"
printf '9,7,5,0\r\n"Текст без кавычки,"А","Б","В","Г",1,0,0,0,0\r\n' | iconv -f UTF-8 -t CP1251 >"$data/bad.ssu"
# As a teacher runs it in the data folder, the program folder on the PATH.
cd "$data"
export WINEPATH='C:\Program Files\zuf-quiz'
script -qec "\"$wine\" cmd /c zuf-check.exe bad.ssu" "$work/console" </dev/null >/dev/null || true
# The console wraps long lines and draws with escape sequences: the text alone, joined.
shown=$(sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/console" | tr -d '\r\n')
grep -q "bad.ssu:2:1: error: Текст, который начинается здесь с кавычки, не закрыт кавычкой" <<<"$shown" \
  || fail "the console did not show the reason: $shown"
"$wine" cmd /c 'zuf-check.exe bad.ssu > отчёт.txt' || true
# Alone on its console, as from Explorer: the usage, then a key closes it (the key is waiting).
printf x | timeout 60 script -qec "\"$wine\" 'C:\\Program Files\\zuf-quiz\\zuf-check.exe'" "$work/alone" >/dev/null || true
shown=$(sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/alone" | tr -d '\r\n')
grep -q "Использование: zuf-check.*Нажмите любую клавишу, чтобы закрыть окно\." <<<"$shown" \
  || fail "zuf-check.exe alone on its console did not wait for a key: $shown"
unset WINEPATH
[ "$(head -c 3 отчёт.txt | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the report file has no UTF-8 mark"
tail -c +4 отчёт.txt | iconv -f UTF-8 -t UTF-8 | grep -q "не закрыт кавычкой" || fail "the report file is not UTF-8"
rm -f bad.ssu отчёт.txt
cd "$work"
wineserver -w

step "a whole test from the quiz shortcut's working folder"
ZUF_WORK_DIR=$data "$here/whole-run.sh" "$program" "$wine"
wineserver -w
cp "$data/records.ssu" "$work/records.ssu"

step "msiexec /x /qn"
unset DISPLAY
"$wine" msiexec /x "$msi" /qn || fail "removal ended with $?"
[ ! -e "$program/zuf-quiz.exe" ] || fail "zuf-quiz.exe is still installed"
[ -z "$(shortcut "Тесты по ЗУФ")" ] || fail "the Start-menu shortcut is still there"
cmp -s "$work/records.ssu" "$data/records.ssu" || fail "the removal did not keep records.ssu as it was"
has_questions || fail "the removal took question files"
step "removed; records.ssu and the question files kept in C:\\ProgramData\\zuf-quiz"

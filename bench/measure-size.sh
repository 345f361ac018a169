#!/usr/bin/env bash
# Size of the installed program and its own files (Qt's libraries not counted),
# as installed and with the binaries stripped, against the bare window's binary.
#   bench/measure-size.sh <build dir>
set -euo pipefail

build=${1:?usage: measure-size.sh <build dir>}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

stripped_size() {
  local copy="$prefix/.stripped"
  cp "$1" "$copy" && strip --strip-unneeded "$copy" && stat -c %s "$copy" && rm -f "$copy"
}

line() { printf '  %-44s %10s %-3s %s\n' "$1" "$2" "${3:-}" "${4:-}"; }
kb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }

total=0
total_stripped=0
binaries=0
binaries_stripped=0
echo
echo "== size, installed with cmake --install (without Qt's libraries)"
while IFS= read -r -d '' file; do
  size=$(stat -c %s "$file")
  small=$size
  if file -b "$file" | grep -q '^ELF'; then
    small=$(stripped_size "$file")
    binaries=$((binaries + size))
    binaries_stripped=$((binaries_stripped + small))
  fi
  total=$((total + size))
  total_stripped=$((total_stripped + small))
done < <(find "$prefix" -path "$prefix/.stripped" -prune -o -type f -print0)

count=$(find "$prefix" -type f | wc -l)
line "files installed" "$count"
for f in bin/zuf-quiz bin/zuf-check; do
  line "$f, as built / stripped" "$(kb "$(stat -c %s "$prefix/$f")")" KB "/ $(kb "$(stripped_size "$prefix/$f")") KB"
done
for f in "$prefix"/lib*/zuf-quiz/*; do
  line "${f#"$prefix"/}, as built / stripped" "$(kb "$(stat -c %s "$f")")" KB "/ $(kb "$(stripped_size "$f")") KB"
done
line "share/ (sounds, icons, pictures, texts)" "$(kb "$(du -sb --apparent-size "$prefix/share" | cut -f1)")" KB
line "all binaries, as built / stripped" "$(kb $binaries)" KB "/ $(kb $binaries_stripped) KB"
line "everything, as built" "$(kb $total)" KB
awk -v s="$total_stripped" 'BEGIN { printf "  %-44s %10.2f MB  goal < 2.00 MB%s\n", "everything, binaries stripped", s / 1048576, s < 2097152 ? "  met" : "  MISSED" }'
bare=$(stripped_size "$build/bench/bare_window")
quiz=$(stripped_size "$prefix/bin/zuf-quiz")
line "bare window binary, stripped (baseline)" "$(kb "$bare")" KB
awk -v q="$quiz" -v b="$bare" 'BEGIN { printf "  %-44s %10.2f x\n", "zuf-quiz stripped / bare window stripped", q / b }'

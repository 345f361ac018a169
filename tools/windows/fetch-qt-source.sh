#!/usr/bin/env bash
# fetch-qt-source.sh VERSION DIR: unpacks Debian's qt6-base source of the host's own Qt
# (which must be VERSION) into DIR. When the system has no deb-src entry, one is added for
# the same Debian archives and suites that its deb entries already name.
set -euo pipefail
want=$1 dir=$2

have=$(dpkg-query -W -f='${Version}' libqt6core6)
case "$have" in
  "$want"+*|"$want"-*) ;;
  *) echo "The host's Qt is $have, not $want: its moc, rcc and uic would not match" >&2; exit 1 ;;
esac

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

if ! apt-get source --print-uris "qt6-base=$have" >/dev/null 2>&1; then
  list=/etc/apt/sources.list.d/zuf-quiz-deb-src.sources
  echo "Adding Debian's source entries in $list" >&2
  {
    # deb822 stanzas: the same entry with Types deb-src, for Debian's own archives only.
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$list" ] || continue
      awk -v RS= -v ORS='\n\n' '
        /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*debian/ && !/(^|\n)Enabled: *no/ {
          sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
    done
    # one-line entries, written out as deb822 stanzas
    if [ -f /etc/apt/sources.list ]; then
      awk '$1 == "deb" && $2 ~ /debian/ && $2 !~ /^\[/ {
             printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $2, $3
             for (i = 4; i <= NF; i++) printf " %s", $i
             printf "\n\n" }' /etc/apt/sources.list
    fi
  } | $sudo tee "$list" >/dev/null
  $sudo apt-get update -qq
fi

mkdir -p "$dir"
cd "$dir"
apt-get source -qq "qt6-base=$have" >/dev/null

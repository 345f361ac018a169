#!/usr/bin/env bash
# make-resources.sh: regenerates every picture, icon and sound cue under
# resources/ from the drawings there (SVG) and the sound recipes in
# tools/resources/make-sounds.sh. The results are committed, so the build
# never runs this; run it after changing a source and look at what changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icons=$root/resources/icons
pictures=$root/resources/pictures

for tool in rsvg-convert convert sox soxi bc fc-list; do
  if ! command -v "$tool" >/dev/null; then
    echo "make-resources.sh: $tool is missing; tools/install-deps.sh installs it" >&2
    exit 1
  fi
done
# Without the font the title would silently fall back to another face.
if ! fc-list | grep -q "Liberation Serif"; then
  echo "make-resources.sh: the Liberation Serif font is missing (fonts-liberation2)" >&2
  exit 1
fi

# render_icon NAME SIZE...: NAME-SIZE.png from NAME-SIZE.svg where a drawing
# fitted to that pixel grid exists, else from the general drawing NAME.svg.
render_icon() {
  local name=$1 size src
  shift
  for size in "$@"; do
    src=$icons/$name-$size.svg
    [ -e "$src" ] || src=$icons/$name.svg
    rsvg-convert -w "$size" -h "$size" "$src" -o "$icons/$name-$size.png"
  done
}

# render_picture NAME: NAME.jpg from NAME.svg at the size the drawing declares.
# Full-resolution colour keeps the small red and black details sharp.
render_picture() {
  rsvg-convert "$pictures/$1.svg" |
    convert - -background white -flatten -strip -sampling-factor 1x1 -quality 92 "$pictures/$1.jpg"
}

render_icon books 16 32 48 64 128 256
render_icon teacher 16 32 48 64 128 256
render_icon open-book 16 32
render_icon document 16 32 48
render_icon help-book 16 32 48
render_icon starburst 16 32
convert "$icons"/books-{16,32,48,256}.png "$icons/books.ico"

render_picture title
render_picture portrait1
render_picture portrait2

"$root/tools/resources/make-sounds.sh" "$root/resources/sounds"

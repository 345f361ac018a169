#!/usr/bin/env bash
# seed-workdir.sh SOURCE_DIR WORK_DIR: creates WORK_DIR and copies the question
# files into it where they are missing; a teacher's own files are never replaced.
set -euo pipefail
src=$1 dst=$2
mkdir -p "$dst"
for f in "$src"/qes[1-9].ssu; do
  [ -e "$dst/$(basename "$f")" ] || cp "$f" "$dst/"
done

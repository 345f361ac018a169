#!/usr/bin/env bash
# seed-workdir.sh SOURCE_DIR WORK_DIR: creates WORK_DIR and copies the question
# files into it where they are missing; a teacher's own files are never replaced.
# The files are those the topic table names, one a topic.
set -euo pipefail
src=$1 dst=$2
table="$(dirname "$0")/../topics/topics.tsv"
mkdir -p "$dst"
awk -F '\t' '!/^#/ && NF >= 2 { print $2 }' "$table" | while IFS= read -r name; do
  [ -e "$dst/$name" ] || cp "$src/$name" "$dst/"
done

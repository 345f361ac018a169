#!/usr/bin/env bash
# make-sounds.sh OUT_DIR: synthesises the three cues with sox.
# Each note is a sine with two quiet overtones, faded in quickly and out
# smoothly; the notes of a cue overlap a little and get a touch of room echo.
# Every cue is mono 16-bit PCM at 22050 Hz with its peak at -6 dBFS.
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rate=22050

# calc EXPR: the value of a bc expression.
calc() {
  echo "$1" | bc -l
}

# tone SAMPLES FREQ: a sox pipe command for one plain sine.
tone() {
  echo "|sox -R -r $rate -c 1 -n -b 32 -p synth $1s sine $2"
}

# note FILE START LENGTH FREQ: one note beginning START seconds into the cue.
# Lengths are counted in samples so that the fade ends exactly with the note.
note() {
  local file=$1 start=$2 len=$3 freq=$4 samples
  samples=$(printf '%.0f' "$(calc "$len * $rate")")
  sox -R -m -v 0.7 "$(tone "$samples" "$freq")" \
            -v 0.18 "$(tone "$samples" "$(calc "$freq * 2")")" \
            -v 0.06 "$(tone "$samples" "$(calc "$freq * 3")")" \
    -b 32 "$file" \
    fade q 0.01 "${samples}s" "$(calc "$len * 0.85")" \
    pad "$start" 0
}

# cue NAME NOTE...: mixes the notes, each given as "start length freq", into NAME.wav.
cue() {
  local name=$1; shift
  local files=() i=0 samples
  for tone in "$@"; do
    # shellcheck disable=SC2086
    note "$tmp/$name-$i.wav" $tone
    files+=("$tmp/$name-$i.wav")
    i=$((i + 1))
  done
  sox -R -m "${files[@]}" -b 32 "$tmp/$name.wav" pad 0 0.2 reverb 25 50 40
  samples=$(soxi -s "$tmp/$name.wav")
  sox -R "$tmp/$name.wav" -r $rate -c 1 -b 16 "$out/$name.wav" \
    fade 0 "${samples}s" 0.15 gain -n -6
}

# A passed test: a rising C major arpeggio, the top note left to ring.
cue winner "0 0.30 523.25" "0.11 0.30 659.26" "0.22 0.30 783.99" "0.33 0.85 1046.50"
# Grade 2: three low falling notes of a minor chord.
cue pr2 "0 0.34 196.00" "0.26 0.34 155.56" "0.52 0.70 130.81"
# Leaving the program: a gentle falling fourth.
cue pr1 "0 0.30 783.99" "0.20 0.55 587.33"

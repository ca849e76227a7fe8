#!/usr/bin/env bash
# Measures recovery from lossy audio: every corpus recording is encoded as OGG
# Vorbis (sox -C 3 and -C 5) and as MP3 at 128 kbit/s (sox's mp3 handler,
# Debian package libsox-fmt-mp3); velliqor is given the lossy file itself (it
# converts OGG and MP3 through libsndfile), Debian's audio2tape (package
# fuse-emulator-utils) the same audio decoded back to a 48 kHz 16-bit mono WAV,
# since it reads no OGG or MP3. Both are scored against the truth; the blocks
# exact per encoding and recording are printed and written as a Markdown table
# to TABLE.md.
#   tools/lossy/measure.sh TABLE.md [VELLIQOR] [OUT_DIR]
# VELLIQOR defaults to the build of the main checkout beside this one
# (../main/build/velliqor from the checkout's root), so nothing has to be built;
# OUT_DIR (default: a new temporary folder) keeps the encoded audio, the outputs,
# the logs and the scorer's JSON. CORPUS is shared/corpus (CORPUS=... to name
# another). Runs one thing at a time: about 40 s on one core.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 TABLE.md [VELLIQOR] [OUT_DIR]" >&2; exit 64; }
here=$(dirname "$0")
table=$(realpath "$1")
program=$(realpath "${2:-$here/../../../main/build/velliqor}")
out=${3:-$(mktemp -d)}
mkdir -p "$out"
out=$(realpath "$out")
corpus=$(realpath "${CORPUS:-$here/../../../shared/corpus}")
command -v audio2tape > /dev/null || { echo "audio2tape is missing (fuse-emulator-utils)" >&2; exit 1; }
[[ " $(sox -h 2>&1 | sed -n 's/^AUDIO FILE FORMATS://p') " == *" mp3 "* ]] || { echo "sox cannot write MP3 (libsox-fmt-mp3)" >&2; exit 1; }

# name, file extension, sox compression setting
encodings=("ogg-q3 ogg 3" "ogg-q5 ogg 5" "mp3-128k mp3 128")
for line in "${encodings[@]}"; do
  read -r name ext setting <<< "$line"
  dir=$out/$name
  rm -rf "$dir"
  mkdir -p "$dir"/{audio,wav,velliqor,audio2tape,logs}
  for rec in "$corpus"/recordings/*.wav; do
    id=$(basename "$rec" .wav)
    sox "$rec" -C "$setting" "$dir/audio/$id.$ext"
    sox "$dir/audio/$id.$ext" -r 48000 -b 16 -c 1 "$dir/wav/$id.wav" 2> "$dir/logs/$id.sox.txt"
    # A tape it cannot read is a result to score, not a reason to stop.
    audio2tape "$dir/wav/$id.wav" "$dir/audio2tape/$id.tap" > "$dir/logs/$id.audio2tape.txt" 2>&1 ||
      echo "$name $id: audio2tape ended with status $?" >&2
  done
  # Status 2 only says that a block failed its checksum; any other failure is
  # shown, the scorer then counts what is missing.
  status=0
  "$program" --quiet --no-window -j 1 --out "$dir/velliqor" "$dir"/audio/*."$ext" \
    > "$dir/logs/velliqor.txt" 2>&1 || status=$?
  [ "$status" -le 2 ] || echo "$name: velliqor ended with status $status (see $dir/logs/velliqor.txt)" >&2
  for tool in velliqor audio2tape; do
    /usr/bin/python3 "$corpus/gen/score.py" --manifest "$corpus/manifest.json" --results "$dir/$tool" \
      --json "$dir/$tool.json" --quiet
  done
done
note="Blocks exact of the truth's, per recording of the corpus; $("$program" -V | cut -d' ' -f1-2),\
 audio2tape $(audio2tape -V | sed -n '1s/.* //p') (on the audio decoded back to WAV), sox $(sox --version | sed 's/.*v//')."
/usr/bin/python3 "$here/table.py" "$out" "$table" "ogg-q3:OGG -C 3" "ogg-q5:OGG -C 5" "mp3-128k:MP3 128k" --note "$note"
echo "outputs in $out, table in $table"

#!/usr/bin/env bash
# The main job: install what is missing, build the command-line host and both
# editions, and run audio through the plug-in the way a host does.
#
#   bash scripts/run-main.sh                      # a generated demo clip
#   bash scripts/run-main.sh song.wav             # your own file (WAV, FLAC, AIFF, Ogg)
#   bash scripts/run-main.sh song.flac --program "Mastering First Aid" --set Drive=+3dB
#
# Options after the file go to `emberline render` (see `build/main/emberline
# render --help`); without --program, --preset or --bank the factory program
# "Mix Finalize 1" is used. The result, a picture of it and the summary go to
# build/demo/. Safe to run any number of times.
set -euo pipefail

input=""
if [ $# -ge 1 ] && [ "${1#-}" = "$1" ]; then
  if [ ! -f "$1" ]; then
    echo "run-main: no such file: $1" >&2
    exit 2
  fi
  input=$(realpath -- "$1")
  shift
fi
cd "$(dirname "$0")/.."

bash scripts/deps.sh main

build=build/main
echo "== building into $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DEMBERLINE_TESTS=OFF -DEMBERLINE_BENCH=OFF >/dev/null
if ! cmake --build "$build" -j "${EMBERLINE_JOBS:-2}" --target emberline Emberline2x64 Emberline_x64 \
    >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  echo "run-main: the build failed (log: $build/build.log)" >&2
  exit 1
fi

out=build/demo
mkdir -p "$out"
if [ -z "$input" ]; then
  input=$(realpath -- "$out")/demo-clip.wav
  echo "== making the demo clip"
  "$build/emberline" demo "$input" --seconds 8
fi
name=$(basename -- "$input")
name=${name%.*}
result=$out/$name-rendered.wav
picture=$out/$name-rendered.png

choice=(--program "Mix Finalize 1")
for arg in "$@"; do
  case "$arg" in --program|--preset|--bank) choice=() ;; esac
done

echo "== rendering $input"
"$build/emberline" render "$input" "$result" --align --plot "$picture" "${choice[@]}" "$@"
echo
echo "input:   $input"
echo "result:  $(realpath -- "$result")"
echo "picture: $(realpath -- "$picture")"

#!/bin/sh
# Copies and moves of korvane-batch against the system's own tools, every
# ratio against a baseline measured in the same run:
#
#   copy:   one file of BIG_MB MiB (default 1024) copied within one file
#           system (TMPDIR's), korvane-batch copy against
#           cp --reflink=auto (goal: within 1.20x)
#   move:   MOVE_FILES small files (default 10000) moved within one file
#           system, korvane-batch copy with Copy.Delete=0 against mv
#           (goal: within 1.20x)
#   across: MOVE_FILES small files moved to another file system by
#           bench_move --across: the move as it is now (every attribute, the
#           source looked at again before it goes) against the former
#           copy-then-delete.  Two ext4 images on loop devices where the
#           machine allows (root, losetup, mkfs.ext4); else TMPDIR and
#           /dev/shm when they are two file systems; else skipped.
#
# Each round makes fresh folders, syncs before each program and alternates
# the order of the two programs; the best round counts, since a busy
# machine only adds time.  The processor time of the best round is shown
# beside each ratio, as it varies less on a loaded machine.
#
# Usage: bench/run/bench_move.sh [BUILD_DIR]   (default: build)
# Environment: BIG_MB, MOVE_FILES, ROUNDS (default 3), ACROSS_ROUNDS
#              (default 2: each of its moves syncs; 0 skips it), TMPDIR
#              (default /tmp).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
batch=$build/src/cli/korvane-batch
bench_move=$build/bench/move/bench_move
big_mb=${BIG_MB:-1024}
files=${MOVE_FILES:-10000}
rounds=${ROUNDS:-3}
across_rounds=${ACROSS_ROUNDS:-2}
[ -x "$batch" ] || { echo "no korvane-batch in $build (build it first)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-bench-move-XXXXXX")
mounted=""
cleanup() {
  for point in $mounted; do umount "$point" 2>/dev/null || umount -l "$point" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

if [ -x "$build/bench/run/korvane-measure" ]; then
  measure=$build/bench/run/korvane-measure
else
  ${CXX:-c++} -O2 -o "$work/korvane-measure" "$here/Measure.cpp"
  measure=$work/korvane-measure
fi

# Best (least) wall-clock and processor time of each program, kept as shell
# variables w_KEY and c_KEY.
timed() {  # key command...
  key=$1
  shift
  sync
  set -- $("$measure" "$@")
  eval "old=\${w_$key:-}"
  if [ -z "$old" ] || [ "$1" -lt "$old" ]; then eval "w_$key=$1"; fi
  eval "old=\${c_$key:-}"
  if [ -z "$old" ] || [ "$2" -lt "$old" ]; then eval "c_$key=$2"; fi
}

make_small() {  # folder count
  mkdir -p "$1"
  (cd "$1" && seq -f 'f%06g.txt' 1 "$2" | while read -r name; do printf 'a hundred bytes or so %78s\n' "$name" > "$name"; done)
}

# One big file, copied; the copies are removed before the next round so
# both programs write into the same free space.
mkdir -p "$work/big"
head -c $((big_mb * 1048576)) /dev/urandom > "$work/big/video.mp4"
round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/k" "$work/c"
  mkdir -p "$work/k" "$work/c"
  if [ $((round % 2)) -eq 1 ]; then
    timed k_copy "$batch" --folder "$work/big" --copy-folder "$work/k" copy
    timed c_copy cp --reflink=auto "$work/big/video.mp4" "$work/c/"
  else
    timed c_copy cp --reflink=auto "$work/big/video.mp4" "$work/c/"
    timed k_copy "$batch" --folder "$work/big" --copy-folder "$work/k" copy
  fi
  cmp -s "$work/big/video.mp4" "$work/k/video.mp4" || echo "warning: korvane-batch's copy differs" >&2
  round=$((round + 1))
done
rm -rf "$work/big" "$work/k" "$work/c"

# Small files moved within the file system.
round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/ks" "$work/kd" "$work/ms" "$work/md"
  make_small "$work/ks" "$files"
  make_small "$work/ms" "$files"
  mkdir -p "$work/kd" "$work/md"
  if [ $((round % 2)) -eq 1 ]; then
    timed k_move "$batch" --folder "$work/ks" --copy-folder "$work/kd" --set Copy.Delete=0 copy
    timed m_move sh -c 'mv "$1"/* "$2"/' mv "$work/ms" "$work/md"
  else
    timed m_move sh -c 'mv "$1"/* "$2"/' mv "$work/ms" "$work/md"
    timed k_move "$batch" --folder "$work/ks" --copy-folder "$work/kd" --set Copy.Delete=0 copy
  fi
  left=$(ls "$work/ks" | wc -l)
  [ "$left" -eq 0 ] || echo "warning: korvane-batch left $left files" >&2
  round=$((round + 1))
done
rm -rf "$work/ks" "$work/kd" "$work/ms" "$work/md"

awk -v mb="$big_mb" -v n="$files" \
    -v kc="$w_k_copy" -v ckc="$c_k_copy" -v cc="$w_c_copy" -v ccc="$c_c_copy" \
    -v km="$w_k_move" -v ckm="$c_k_move" -v mm="$w_m_move" -v cmm="$c_m_move" 'BEGIN {
  printf "copy one file of %d MiB on one file system: korvane-batch %.3f s; cp --reflink=auto %.3f s, ratio %.2f (goal 1.20; processor time %.2f)\n", mb, kc / 1e9, cc / 1e9, kc / cc, ckc / (ccc > 0 ? ccc : 1)
  printf "move %d small files on one file system: korvane-batch %.3f s; mv %.3f s, ratio %.2f (goal 1.20; processor time %.2f)\n", n, km / 1e9, mm / 1e9, km / mm, ckm / (cmm > 0 ? cmm : 1)
}'

# Small files moved to another file system.
across_from="" across_to=""
[ "$across_rounds" -gt 0 ] || { echo "move $files small files to another file system: skipped (ACROSS_ROUNDS=0)"; exit 0; }
if [ "$(id -u)" -eq 0 ] && command -v losetup >/dev/null && command -v mkfs.ext4 >/dev/null; then
  for side in from to; do
    truncate -s 1G "$work/$side.img"
    mkfs.ext4 -q "$work/$side.img"
    mkdir -p "$work/$side"
    if mount -o loop "$work/$side.img" "$work/$side" 2>/dev/null; then
      mounted="$mounted $work/$side"
    fi
  done
  [ -n "$mounted" ] && [ "$(echo $mounted | wc -w)" -eq 2 ] && { across_from=$work/from; across_to=$work/to; }
fi
if [ -z "$across_from" ] && [ -d /dev/shm ] &&
   [ "$(stat -c %d "$work")" != "$(stat -c %d /dev/shm)" ]; then
  across_from=$work across_to=/dev/shm
fi
if [ -z "$across_from" ]; then
  echo "move $files small files to another file system: skipped (no second file system here)"
elif [ -x "$bench_move" ]; then
  "$bench_move" --across "$across_from" "$across_to" "$files" "$across_rounds"
else
  echo "move $files small files to another file system: skipped (no bench_move in $build)"
fi

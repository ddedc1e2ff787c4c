#!/bin/sh
# Whole-process benchmark of korvane-batch against the file system's own cost.
#
#   rename: korvane-batch rename (numbering step) over a folder of N empty
#           files, against a program that lists the folder and renames each
#           file once with renameat2 (goal: within 1.15x); also against the
#           same program reading each entry's attributes while listing
#           (fstatat), which korvane's narrowing needs
#           and the same rename over names that each hold a character
#           Shift-JIS lacks (an extension code), against the plain names
#           (goal: within 1.2x)
#   list:   korvane-batch list over a tree of N files in N/100 folders,
#           against find (goal: within 1.5x); also against find printing
#           each file's size, time and mode (one stat per file)
#   plan:   korvane-batch --dry-run rename (the numbering step) over the
#           same tree and over N files in 10 folders, against the list run
#           of the same tree (goal: within 1.2x), with the largest resident
#           size of each when GNU time is there
#
# Each round times the programs one after the other on fresh copies of the
# same folder; the best round counts.
#
# Usage: bench/run/bench_batch.sh [BUILD_DIR]   (default: build)
# Environment: FILES (default 100000), ROUNDS (default 3; the best round counts),
#              TMPDIR (default /tmp).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
batch=$build/src/cli/korvane-batch
files=${FILES:-100000}
rounds=${ROUNDS:-3}
[ -x "$batch" ] || { echo "no korvane-batch in $build (build it first)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

baseline=$build/bench/run/korvane-rename-baseline
if [ ! -x "$baseline" ]; then
  baseline=$work/rename-baseline
  ${CXX:-c++} -O2 -o "$baseline" "$here/RenameBaseline.cpp"
fi

# The job: numbering step first and checked, rename in place; subfolders for
# the list run.  Step captions are Shift-JIS bytes.
seq_caption=$(printf '\230\101\224\324')   # the numbering step
printf '[FindFile]\r\nSubFolder=1\r\n[Rename]\r\nCopy=0\r\nOrderItems0=%s\r\nOrderChecked0=1\r\nOrderItems1=x\r\n' \
  "$seq_caption" > "$work/job.ini"

make_flat() {  # folder count [name format]
  mkdir -p "$1"
  (cd "$1" && seq -f "${3:-f%07g.dat}" 1 "$2" | xargs touch)
}
wide_names=$(printf 'f%%07g-caf\303\251.dat')   # U+00E9: no Shift-JIS form

now_ns() { date +%s%N; }

elapsed() {  # command...; prints nanoseconds
  start=$(now_ns)
  "$@" > /dev/null
  end=$(now_ns)
  echo $((end - start))
}

best() {  # current best, new value
  if [ -z "$1" ] || [ "$2" -lt "$1" ]; then echo "$2"; else echo "$1"; fi
}

k_rename=; b_rename=; s_rename=; w_rename=; k_list=; b_list=; s_list=
round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/k" "$work/b" "$work/s" "$work/w"
  make_flat "$work/k" "$files"
  make_flat "$work/b" "$files"
  make_flat "$work/s" "$files"
  make_flat "$work/w" "$files" "$wide_names"
  sync
  t=$(elapsed "$batch" --settings "$work/job.ini" --folder "$work/k" rename)
  k_rename=$(best "$k_rename" "$t")
  t=$(elapsed "$batch" --settings "$work/job.ini" --folder "$work/w" rename)
  w_rename=$(best "$w_rename" "$t")
  t=$(elapsed "$baseline" "$work/b")
  b_rename=$(best "$b_rename" "$t")
  t=$(elapsed "$baseline" --stat "$work/s")
  s_rename=$(best "$s_rename" "$t")
  round=$((round + 1))
done
# Every file must have been renamed (korvane-batch would also have exited 1).
left=$(ls "$work/k" | grep -c -v '^f[0-9]\{11,\}\.dat$' || true)
[ "$left" -eq 0 ] || echo "warning: $left files not renamed by korvane-batch" >&2
left=$(ls "$work/w" | grep -c -v '^f[0-9]\{7\}-caf.*[0-9]\{4,\}\.dat$' || true)
[ "$left" -eq 0 ] || echo "warning: $left files with extension codes not renamed" >&2
rm -rf "$work/k" "$work/b" "$work/s" "$work/w"

# The tree: files/100 folders of 100 files.
folders=$((files / 100))
mkdir -p "$work/tree"
(cd "$work/tree" && seq -f 'd%05g' 1 "$folders" | xargs mkdir)
for d in "$work"/tree/d*; do
  (cd "$d" && seq -f 'f%03g.dat' 1 100 | xargs touch)
done
sync
round=1
while [ "$round" -le "$rounds" ]; do
  t=$(elapsed "$batch" --settings "$work/job.ini" --folder "$work/tree" list)
  k_list=$(best "$k_list" "$t")
  t=$(elapsed find "$work/tree" -type f)
  b_list=$(best "$b_list" "$t")
  t=$(elapsed find "$work/tree" -type f -printf '%p %s %T@ %m\n')
  s_list=$(best "$s_list" "$t")
  round=$((round + 1))
done
listed=$("$batch" --settings "$work/job.ini" --folder "$work/tree" list | wc -l)

# The plan: the same tree, and one of 10 large folders.
mkdir -p "$work/wide"
for d in 0 1 2 3 4 5 6 7 8 9; do make_flat "$work/wide/d$d" $((files / 10)); done
sync
k_plan=; k_wlist=; k_wplan=
round=1
while [ "$round" -le "$rounds" ]; do
  t=$(elapsed "$batch" --settings "$work/job.ini" --folder "$work/tree" --dry-run rename)
  k_plan=$(best "$k_plan" "$t")
  t=$(elapsed "$batch" --settings "$work/job.ini" --folder "$work/wide" list)
  k_wlist=$(best "$k_wlist" "$t")
  t=$(elapsed "$batch" --settings "$work/job.ini" --folder "$work/wide" --dry-run rename)
  k_wplan=$(best "$k_wplan" "$t")
  round=$((round + 1))
done
rss_note=
if [ -x /usr/bin/time ]; then
  rl=$(/usr/bin/time -f %M "$batch" --settings "$work/job.ini" --folder "$work/wide" list 2>&1 >/dev/null | tail -1)
  rp=$(/usr/bin/time -f %M "$batch" --settings "$work/job.ini" --folder "$work/wide" --dry-run rename 2>&1 >/dev/null | tail -1)
  rss_note="; largest resident size: list $rl KB, plan $rp KB"
fi

awk -v kr="$k_rename" -v br="$b_rename" -v sr="$s_rename" -v wr="$w_rename" -v kl="$k_list" -v bl="$b_list" \
    -v sl="$s_list" -v n="$files" -v listed="$listed" -v kp="$k_plan" -v wl="$k_wlist" -v wp="$k_wplan" \
    -v rss="$rss_note" 'BEGIN {
  printf "rename %d files: korvane-batch %.3f s; readdir+renameat2 %.3f s, ratio %.2f (goal 1.15); readdir+fstatat+renameat2 %.3f s, ratio %.2f\n", n, kr / 1e9, br / 1e9, kr / br, sr / 1e9, kr / sr
  printf "rename %d files whose names need an extension code: korvane-batch %.3f s, ratio to plain names %.2f (goal 1.20)\n", n, wr / 1e9, wr / kr
  printf "list %d files in %d folders: korvane-batch %.3f s; find %.3f s, ratio %.2f (goal 1.50); find with stat %.3f s, ratio %.2f\n", listed, n / 100, kl / 1e9, bl / 1e9, kl / bl, sl / 1e9, kl / sl
  printf "plan (--dry-run rename) of %d files in %d folders: %.3f s, ratio to the list run %.2f (goal 1.20)\n", listed, n / 100, kp / 1e9, kp / kl
  printf "plan of %d files in 10 folders: %.3f s, ratio to the list run %.2f (goal 1.20)%s\n", n, wp / 1e9, wp / wl, rss
}'

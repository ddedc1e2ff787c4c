#!/bin/sh
# Whole-process benchmark of korvane-batch against the file system's own
# cost.  Every ratio is korvane-batch against its baseline in the same run.
#
#   rename: korvane-batch rename (numbering step) over a folder of
#           RENAME_FILES empty files, against a program that lists the folder
#           with readdir, reads every entry with fstatat and renames it with
#           renameat2, all relative to the folder's descriptor (goal: within
#           1.10x); the same program without fstatat for reference; and the
#           same rename over names that each hold a character Shift-JIS
#           lacks (an extension code), against the plain names (goal: 1.20x)
#   list:   korvane-batch list over a tree of FILES files in FILES/100
#           folders, against a program that walks the tree as korvane must:
#           each folder opened relative to its parent, each entry read with
#           fstatat and its user.DOSATTRIB attribute relative to its folder,
#           each file's path printed (goal: within 1.20x); find for reference
#   scale:  the same list over a tenth of the tree: ten times the files may
#           cost at most eleven times the time; and korvane-batch's peak
#           memory over the whole tree (goal: under 64 MB at a million files)
#   kana:   korvane-batch rename (the case step) over RENAME_FILES Japanese
#           names with full-width letters, half-width katakana, hiragana and
#           a decomposed voiced mark, with the four width and kana
#           conversions on, against the same rename with the case step
#           alone (goal: within 1.50x)
#   names:  the same numbering over RENAME_FILES files run through its
#           plan: with 10 new names from a list (--names-from), and with an
#           editor that changes three lines (edit --yes), each against the
#           walk's rename of the same folder (goal: within 2.0x, a plan and
#           a run for one walk)
#   plan:   korvane-batch --dry-run rename (the numbering step) over the
#           same tree and over FILES files in 10 folders, against the list
#           run of the same tree (goal: within 1.2x), with the peak memory
#           of each
#   pipe:   the list of the tree into `cat >/dev/null`, against the
#           baseline walk printing into the same kind of pipe (goal 1.10)
#   million: the list of MILLION files in one folder into a pipe, against
#           the baseline walk into the same kind of pipe (goal: within
#           1.5x), with korvane-batch's peak memory (goal: under 64 MB)
#   photos: over PHOTOS small JPEGs, each with its own EXIF shooting time,
#           a rename adding the shooting time (Rename.DateSource=1) against
#           the same rename adding the modification time (goal: 2x at
#           most; the files are fresh copies, in the cache); and the same
#           shooting times read by exiftool -p over the folder against
#           korvane-batch's --dry-run of that rename, which reads them all
#           (goal: exiftool takes at least 10x as long)
#
# Each round times the programs on fresh copies of the same folders, syncs
# before each program and alternates their order, so neither inherits the
# other's writes; the best round counts, since a busy machine only adds
# time.  The processor time (user and system) of the best round is shown
# beside each ratio, as it varies less on a loaded machine.
#
# Usage: bench/run/bench_batch.sh [BUILD_DIR]   (default: build)
# Environment: FILES (default 100000; 1000000 for the million-file goal),
#              RENAME_FILES (default FILES, at most 100000),
#              PHOTOS (default 10000),
#              MILLION (default 1000000; 0 leaves the one-folder row out),
#              ROUNDS (default 3; the best round counts), TMPDIR (default /tmp).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
batch=$build/src/cli/korvane-batch
files=${FILES:-100000}
rename_files=${RENAME_FILES:-$((files < 100000 ? files : 100000))}
rounds=${ROUNDS:-3}
photos=${PHOTOS:-10000}
million=${MILLION:-1000000}
[ -x "$batch" ] || { echo "no korvane-batch in $build (build it first)" >&2; exit 2; }
[ "$files" -ge 1000 ] || { echo "FILES must be at least 1000" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# The helper programs, from the build when it has them.
helper() {  # target source
  if [ -x "$build/bench/run/$1" ]; then
    echo "$build/bench/run/$1"
  else
    ${CXX:-c++} -O2 -o "$work/$1" "$here/$2" && echo "$work/$1"
  fi
}
rename_baseline=$(helper korvane-rename-baseline RenameBaseline.cpp)
list_baseline=$(helper korvane-list-baseline ListBaseline.cpp)
measure=$(helper korvane-measure Measure.cpp)
if [ -x "$build/bench/run/korvane-make-photos" ]; then
  make_photos=$build/bench/run/korvane-make-photos
else
  ${CXX:-c++} -O2 -std=c++20 -Wno-deprecated-declarations -o "$work/korvane-make-photos" \
    "$here/MakePhotos.cpp" $(pkg-config --cflags --libs exiv2) && make_photos=$work/korvane-make-photos
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

make_tree() {  # folder files: files/100 folders of 100 files
  mkdir -p "$1"
  (cd "$1" && seq -f 'd%05g' 1 $(($2 / 100)) | xargs mkdir)
  for d in "$1"/d*; do
    (cd "$d" && seq -f 'f%03g.dat' 1 100 | xargs touch)
  done
}

# Best (least) wall-clock and processor time and the peak memory of each
# program, kept as shell variables w_KEY, c_KEY, m_KEY.
timed() {  # key command...
  key=$1
  shift
  sync
  set -- $("$measure" "$@")
  eval "old=\${w_$key:-}"
  if [ -z "$old" ] || [ "$1" -lt "$old" ]; then eval "w_$key=$1"; fi
  eval "old=\${c_$key:-}"
  if [ -z "$old" ] || [ "$2" -lt "$old" ]; then eval "c_$key=$2"; fi
  eval "m_$key=$3"
}

round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/k" "$work/b" "$work/s" "$work/w"
  make_flat "$work/k" "$rename_files"
  make_flat "$work/b" "$rename_files"
  make_flat "$work/s" "$rename_files"
  make_flat "$work/w" "$rename_files" "$wide_names"
  if [ $((round % 2)) -eq 1 ]; then
    timed k_rename "$batch" --settings "$work/job.ini" --folder "$work/k" rename
    timed w_rename "$batch" --settings "$work/job.ini" --folder "$work/w" rename
    timed s_rename "$rename_baseline" --stat "$work/s"
    timed b_rename "$rename_baseline" "$work/b"
  else
    timed s_rename "$rename_baseline" --stat "$work/s"
    timed b_rename "$rename_baseline" "$work/b"
    timed w_rename "$batch" --settings "$work/job.ini" --folder "$work/w" rename
    timed k_rename "$batch" --settings "$work/job.ini" --folder "$work/k" rename
  fi
  round=$((round + 1))
done
# Every file must have been renamed (korvane-batch would also have exited 1).
left=$(ls "$work/k" | grep -c -v '^f[0-9]\{11,\}\.dat$' || true)
[ "$left" -eq 0 ] || echo "warning: $left files not renamed by korvane-batch" >&2
left=$(ls "$work/w" | grep -c -v '^f[0-9]\{7\}-caf.*[0-9]\{4,\}\.dat$' || true)
[ "$left" -eq 0 ] || echo "warning: $left files with extension codes not renamed" >&2
rm -rf "$work/k" "$work/b" "$work/s" "$work/w"

# Names by hand: a list of 10 and an editor changing three lines, each a
# plan made, changed and run, against the walk's rename.
: > "$work/names.txt"
for i in 1 2 3 4 5 6 7 8 9 10; do
  printf 'f%07d.dat\tby hand %d.dat\n' $((i * (rename_files / 10))) "$i" >> "$work/names.txt"
done
printf '#!/bin/sh\nsed -i -e "1s/.*/first.dat/" -e "2s/.*/second.dat/" -e "\\$s/.*/last.dat/" "$1"\n' \
  > "$work/editor.sh"
chmod +x "$work/editor.sh"
round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/hk" "$work/hn" "$work/he"
  make_flat "$work/hk" "$rename_files"
  make_flat "$work/hn" "$rename_files"
  make_flat "$work/he" "$rename_files"
  if [ $((round % 2)) -eq 1 ]; then
    timed h_walk "$batch" --settings "$work/job.ini" --folder "$work/hk" rename
    timed h_names "$batch" --settings "$work/job.ini" --folder "$work/hn" --names-from "$work/names.txt" rename
    timed h_edit env EDITOR="$work/editor.sh" VISUAL= "$batch" --settings "$work/job.ini" --folder "$work/he" --yes edit
  else
    timed h_edit env EDITOR="$work/editor.sh" VISUAL= "$batch" --settings "$work/job.ini" --folder "$work/he" --yes edit
    timed h_names "$batch" --settings "$work/job.ini" --folder "$work/hn" --names-from "$work/names.txt" rename
    timed h_walk "$batch" --settings "$work/job.ini" --folder "$work/hk" rename
  fi
  round=$((round + 1))
done
[ -e "$work/hn/by hand 10.dat" ] || echo "warning: the names list was not applied" >&2
[ -e "$work/he/first.dat" ] && [ -e "$work/he/last.dat" ] || echo "warning: the editor's names were not applied" >&2
left=$(ls "$work/hn" | grep -c -v -e '^f[0-9]\{11,\}\.dat$' -e '^by hand' || true)
[ "$left" -eq 0 ] || echo "warning: $left files not renamed through the names list" >&2
rm -rf "$work/hk" "$work/hn" "$work/he"

# Japanese names: the case step alone (capitals), and with the conversions.
printf '[Rename]\r\nCopy=0\r\nOrderChecked2=1\r\nNameCase=1\r\n' > "$work/case.ini"
{ cat "$work/case.ini"
  printf 'WidthAlnum=1\r\nWidthKana=1\r\nKanaKind=1\r\nComposeMarks=1\r\n'; } > "$work/kana.ini"
kana_names=$(printf 'img_%%07g_\357\275\274\357\275\254\357\275\274\357\276\235_\343\201\227\343\202\203\343\201\227\343\202\223_\357\274\251\357\274\255\357\274\247_\343\201\213\343\202\231.dat')
round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/jc" "$work/jk"
  make_flat "$work/jc" "$rename_files" "$kana_names"
  make_flat "$work/jk" "$rename_files" "$kana_names"
  if [ $((round % 2)) -eq 1 ]; then
    timed c_kana "$batch" --settings "$work/case.ini" --folder "$work/jc" rename
    timed k_kana "$batch" --settings "$work/kana.ini" --folder "$work/jk" rename
  else
    timed k_kana "$batch" --settings "$work/kana.ini" --folder "$work/jk" rename
    timed c_kana "$batch" --settings "$work/case.ini" --folder "$work/jc" rename
  fi
  round=$((round + 1))
done
# IMG_0000001_シャシン_シャシン_IMG_ガ.dat
kana_done=$(printf '_\343\202\267\343\203\243\343\202\267\343\203\263_\343\202\267\343\203\243\343\202\267\343\203\263_IMG_\343\202\254.dat')
left=$(ls "$work/jk" | grep -c -v "^IMG_[0-9]*$kana_done\$" || true)
[ "$left" -eq 0 ] || echo "warning: $left Japanese names not converted" >&2
rm -rf "$work/jc" "$work/jk"

make_tree "$work/tree" "$files"
make_tree "$work/tenth" $((files / 10))
round=1
while [ "$round" -le "$rounds" ]; do
  if [ $((round % 2)) -eq 1 ]; then
    timed k_list "$batch" --settings "$work/job.ini" --folder "$work/tree" list
    timed s_list "$list_baseline" "$work/tree"
  else
    timed s_list "$list_baseline" "$work/tree"
    timed k_list "$batch" --settings "$work/job.ini" --folder "$work/tree" list
  fi
  timed f_list find "$work/tree" -type f
  timed t_list "$batch" --settings "$work/job.ini" --folder "$work/tenth" list
  # The same lists into a pipe, as `korvane-batch list | consumer` runs.
  timed k_pipe sh -c '"$0" --settings "$1" --folder "$2" list | cat >/dev/null' \
    "$batch" "$work/job.ini" "$work/tree"
  timed s_pipe sh -c '"$0" "$1" | cat >/dev/null' "$list_baseline" "$work/tree"
  round=$((round + 1))
done
listed=$("$batch" --settings "$work/job.ini" --folder "$work/tree" list | wc -l)
[ "$listed" -eq "$files" ] || echo "warning: korvane-batch listed $listed of $files files" >&2

# The plan: the same tree, and one of 10 large folders.
mkdir -p "$work/wide"
for d in 0 1 2 3 4 5 6 7 8 9; do make_flat "$work/wide/d$d" $((files / 10)); done
round=1
while [ "$round" -le "$rounds" ]; do
  timed k_plan "$batch" --settings "$work/job.ini" --folder "$work/tree" --dry-run rename
  timed k_wlist "$batch" --settings "$work/job.ini" --folder "$work/wide" list
  timed k_wplan "$batch" --settings "$work/job.ini" --folder "$work/wide" --dry-run rename
  round=$((round + 1))
done

# A million names in one folder, listed into a pipe: the walk hands each
# name on as it is found, so the memory must not grow with the folder.
if [ "$million" -gt 0 ]; then
  make_flat "$work/million" "$million"
  round=1
  while [ "$round" -le "$rounds" ]; do
    if [ $((round % 2)) -eq 1 ]; then
      timed k_million sh -c '"$0" --settings "$1" --folder "$2" list | cat >/dev/null' \
        "$batch" "$work/job.ini" "$work/million"
      timed s_million sh -c '"$0" "$1" | cat >/dev/null' "$list_baseline" "$work/million"
    else
      timed s_million sh -c '"$0" "$1" | cat >/dev/null' "$list_baseline" "$work/million"
      timed k_million sh -c '"$0" --settings "$1" --folder "$2" list | cat >/dev/null' \
        "$batch" "$work/job.ini" "$work/million"
    fi
    round=$((round + 1))
  done
  listed=$("$batch" --settings "$work/job.ini" --folder "$work/million" list | wc -l)
  [ "$listed" -eq "$million" ] || echo "warning: korvane-batch listed $listed of $million files" >&2
  rm -rf "$work/million"
  million_line=$(awk -v n="$million" -v km="$w_k_million" -v sm="$w_s_million" -v ckm="$c_k_million" \
      -v csm="$c_s_million" -v mem="$m_k_million" 'BEGIN {
    printf "list %d files in one folder into a pipe: korvane-batch %.3f s; the same walk printing into the pipe %.3f s, ratio %.2f (goal 1.50; processor time %.2f); peak memory %.1f MB (goal under 64 MB)", n, km / 1e9, sm / 1e9, km / sm, ckm / csm, mem / 1024 }')
else
  million_line="list of a million files in one folder: not measured (MILLION=0)"
fi

# The photos: the date step adding the shooting time, then the
# modification time; the date step's caption in Shift-JIS bytes.
date_caption=$(printf '\215\130\220\126\223\372\225\164\225\164\211\301')
for source in 0 1; do
  printf '[Rename]\r\nCopy=0\r\nOrderItems0=%s\r\nOrderChecked0=1\r\nOrderItems3=x\r\nDateFormat=yyyymmdd_hhnnss\r\nDateBefore=_\r\nDateSource=%d\r\n' \
    "$date_caption" "$source" > "$work/photos$source.ini"
done
mkdir -p "$work/photos"
"$make_photos" "$work/photos" "$photos"
have_exiftool=$(command -v exiftool || true)
round=1
while [ "$round" -le "$rounds" ]; do
  rm -rf "$work/p0" "$work/p1"
  cp -a "$work/photos" "$work/p0"
  cp -a "$work/photos" "$work/p1"
  if [ $((round % 2)) -eq 1 ]; then
    timed p_shot "$batch" --settings "$work/photos1.ini" --folder "$work/p1" rename
    timed p_mod "$batch" --settings "$work/photos0.ini" --folder "$work/p0" rename
  else
    timed p_mod "$batch" --settings "$work/photos0.ini" --folder "$work/p0" rename
    timed p_shot "$batch" --settings "$work/photos1.ini" --folder "$work/p1" rename
  fi
  timed p_plan "$batch" --settings "$work/photos1.ini" --folder "$work/photos" --dry-run rename
  [ -z "$have_exiftool" ] || timed p_exif exiftool -q -p '$DateTimeOriginal' "$work/photos"
  round=$((round + 1))
done
# Every photo must have got its shooting date (2021), none the day of the copy.
left=$(ls "$work/p1" | grep -c -v '_2021' || true)
[ "$left" -eq 0 ] || echo "warning: $left photos not named by their shooting time" >&2
rm -rf "$work/p0" "$work/p1"
pipe_line=$(awk -v files="$files" -v kp="$w_k_pipe" -v sp="$w_s_pipe" -v ckp="$c_k_pipe" -v csp="$c_s_pipe" 'BEGIN {
  printf "list %d files in %d folders into a pipe: korvane-batch %.3f s; the same walk printing into the pipe %.3f s, ratio %.2f (goal 1.10; processor time %.2f)", files, files / 100, kp / 1e9, sp / 1e9, kp / sp, ckp / csp }')
if [ -n "$have_exiftool" ]; then
  exif_line=$(awk -v n="$photos" -v kp="$w_p_plan" -v ex="$w_p_exif" -v ckp="$c_p_plan" -v cex="$c_p_exif" 'BEGIN {
    printf "shooting times of %d photos: korvane-batch --dry-run rename %.3f s; exiftool -p %.3f s, which takes %.1fx as long (goal at least 10; processor time %.1fx)", n, kp / 1e9, ex / 1e9, ex / kp, cex / ckp }')
else
  exif_line="shooting times read by exiftool: not measured (apt-get install libimage-exiftool-perl)"
fi

awk -v n="$rename_files" -v files="$files" \
    -v kr="$w_k_rename" -v ckr="$c_k_rename" -v sr="$w_s_rename" -v csr="$c_s_rename" \
    -v br="$w_b_rename" -v cbr="$c_b_rename" -v wr="$w_w_rename" -v cwr="$c_w_rename" \
    -v kl="$w_k_list" -v ckl="$c_k_list" -v sl="$w_s_list" -v csl="$c_s_list" -v fl="$w_f_list" \
    -v tl="$w_t_list" -v ctl="$c_t_list" -v mem="$m_k_list" -v smem="$m_s_list" -v rmem="$m_k_rename" \
    -v kp="$w_k_plan" -v wl="$w_k_wlist" -v wp="$w_k_wplan" -v wlmem="$m_k_wlist" -v wpmem="$m_k_wplan" \
    -v photos="$photos" -v ps="$w_p_shot" -v pm="$w_p_mod" -v cps="$c_p_shot" -v cpm="$c_p_mod" 'BEGIN {
  printf "rename %d files in one folder: korvane-batch %.3f s; readdir+fstatat+renameat2 on the folder'"'"'s descriptor %.3f s, ratio %.2f (goal 1.10; processor time %.2f); readdir+renameat2 %.3f s, ratio %.2f; peak memory %.1f MB\n", n, kr / 1e9, sr / 1e9, kr / sr, ckr / csr, br / 1e9, kr / br, rmem / 1024
  printf "rename %d files whose names need an extension code: korvane-batch %.3f s, ratio to plain names %.2f (goal 1.20; processor time %.2f)\n", n, wr / 1e9, wr / kr, cwr / ckr
  printf "list %d files in %d folders: korvane-batch %.3f s; readdir+fstatat+DOSATTRIB walk relative to each folder %.3f s, ratio %.2f (goal 1.20; processor time %.2f); find %.3f s, ratio %.2f\n", files, files / 100, kl / 1e9, sl / 1e9, kl / sl, ckl / csl, fl / 1e9, kl / fl
  printf "list 10x the files: %d files %.3f s, %d files %.3f s, ratio %.2f (goal 11.0; processor time %.2f); peak memory %.1f MB at %d files (goal under 64 MB at 1000000; the baseline %.1f MB)\n", files / 10, tl / 1e9, files, kl / 1e9, kl / tl, ckl / ctl, mem / 1024, files, smem / 1024
  printf "plan (--dry-run rename) of %d files in %d folders: %.3f s, ratio to the list run %.2f (goal 1.20)\n", files, files / 100, kp / 1e9, kp / kl
  printf "plan of %d files in 10 folders: %.3f s, ratio to the list run %.2f (goal 1.20); peak memory: list %.1f MB, plan %.1f MB\n", files, wp / 1e9, wp / wl, wlmem / 1024, wpmem / 1024
  printf "rename %d photos adding the shooting time: %.3f s; adding the modification time %.3f s, ratio %.2f (goal 2.00 at most; processor time %.2f)\n", photos, ps / 1e9, pm / 1e9, ps / pm, cps / cpm
}'
awk -v n="$rename_files" -v kk="$w_k_kana" -v ckk="$c_k_kana" -v ck="$w_c_kana" -v cck="$c_c_kana" 'BEGIN {
  printf "rename %d Japanese names with the width and kana conversions: korvane-batch %.3f s; the case step alone %.3f s, ratio %.2f (goal 1.50; processor time %.2f)\n", n, kk / 1e9, ck / 1e9, kk / ck, ckk / cck
}'
awk -v n="$rename_files" -v hk="$w_h_walk" -v chk="$c_h_walk" -v hn="$w_h_names" -v chn="$c_h_names" \
    -v he="$w_h_edit" -v che="$c_h_edit" 'BEGIN {
  printf "rename %d files through the plan: the walk %.3f s; --names-from 10 lines %.3f s, ratio %.2f (goal 2.00; processor time %.2f); edit changing 3 lines %.3f s, ratio %.2f (goal 2.00; processor time %.2f)\n", n, hk / 1e9, hn / 1e9, hn / hk, chn / chk, he / 1e9, he / hk, che / chk
}'
echo "$pipe_line"
echo "$million_line"
echo "$exif_line"

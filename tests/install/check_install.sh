#!/usr/bin/env bash
# check_install.sh BUILD_DIR: cmake --install into a temporary prefix, the
# installed files validated, then cpack -G DEB and the package's contents
# and dependencies.
set -euo pipefail
build=$(cd "$1" && pwd)
id=org.korvane.Korvane
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

prefix="$root/インストール 先/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null

menus=share/kio/servicemenus
for f in bin/korvane bin/korvane-batch \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/256x256/apps/$id.png \
         share/man/man1/korvane-batch.1.gz share/man/man1/korvane.1.gz share/doc/korvane/copyright \
         share/bash-completion/completions/korvane-batch \
         lib/korvane/korvane-media-exiv2.so lib/korvane/korvane-media-heif.so \
         lib/korvane/korvane-media-video.so lib/korvane/korvane-media-tags.so \
         lib/korvane/korvane-text-icu.so \
         $menus/$id-folder.desktop $menus/$id-files.desktop \
         share/doc/korvane/file-managers/nautilus-script share/doc/korvane/file-managers/thunar-uca.xml; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done

for f in share/applications/$id.desktop $menus/$id-folder.desktop $menus/$id-files.desktop; do
  desktop-file-validate "$prefix/$f" || fail "desktop-file-validate $f"
done
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli validate"
grep -q '^Name\[ja\]=' "$prefix/share/applications/$id.desktop" || fail "no Japanese name"
grep -q '^Comment\[ja\]=' "$prefix/share/applications/$id.desktop" || fail "no Japanese comment"
grep -qx 'Categories=Utility;FileTools;' "$prefix/share/applications/$id.desktop" || fail "categories"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "icon name"

# The service menus: their entries, and their commands as the file manager
# runs them, first with a korvane that records what it was given, then with
# the installed window itself (offscreen; closed as a desktop closes it).
grep -qx 'Name=Korvaneで開く' "$prefix/$menus/$id-folder.desktop" || fail "no Korvaneで開く"
grep -qx 'MimeType=inode/directory;' "$prefix/$menus/$id-folder.desktop" || fail "folder menu types"
grep -qx 'Name=Korvaneで一括処理' "$prefix/$menus/$id-files.desktop" || fail "no Korvaneで一括処理"
action_exec() {  # FILE ACTION: the Exec value of the action's group
  sed -n "/^\[Desktop Action $2\]/,/^\[/s/^Exec=//p" "$1"
}
# An Exec value as a shell command with its field codes given: %f the
# first path, %F all of them.
exec_command() {
  local exec=$1; shift
  local quoted="" p
  for p in "$@"; do quoted+=" $(printf '%q' "$p")"; done
  exec=${exec//%F/$quoted}
  printf '%s' "${exec//%f/$(printf '%q' "$1")}"
}
run_exec() { (eval "$(exec_command "$@")"); }
mkdir -p "$root/stub" "$root/menu target/サブ"
touch "$root/menu target/a.jpg" "$root/menu target/b.png"
cat > "$root/stub/korvane" <<'STUB'
#!/bin/sh
for a in "$@"; do printf '%s\n' "$a"; done > "$KORVANE_STUB_ARGS"
STUB
chmod +x "$root/stub/korvane"
export KORVANE_STUB_ARGS="$root/stub/args"
PATH="$root/stub:$PATH" run_exec "$(action_exec "$prefix/$menus/$id-folder.desktop" open)" "$root/menu target/サブ"
[ "$(cat "$KORVANE_STUB_ARGS")" = "$root/menu target/サブ" ] || fail "Korvaneで開く passes the folder"
PATH="$root/stub:$PATH" run_exec "$(action_exec "$prefix/$menus/$id-files.desktop" batch)" \
  "$root/menu target/a.jpg" "$root/menu target/b.png"
[ "$(cat "$KORVANE_STUB_ARGS")" = "$(printf '%s\n%s' "$root/menu target/a.jpg" "$root/menu target/b.png")" ] ||
  fail "Korvaneで一括処理 passes the files"
mkdir -p "$root/home"
(
  export HOME="$root/home" XDG_CONFIG_HOME="$root/home/config" QT_QPA_PLATFORM=offscreen
  export PATH="$prefix/bin:$PATH"
  command=$(exec_command "$(action_exec "$prefix/$menus/$id-folder.desktop" open)" "$root/menu target/サブ")
  (eval "exec $command") >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 30); do [ -e /proc/$pid ] || break; sleep 0.1; done
  kill -TERM $pid 2>/dev/null || true
  wait $pid || true
)
# The window closed as it closes: its settings file in the user's folder.
[ -f "$root/home/config/korvane/korvane.INI" ] || fail "the installed window ran from the folder menu"

# The documented entries for Files and Thunar.
sh -n "$prefix/share/doc/korvane/file-managers/nautilus-script" || fail "nautilus script syntax"
[ -x "$prefix/share/doc/korvane/file-managers/nautilus-script" ] || fail "nautilus script not executable"
(cd "$root/menu target" && PATH="$root/stub:$PATH" "$prefix/share/doc/korvane/file-managers/nautilus-script" a.jpg)
[ "$(cat "$KORVANE_STUB_ARGS")" = "$(printf -- '--\na.jpg')" ] || fail "nautilus script passes the selection"
(cd "$root/menu target" && PATH="$root/stub:$PATH" "$prefix/share/doc/korvane/file-managers/nautilus-script")
[ "$(cat "$KORVANE_STUB_ARGS")" = "$(printf -- '--\n%s' "$root/menu target")" ] ||
  fail "nautilus script without a selection"
xmllint --noout "$prefix/share/doc/korvane/file-managers/thunar-uca.xml" || fail "thunar action XML"

# The manual pages format without a warning.
for page in korvane-batch korvane; do
  warnings=$(zcat "$prefix/share/man/man1/$page.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "groff $page: $warnings"
done

# The installed program runs from a prefix with blanks and Japanese in it.
"$prefix/bin/korvane-batch" --version | grep -q '^korvane-batch ' || fail "korvane-batch --version"
mkdir -p "$root/t" && touch "$root/t/a.txt"
[ "$("$prefix/bin/korvane-batch" --folder "$root/t" list 2>/dev/null)" = "$root/t/a.txt" ] ||
  fail "installed korvane-batch lists"

# A run that reads photos loads the installed module of the photo library.
# (the date step's caption in Shift-JIS bytes)
printf '[Rename]\r\nCopy=0\r\nOrderItems0=\215\130\220\126\223\372\225\164\225\164\211\301\r\nOrderChecked0=1\r\nOrderItems3=x\r\nDateSource=1\r\n' \
  > "$root/media.ini"
mkdir -p "$root/p" && echo x > "$root/p/a.jpg"
loaded=$(LD_DEBUG=libs "$prefix/bin/korvane-batch" --settings "$root/media.ini" --folder "$root/p" \
           --dry-run rename 2>&1 >/dev/null || true)
grep -qF "init: $prefix/bin/../lib/korvane/korvane-media-exiv2.so" <<<"$loaded" ||
  fail "installed korvane-batch loads its media module"

# A run that converts kana loads the installed module of ICU; one that does
# not never loads ICU at all (unless the program needs Qt, which brings it:
# a debug build keeps code that refers to Qt).
touch "$root/t/ｶﾞ.txt"
loaded=$(LD_DEBUG=libs "$prefix/bin/korvane-batch" --folder "$root/t" --steps case \
           --set Rename.WidthKana=1 --dry-run rename 2>&1 || true)
grep -qF "init: $prefix/bin/../lib/korvane/korvane-text-icu.so" <<<"$loaded" ||
  fail "installed korvane-batch loads its text module"
grep -qF "ガ.txt" <<<"$loaded" || fail "installed korvane-batch converts kana"
needed=$(readelf -d "$prefix/bin/korvane-batch" | grep NEEDED || true)
! grep -q "libicu" <<<"$needed" || fail "korvane-batch links ICU"
if ! grep -q "libQt6Core" <<<"$needed"; then
  loaded=$(LD_DEBUG=libs "$prefix/bin/korvane-batch" --folder "$root/t" list 2>&1 || true)
  ! grep -q "libicu" <<<"$loaded" || fail "korvane-batch loads ICU for a run that needs none"
fi

# Completion: options, modes, and keys from the program's own table.
completion=$prefix/share/bash-completion/completions/korvane-batch
bash -n "$completion" || fail "completion syntax"
if [ -f /usr/share/bash-completion/bash_completion ]; then
  complete_line() {
    PATH="$prefix/bin:$PATH" bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 ))
      COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _korvane_batch
      printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
  }
  complete_line korvane-batch --print | grep -qx -- '--print-settings' || fail "completes options"
  complete_line korvane-batch ren | grep -qx rename || fail "completes modes"
  complete_line korvane-batch --set Rename.SeqI | grep -qx 'Rename.SeqIndex=' || fail "completes keys"
  complete_line korvane-batch --steps num | grep -qx 'number' || fail "completes steps"
  complete_line korvane-batch --steps replace,ca | grep -qx 'replace,case' || fail "completes a step list"
  complete_line korvane-batch ed | grep -qx edit || fail "completes edit"
fi

# The Debian package.
(cd "$root" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$root/pkg" >/dev/null) ||
  fail "cpack"
deb=$(ls "$root"/pkg/*.deb 2>/dev/null | head -1)
if [ -n "$deb" ]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libexiv2 libtag1 libheif1 libavformat \
             libicu; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
  done
  dpkg-deb -f "$deb" Recommends | grep -q qt6-translations-l10n || fail "Recommends"
  contents=$(dpkg-deb -c "$deb")
  for f in ./usr/bin/korvane ./usr/bin/korvane-batch ./usr/share/applications/$id.desktop \
           ./usr/share/metainfo/$id.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/$id.svg \
           ./usr/share/man/man1/korvane-batch.1.gz ./usr/share/man/man1/korvane.1.gz \
           ./usr/share/doc/korvane/copyright ./usr/lib/korvane/korvane-media-exiv2.so \
           ./usr/lib/korvane/korvane-text-icu.so \
           ./usr/$menus/$id-folder.desktop ./usr/$menus/$id-files.desktop \
           ./usr/share/doc/korvane/file-managers/nautilus-script \
           ./usr/share/doc/korvane/file-managers/thunar-uca.xml; do
    grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
  done
else
  fail "no .deb made"
fi
exit $failed

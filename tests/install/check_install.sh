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

for f in bin/korvane bin/korvane-batch \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/256x256/apps/$id.png \
         share/man/man1/korvane-batch.1.gz share/bash-completion/completions/korvane-batch \
         lib/korvane/korvane-media-exiv2.so lib/korvane/korvane-media-heif.so \
         lib/korvane/korvane-media-video.so lib/korvane/korvane-media-tags.so; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli validate"
grep -q '^Name\[ja\]=' "$prefix/share/applications/$id.desktop" || fail "no Japanese name"
grep -q '^Comment\[ja\]=' "$prefix/share/applications/$id.desktop" || fail "no Japanese comment"
grep -qx 'Categories=Utility;FileTools;' "$prefix/share/applications/$id.desktop" || fail "categories"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "icon name"

# The manual page formats without a warning.
warnings=$(zcat "$prefix/share/man/man1/korvane-batch.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || fail "groff: $warnings"

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
fi

# The Debian package.
(cd "$root" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$root/pkg" >/dev/null) ||
  fail "cpack"
deb=$(ls "$root"/pkg/*.deb 2>/dev/null | head -1)
if [ -n "$deb" ]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libexiv2 libtag1 libheif1 libavformat; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
  done
  dpkg-deb -f "$deb" Recommends | grep -q qt6-translations-l10n || fail "Recommends"
  contents=$(dpkg-deb -c "$deb")
  for f in ./usr/bin/korvane ./usr/bin/korvane-batch ./usr/share/applications/$id.desktop \
           ./usr/share/metainfo/$id.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/$id.svg \
           ./usr/share/man/man1/korvane-batch.1.gz ./usr/lib/korvane/korvane-media-exiv2.so; do
    grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
  done
else
  fail "no .deb made"
fi
exit $failed

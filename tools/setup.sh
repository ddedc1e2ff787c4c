# Sourced by ./run and ./test: installs the missing build packages and
# configures/builds one build tree.  Keep it quick when nothing is missing.

# The line before the last: what files say of themselves (photos, HEIF,
# videos, music).  The last line: Qt's Japanese texts for the window's
# standard dialogs.
korvane_packages=(cmake g++ make pkgconf qt6-base-dev libgtest-dev libgmock-dev
                  clang libbenchmark-dev libre2-dev libblkid-dev
                  libexiv2-dev libheif-dev libavformat-dev libtag1-dev zlib1g-dev
                  qt6-translations-l10n)
# ICU: the width and kana conversions, the natural order, the eras.
korvane_packages+=(libicu-dev)
# libattr and libacl: every extended attribute and ACL a move carries.
korvane_packages+=(libattr1-dev libacl1-dev)

# What only the tests need (./test): the install test's validators (desktop
# files, AppStream, XML) and package tools, and an X server with a session
# bus for the portal dialogs' fallback.
korvane_test_packages=(desktop-file-utils appstream bash-completion dpkg-dev groff-base
                       xvfb xauth dbus-daemon qt6-xdgdesktopportal-platformtheme libxml2-utils)
# The file systems people keep files on, mounted from images by the tests:
# exFAT and FAT32 through FUSE, NTFS, XFS, btrfs, ext4.
korvane_test_packages+=(fuse3 exfat-fuse exfatprogs fusefat dosfstools ntfs-3g xfsprogs btrfs-progs
                        e2fsprogs util-linux)
# getfattr and getfacl: the tests look at what a move carried as a user would.
korvane_test_packages+=(attr acl)

# korvane_install_missing [extra packages...]
korvane_install_missing() {
  local missing=()
  for p in "${korvane_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this script as root once, or install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# korvane_build DIR [cmake args...]
korvane_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G "Unix Makefiles" "$@" >/dev/null || return 1
  cmake --build "$dir" -j "$(nproc)" -- --no-print-directory
}

#!/usr/bin/env bash
# Installs the built program with `cmake --install` twice, as a package would (prefix /usr under a
# DESTDIR) and as a user would (a prefix of their own), checks that each gives the expected layout
# and that the installed desktop files validate, then uninstalls with the install manifest and
# checks that nothing is left. Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
manifest=$build/install_manifest.txt
# An install of the developer's own stays uninstallable: the test's installs overwrite the manifest.
[ -e "$manifest" ] && cp "$manifest" "$scratch/manifest.saved"
restore() {
  if [ -e "$scratch/manifest.saved" ]; then cp "$scratch/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
  rm -rf "$scratch"
}
trap restore EXIT

expected="bin/velmora
bin/velmora-cli
share/applications/org.velmora.Velmora.desktop
share/icons/hicolor/128x128/apps/org.velmora.Velmora.png
share/icons/hicolor/16x16/apps/org.velmora.Velmora.png
share/icons/hicolor/256x256/apps/org.velmora.Velmora.png
share/icons/hicolor/32x32/apps/org.velmora.Velmora.png
share/icons/hicolor/48x48/apps/org.velmora.Velmora.png
share/icons/hicolor/64x64/apps/org.velmora.Velmora.png
share/icons/hicolor/scalable/apps/org.velmora.Velmora.svg
share/man/man1/velmora-cli.1
share/metainfo/org.velmora.Velmora.metainfo.xml
share/velmora/instructions.txt"

fail() { echo "FAIL: $*" >&2; exit 1; }

check_layout() {  # check_layout ROOT_OF_PREFIX
  local root=$1 found
  found=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
  [ "$found" = "$expected" ] || fail "installed under $root:"$'\n'"$found"
  [ -x "$root/bin/velmora" ] && [ -x "$root/bin/velmora-cli" ] || fail "the programs are not executable"
  local remarks
  remarks=$(desktop-file-validate "$root/share/applications/org.velmora.Velmora.desktop" 2>&1) \
    && [ -z "$remarks" ] || fail "desktop entry: $remarks"
  remarks=$(appstreamcli validate --no-net --explain "$root/share/metainfo/org.velmora.Velmora.metainfo.xml" 2>&1) \
    && ! grep -q '^[EWI]: ' <<<"$remarks" || fail "metainfo: $remarks"
  for size in 16 32 48 64 128 256; do
    identify -format '%wx%h' "$root/share/icons/hicolor/${size}x${size}/apps/org.velmora.Velmora.png" \
      | grep -qx "${size}x${size}" || fail "icon of $size px has the wrong size"
  done
}

uninstall_leaves_nothing() {  # uninstall_leaves_nothing ROOT_THAT_MUST_END_EMPTY
  cmake --build "$build" --target uninstall >/dev/null
  local left
  left=$(find "$1" -mindepth 1)
  [ -z "$left" ] || fail "left behind after uninstall:"$'\n'"$left"
}

# As a package: prefix /usr under DESTDIR.
DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >/dev/null
check_layout "$scratch/stage/usr"
DESTDIR=$scratch/stage uninstall_leaves_nothing "$scratch/stage/usr"

# As a user: a prefix in the home folder.
cmake --install "$build" --prefix "$scratch/home/.local" >/dev/null
check_layout "$scratch/home/.local"
uninstall_leaves_nothing "$scratch/home/.local"
echo "install layout, validation and uninstall: ok"

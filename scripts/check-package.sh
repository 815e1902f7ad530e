#!/usr/bin/env bash
# Builds the Debian package, installs it with apt on this machine, starts the installed velmora
# under Xvfb, checks that its window appears and that Help > Instructions hands the installed
# instructions to the desktop's opener, and removes the package again.
#   scripts/check-package.sh            installs what is missing, builds, then checks
#   scripts/check-package.sh --built    checks the current build (the test suite runs it so)
# Needs root or password-less sudo; exits 77 (skipped) without them, and when a velmora package
# is installed already, which it would replace and then remove.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$root/build}
started=$(date +%s)
step() { echo "[$(($(date +%s) - started)) s] $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || skip "installing a package needs root or password-less sudo"
  sudo="sudo -n"
fi
installed() { dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q 'install ok installed'; }
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" >/dev/null; }

# One check at a time on a machine: a second one would remove the package under the first.
exec 9>/tmp/velmora-check-package.lock
flock 9
installed && skip "a velmora package is installed already; remove it first (apt-get remove velmora)"

if [ "${1:-}" != --built ]; then
  step "building"
  "$root/scripts/install-deps.sh"
  "$root/scripts/build.sh" >/dev/null
fi
step "packaging"
rm -rf "$build/package"
# CPack's install overwrites the build's install manifest; a developer's own install keeps its own.
manifest=$build/install_manifest.txt
[ -e "$manifest" ] && cp "$manifest" "$manifest.before-package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
if [ -e "$manifest.before-package" ]; then mv "$manifest.before-package" "$manifest"; else rm -f "$manifest"; fi
deb=$(ls "$build"/package/velmora_*_amd64.deb)
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"

scratch=$(mktemp -d)
chmod 755 "$scratch"  # apt's sandbox user reads the package from here
cp "$deb" "$scratch/"
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  if installed; then
    step "removing the package"
    apt_get purge velmora
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

step "installing $(basename "$deb") with apt"
apt_get install "$scratch/$(basename "$deb")" 2> >(grep -v '^debconf: delaying' >&2)
for file in /usr/bin/velmora /usr/bin/velmora-cli /usr/share/man/man1/velmora-cli.1 \
            /usr/share/velmora/instructions.txt \
            /usr/share/applications/org.velmora.Velmora.desktop \
            /usr/share/metainfo/org.velmora.Velmora.metainfo.xml \
            /usr/share/icons/hicolor/16x16/apps/org.velmora.Velmora.png; do
  [ -e "$file" ] || fail "$file was not installed"
done
# "Open with" offers Velmora for MP3 files once the desktop database knows the entry.
grep -q '^audio/mpeg=.*org\.velmora\.Velmora\.desktop' /usr/share/applications/mimeinfo.cache \
  || fail "the desktop database does not offer Velmora for audio/mpeg"

# A desktop of its own: the settings in a scratch folder, and an opener for text files that only
# writes down what it was given, where a real desktop would show it.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"
cat > "$scratch/record-open" <<EOS
#!/bin/sh
echo "\$1" >> "$scratch/opened"
EOS
chmod +x "$scratch/record-open"
printf '[Desktop Entry]\nType=Application\nName=Record\nExec=%s %%f\nMimeType=text/plain;\n' \
  "$scratch/record-open" > "$XDG_DATA_HOME/applications/record-open.desktop"
printf '[Default Applications]\ntext/plain=record-open.desktop\n' > "$XDG_CONFIG_HOME/mimeapps.list"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$scratch/display")

step "starting /usr/bin/velmora"
(cd "$HOME" && exec /usr/bin/velmora) >"$scratch/velmora.log" 2>&1 &
app=$!
# The splash comes first; the main window is the large one.
window=""
for _ in $(seq 100); do
  for candidate in $(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null || true); do
    eval "$(xdotool getwindowgeometry --shell "$candidate")"
    [ "$WIDTH" -ge 600 ] && [ "$HEIGHT" -ge 600 ] && window=$candidate
  done
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || { cat "$scratch/velmora.log" >&2; fail "velmora ended at start"; }
  sleep 0.2
done
[ -n "$window" ] || fail "the main window titled Velmora did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "main window: ${WIDTH}x${HEIGHT}"

step "Help > Instructions"
# Help is the last menu: open the first one, then step left, round to the end of the bar (stepping
# right would walk into the Tags menu's Code Page submenu).
xdotool mousemove --window "$window" 20 10 click 1
sleep 0.5
xdotool key Left
sleep 0.5
xdotool key i
for _ in $(seq 50); do [ -s "$scratch/opened" ] && break; sleep 0.2; done
opened=$(cat "$scratch/opened" 2>/dev/null || true)
[ "$opened" = /usr/share/velmora/instructions.txt ] \
  || { cat "$scratch/velmora.log" >&2; fail "Help > Instructions opened '$opened'"; }
echo "the opener was handed $opened"

kill "$app"; wait "$app" 2>/dev/null || true
app=""
cleanup
trap - EXIT
[ ! -e /usr/bin/velmora ] || fail "/usr/bin/velmora is still there after the removal"
step "done: built, installed, started, instructions found, removed"

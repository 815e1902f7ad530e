#!/usr/bin/env bash
# The README's picture of a folder job (docs/jobs-from-names.png, or the file given): an album
# named "NN - Artist - Title.mp3" with empty tags and one bonus file the pattern does not match,
# opened in the built velmora under Xvfb, Tags > Tags from File Names opened from the keyboard.
# Needs sox, lame, Xvfb, xdotool and ImageMagick (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$root/build}
output=${1:-$root/docs/jobs-from-names.png}
[ -x "$build/velmora" ] || { echo "build velmora first (scripts/build.sh)" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-jobs-shot.XXXXXX")
source "$root/scripts/xvfb-session.sh"

folder="$scratch/Music/Night Trains"
mkdir -p "$folder"
sox -q -n -r 22050 -c 1 -b 16 "$scratch/tone.wav" synth 1 sine 440 vol 0.2
lame --quiet "$scratch/tone.wav" "$scratch/tone.mp3"
for name in "01 - The Lanterns - Harbour Lights" "02 - The Lanterns - Slow Platform" \
  "03 - The Lanterns - Copper Rails" "04 - The Lanterns - Sleeper Car - Live" \
  "05 - Ada Fenwick-Hale - Signal Box" "06 - The Lanterns - Marsh Song" "Bonus Track"; do
  cp "$scratch/tone.mp3" "$folder/$name.mp3"
done

export XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state HOME=$scratch
start_xvfb

(cd "$scratch" && exec "$build/velmora" "$folder") >"$scratch/velmora.log" 2>&1 &
app=$!
find_window() {  # find_window NAME: the visible window of that name, wider than 400
  for _ in $(seq 100); do
    for candidate in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
      eval "$(xdotool getwindowgeometry --shell "$candidate")"
      [ "$WIDTH" -ge 400 ] && { echo "$candidate"; return 0; }
    done
    sleep 0.2
  done
  cat "$scratch/velmora.log" >&2
  echo "no window $1" >&2
  return 1
}
main=$(find_window '^Velmora$')
sleep 1
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
xdotool key --window "$main" alt+t
sleep 0.5
xdotool key n
dialog=$(find_window '^Tags from File Names$')
sleep 1
mkdir -p "$(dirname "$output")"
import -window "$dialog" "$output"
echo "wrote $output"

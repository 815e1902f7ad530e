#!/usr/bin/env bash
# The README's pictures of the folder jobs, opened from the keyboard in the built velmora under
# Xvfb:
#   scripts/screenshot-jobs.sh [names [OUTPUT]]   docs/jobs-from-names.png: an album named
#     "NN - Artist - Title.mp3" with empty tags and one bonus file the pattern does not match,
#     Tags > Tags from File Names.
#   scripts/screenshot-jobs.sh number [OUTPUT]    docs/jobs-number-tracks.png: the same album
#     tagged (by velmora-cli set), one file with a 30-byte comment, Tags > Number Tracks.
#   scripts/screenshot-jobs.sh values|list|case|rename [OUTPUT]   docs/jobs-JOB.png: the tagged
#     album (values: titles and artists only; rename: numbered too) with the job's inputs typed
#     as a user would: a two-digit year, a list one line longer than the folder, "%n - %t".
#   scripts/screenshot-jobs.sh all                 every picture above.
# Needs sox, lame, Xvfb, xdotool and ImageMagick (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$root/build}
job=${1:-names}
if [ "$job" = all ]; then
  for each in names number values list case rename; do "$0" "$each"; done
  exit 0
fi
case $job in
  names) key=n title='Tags from File Names' output=${2:-$root/docs/jobs-from-names.png} ;;
  number) key=u title='Number Tracks' output=${2:-$root/docs/jobs-number-tracks.png} ;;
  values) key=v title='Values for Every File' output=${2:-$root/docs/jobs-values.png} ;;
  list) key=t title='Titles from a List' output=${2:-$root/docs/jobs-list.png} ;;
  case) key=a title='Case and Replace' output=${2:-$root/docs/jobs-case.png} ;;
  rename) key=r title='Rename Every File' output=${2:-$root/docs/jobs-rename.png} ;;
  *) echo "usage: $0 [names|number|values|list|case|rename|all] [OUTPUT]" >&2; exit 2 ;;
esac
[ -x "$build/velmora" ] || { echo "build velmora first (scripts/build.sh)" >&2; exit 1; }
[ "$job" = names ] || [ -x "$build/velmora-cli" ] || { echo "build velmora-cli first" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-jobs-shot.XXXXXX")
source "$root/scripts/xvfb-session.sh"
export XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state HOME=$scratch

folder="$scratch/Music/Night Trains"
mkdir -p "$folder"
sox -q -n -r 22050 -c 1 -b 16 "$scratch/tone.wav" synth 1 sine 440 vol 0.2
lame --quiet "$scratch/tone.wav" "$scratch/tone.mp3"
for name in "01 - The Lanterns - Harbour Lights" "02 - The Lanterns - Slow Platform" \
  "03 - The Lanterns - Copper Rails" "04 - The Lanterns - Sleeper Car - Live" \
  "05 - Ada Fenwick-Hale - Signal Box" "06 - The Lanterns - Marsh Song" "Bonus Track"; do
  cp "$scratch/tone.mp3" "$folder/$name.mp3"
  if [ "$job" != names ]; then
    artist=${name#* - } artist=${artist%% - *}
    [ "$artist" = "$name" ] && artist="The Lanterns"
    "$build/velmora-cli" set "$folder/$name.mp3" --title "${name#* - * - }" --artist "$artist" \
      --no-journal >/dev/null
    [ "$job" = values ] || "$build/velmora-cli" set "$folder/$name.mp3" --album "Night Trains" --year 2019 \
      --no-journal >/dev/null
  fi
done
[ "$job" = rename ] && "$build/velmora-cli" number "$folder" --no-journal >/dev/null 2>&1
if [ "$job" = number ]; then
  "$build/velmora-cli" set "$folder/04 - The Lanterns - Sleeper Car - Live.mp3" \
    --comment "Recorded live at Harbour Hall!" --no-journal >/dev/null  # 30 bytes
fi

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
xdotool key "$key"
dialog=$(find_window "^$title\$")
sleep 1
case $job in  # the inputs typed into the focused box, access keys between them
  values) xdotool type --delay 20 "Blue Album"; xdotool key alt+y; xdotool type --delay 20 "94"
          xdotool key alt+g; xdotool type --delay 20 "Rock" ;;
  list) for line in "1. Harbour Lights (3:45)" "2. Slow Platform" "3. Copper Rails" "4. Sleeper Car" \
          "5. Signal Box" "6. Marsh Song" "7. Bonus Track" "8. Hidden Track (0:30)"; do
          xdotool type --delay 5 "$line"; xdotool key Return
        done ;;
  rename) xdotool type --delay 20 "%n - %t" ;;
esac
sleep 1
mkdir -p "$(dirname "$output")"
import -window "$dialog" "$output"
echo "wrote $output"

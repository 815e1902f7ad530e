#!/usr/bin/env bash
# Renews the README's picture of the main window (docs/main-window.png, or the file given): makes
# a folder of tagged MP3 files, starts the built velmora under Xvfb on one of them (which opens the
# folder with that file selected) and takes the window. Needs sox, lame, Xvfb, xdotool and
# ImageMagick (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$root/build}
output=${1:-$root/docs/main-window.png}
[ -x "$build/velmora" ] || { echo "build velmora first (scripts/build.sh)" >&2; exit 1; }

# A fixed place, so that the folder list in the picture shows a short, steady path.
scratch=${TMPDIR:-/tmp}/velmora-screenshot
rm -rf "$scratch"
mkdir -p "$scratch"
source "$root/scripts/xvfb-session.sh"

# One album of short tones, tagged as an encoder leaves them, named as a ripper might.
folder="$scratch/Music/Night Trains"
mkdir -p "$folder"
sox -q -n -r 22050 -c 1 -b 16 "$scratch/tone.wav" synth 1 sine 440 vol 0.2
tag() {  # tag FILE TITLE ARTIST ALBUM YEAR COMMENT GENRE
  lame --quiet --id3v1-only --tt "$2" --ta "$3" --tl "$4" --ty "$5" --tc "$6" --tg "$7" \
    "$scratch/tone.wav" "$folder/$1"
}
album="Night Trains"
tag "01 track.mp3"          "Harbour Lights"        "The Lanterns" "$album" 2019 "first take" Folk
tag "02 track.mp3"          "Slow Platform"         "The Lanterns" "$album" 2019 ""           Folk
tag "03 track.mp3"          "Copper Rails"          "The Lanterns" "$album" 2019 ""           Folk
tag "04 track.mp3"          "Sleeper Car"           "The Lanterns" "$album" 2019 "live"       Folk
tag "05 track.mp3"          "Signal Box"            "The Lanterns" "$album" 2019 ""           Folk
tag "Marsh Song.mp3"        "Marsh Song"            "Ada Fenwick"  "Low Country" 2021 ""      Acoustic
tag "Tidewater.mp3"         "Tidewater"             "Ada Fenwick"  "Low Country" 2021 "demo"  Acoustic
tag "untitled.mp3"          ""                      ""             ""            ""   ""      Other

# Settings of its own, so that the user's stored folder plays no part.
export XDG_CONFIG_HOME=$scratch/config HOME=$scratch
start_xvfb

# Started on the third file, as "Open with" does: its folder opens with the file selected.
(cd "$scratch" && exec "$build/velmora" "$folder/03 track.mp3") >"$scratch/velmora.log" 2>&1 &
app=$!
window=""
for _ in $(seq 100); do
  for candidate in $(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null || true); do
    eval "$(xdotool getwindowgeometry --shell "$candidate")"
    [ "$WIDTH" -ge 600 ] && window=$candidate
  done
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { cat "$scratch/velmora.log" >&2; echo "no main window" >&2; exit 1; }

sleep 1
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "wrote $output"

#!/usr/bin/env bash
# Renders the program's icon into the PNGs kept beside the SVGs in resources/icons: 16 px from the
# pixel-aligned velmora-16.svg (the full drawing blurs at that size), the larger sizes from
# velmora.svg. With --check it renders into a temporary folder and fails when a kept PNG differs,
# so that an edited SVG cannot ship with stale pictures.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../resources/icons" && pwd)
sizes=(16 32 48 64 128 256)

render() {  # render SIZE OUTPUT
  local source=$icons/velmora.svg
  [ "$1" -eq 16 ] && source=$icons/velmora-16.svg
  rsvg-convert --width "$1" --height "$1" "$source" --output "$2"
}

if [ "${1:-}" = --check ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  stale=0
  for size in "${sizes[@]}"; do
    render "$size" "$scratch/$size.png"
    # Counts pixels that differ by more than rounding between renderer versions.
    differing=$(compare -metric AE -fuzz 3% "$icons/velmora-$size.png" "$scratch/$size.png" null: 2>&1 || true)
    if [ "$differing" != 0 ]; then
      echo "velmora-$size.png is not the current rendering ($differing pixels differ); run $0" >&2
      stale=1
    fi
  done
  exit $stale
fi

for size in "${sizes[@]}"; do
  render "$size" "$icons/velmora-$size.png"
done

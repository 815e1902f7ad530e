#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test, skipping those already
# installed. Runs apt-get non-interactively; uses sudo when not run as root.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 libgl-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  # Sound output: plugins-good brings the PulseAudio/PipeWire sink, this one plain ALSA; with
  # neither server nor card GStreamer plays into a silent sink, as the tests do.
  gstreamer1.0-alsa
  # The Help menu's instructions and a double click in the list open files with xdg-open.
  xdg-utils
  fonts-urw-base35 fonts-comic-neue fonts-dejavu-core
  sox lame libbenchmark-dev strace
  # The charset detector behind the suggested code page of a folder, and the translations of
  # iso-codes: the real text in many scripts that its accuracy is measured on.
  libuchardet-dev iso-codes
  # The slow share of the benchmarks: a FUSE file system (libfuse 3) and fusermount3.
  libfuse3-dev fuse3
  # The ID3v2 tag at the start of a file is read through TagLib; the tests make files with
  # ID3v2.3 and 2.4 tags with these taggers (lame writes its own).
  libtag1-dev id3v2 python3-mutagen
  libsqlite3-dev  # the journal of saves is an SQLite database
  # The sanitizer build of the tests and the libFuzzer targets.
  clang-14 libclang-rt-14-dev
  # Desktop integration: the validators of the desktop entry and the AppStream file, the icon
  # renderer and the picture comparison of tests/install, and the X server, window tool and file
  # type guesser (for xdg-open) of the package check and the screenshot script.
  desktop-file-utils appstream librsvg2-bin imagemagick xvfb xdotool file
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

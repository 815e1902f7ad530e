#!/usr/bin/env bash
# Installs what is missing, builds and opens Velmora.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "${VELMORA_BUILD_DIR:-$root/build}/velmora" "$@"

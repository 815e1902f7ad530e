#!/usr/bin/env bash
# Runs each libFuzzer target for SECONDS (default 20) on a scratch copy of its seed corpus and
# prints how many inputs it ran. Fails at the first finding; the crashing input is kept in the
# scratch folder that the message names. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# The targets come from a build configured with -DVELMORA_BUILD_FUZZERS=ON, by default
# build-sanitize/ (or $VELMORA_FUZZ_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_FUZZ_BUILD_DIR:-$root/build-sanitize}
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_trailer fuzz_trailer_file fuzz_save fuzz_settings fuzz_mountinfo fuzz_id3v2 fuzz_id3v2_writer fuzz_mpeg)

# The file targets write and flush a scratch file on every run: memory-backed /dev/shm is faster.
[ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# An input that runs longer than its target's limit is a finding. The ID3v2 reader reads any tag
# in time linear in its size (well under a second for the largest it reads, 4 MiB, in the normal
# build; bench_id3v2): 2 s leaves room for the sanitizers, not for a quadratic library path.
timeout_of() {
  case "$1" in
    fuzz_id3v2 | fuzz_id3v2_writer) echo 2 ;;
    *) echo 10 ;;
  esac
}
for target in "${targets[@]}"; do
  work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-$target-XXXXXX")
  mkdir "$work/corpus"
  cp "$root/tests/fuzz/corpus/$target/"* "$work/corpus/" 2>/dev/null || true
  # A target may write seeds of its own there (fuzz_id3v2 writes the tests' hand-made tags). No
  # single allocation may reach 256 MB: hostile sizes must be refused before any buffer is made.
  if ! (cd "$work" && VELMORA_FUZZ_SEEDS="$work/corpus" "$build/tests/fuzz/$target" -max_total_time="$seconds" \
        -print_final_stats=1 -timeout="$(timeout_of "$target")" -rss_limit_mb=4096 -malloc_limit_mb=256 corpus >"$work/log" 2>&1); then
    tail -40 "$work/log"
    echo "$target: FAILED (input and log in $work)" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  echo "$target: ${runs:-?} runs in ${seconds} s, no finding"
  rm -rf "$work"
done

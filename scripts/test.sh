#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless (offscreen Qt, silent audio):
#  1. the normal build in build/ (or $VELMORA_BUILD_DIR) and its whole suite;
#  2. the whole suite again built by clang with AddressSanitizer and UBSan, in build-sanitize/
#     (or $VELMORA_SANITIZE_DIR), where any report fails the test;
#  3. a 20-second run of each fuzz target, built in the same folder;
#  4. the tags library and the folder reader's tests built by clang with ThreadSanitizer, in
#     build-tsan/ (or $VELMORA_TSAN_DIR), and run there, where any report fails the test.
# Extra arguments go to the first two ctest runs, for example: scripts/test.sh -R tst_saving
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen

"$root/scripts/build.sh"
(cd "${VELMORA_BUILD_DIR:-$root/build}" && ctest --output-on-failure -j"$(nproc)" "$@")

sanitize=${VELMORA_SANITIZE_DIR:-$root/build-sanitize}
CC=clang-14 CXX=clang++-14 VELMORA_BUILD_DIR="$sanitize" "$root/scripts/build.sh" \
  -DVELMORA_BUILD_FUZZERS=ON -DVELMORA_BUILD_BENCH=OFF
(cd "$sanitize" && ctest --output-on-failure -j"$(nproc)" "$@")

VELMORA_FUZZ_BUILD_DIR="$sanitize" "$root/scripts/fuzz.sh" 20

# Only the tests whose code runs on several threads: the rest would add build time, not findings.
tsan=${VELMORA_TSAN_DIR:-$root/build-tsan}
tsan_tests=(tst_folderread tst_folderthreads tst_folderthreads_weakened)
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_SANITIZE_THREAD=ON -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$tsan" -j"$(nproc)" --target "${tsan_tests[@]}"
(cd "$tsan" && ctest --output-on-failure -R "^($(IFS='|'; echo "${tsan_tests[*]}"))\$")

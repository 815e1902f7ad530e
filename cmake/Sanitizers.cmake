# VELMORA_SANITIZE builds every target with AddressSanitizer and UndefinedBehaviorSanitizer, any
# report ending the program. VELMORA_BUILD_FUZZERS (clang only) adds the libFuzzer targets of
# tests/fuzz and the coverage instrumentation they steer by; it implies VELMORA_SANITIZE.
option(VELMORA_SANITIZE "Build with -fsanitize=address,undefined" OFF)
option(VELMORA_BUILD_FUZZERS "Build the libFuzzer targets (clang)" OFF)

if(VELMORA_BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VELMORA_BUILD_FUZZERS needs clang (for example CXX=clang++-14)")
  endif()
  set(VELMORA_SANITIZE ON CACHE BOOL "" FORCE)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(VELMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # How the tests run in such a build: stop at the first report, and leave out only the leak that
  # libpulse makes once per process.
  set(VELMORA_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()

# VELMORA_SANITIZE_THREAD builds with ThreadSanitizer instead (the two cannot share a build); the
# test command builds and runs only the folder reader's tests this way, any report failing them.
option(VELMORA_SANITIZE_THREAD "Build with -fsanitize=thread" OFF)
if(VELMORA_SANITIZE_THREAD)
  if(VELMORA_SANITIZE)
    message(FATAL_ERROR "VELMORA_SANITIZE_THREAD cannot be combined with VELMORA_SANITIZE")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  set(VELMORA_SANITIZER_ENV "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")
  # Qt Test runs a watchdog thread beside every test program. Qt is not built with the checker,
  # which cannot see how Qt orders that thread's end against the main thread, and reported races
  # inside Qt by chance. Started as a benchmark's child process (the tests have no benchmarks),
  # Qt Test runs no watchdog: only our threads remain, and nothing is suppressed. CTest's own
  # time limit still ends a test that hangs.
  set(VELMORA_TEST_ARGS -callgrindchild)
endif()

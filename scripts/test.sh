#!/usr/bin/env bash
# Builds Quirefold and runs every test headless; exits non-zero on any failure.
# --sanitize runs the suite on a build with AddressSanitizer and UBSan, where
# any report fails its test. Other arguments go to ctest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build"
if [ "${1:-}" = "--sanitize" ]; then
  shift
  bash "$root/scripts/build.sh" --sanitize
  dir="$root/build-sanitize"
  # Qt keeps caches until exit that look like leaks; every other report halts.
  export ASAN_OPTIONS="detect_leaks=0:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  # Sanitized code runs a few times slower; a test function gets 20 minutes.
  export QTEST_FUNCTION_TIMEOUT=1200000
else
  bash "$root/scripts/build.sh"
fi
export QT_QPA_PLATFORM=offscreen
cd "$dir"
ctest --output-on-failure -j"$(nproc)" "$@"

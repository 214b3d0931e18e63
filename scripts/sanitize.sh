#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole suite there; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DQUENLIT_SANITIZE=ON >/dev/null
cmake --build build-asan --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Leaks are suppressed only where their stack passes through a library named there.
export LSAN_OPTIONS=suppressions=$root/scripts/sanitizer-leaks.supp:print_suppressions=0
cd build-asan && ctest --output-on-failure --timeout 600

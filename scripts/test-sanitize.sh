#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer in its own build
# folder and runs it with ctest. Any sanitizer report fails the test that caused it.
# Usage: scripts/test-sanitize.sh [build folder]   (default: build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-asan}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORDALIS_WERROR=ON \
    -DCORDALIS_SANITIZE=ON -DCORDALIS_BUILD_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)"

# Leaks inside system libraries the tests load (fontconfig, the Qt platform plugin) are listed
# in scripts/lsan.supp; nothing of ours may be listed there.
# Full stacks at each allocation, so that a suppression names the exact Qt function.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
bash scripts/print-skipped.sh "$build"

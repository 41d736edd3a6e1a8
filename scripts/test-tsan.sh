#!/usr/bin/env bash
# Builds the test programs whose code runs on several threads (the FTP client and its stop
# from another thread, the report pass and its windows) with ThreadSanitizer in their own
# build folder, and runs them. Any sanitizer report fails the run.
# Usage: scripts/test-tsan.sh [build folder]   (default: build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-tsan}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORDALIS_WERROR=ON \
    -DCORDALIS_SANITIZE_THREAD=ON -DCORDALIS_BUILD_BENCH=OFF -DCORDALIS_BUILD_TOOLS=OFF
programs=(tests/platform/ftp/ftp_tests tests/reports/reports_test tests/reports/reports_windows_test)
cmake --build "$build" --parallel "$(nproc)" --target "${programs[@]##*/}"

# Qt is not built with the sanitizer: scripts/tsan.supp leaves out what Qt's own code does
# with memory, never an access of ours.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen
for program in "${programs[@]}"; do
    "$build/$program"
done
# The report passes once more over a single connection.
CORDALIS_TEST_CONNEXIONS=1 "$build/tests/reports/reports_test" \
    --gtest_filter='ReportSession.*:ParallelPass.*:HistoryRetrieval.*'

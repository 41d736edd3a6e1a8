#!/usr/bin/env bash
# Installs what Cordalis needs, builds it with warnings as errors and runs the whole test
# suite with ctest, then builds and runs it again under the address and undefined-behaviour
# sanitizers (scripts/test-sanitize.sh, in build-asan).
# Usage: scripts/test.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Compiler cache: paths inside this clone are hashed relative to it, so that a clone in any
# folder reuses what an earlier build of the same sources compiled.
export CCACHE_BASEDIR="$PWD"
export CCACHE_NOHASHDIR=1

build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORDALIS_WERROR=ON
cmake --build "$build" --parallel "$(nproc)"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300
bash scripts/print-skipped.sh "$build"

bash scripts/test-sanitize.sh

#!/usr/bin/env bash
# Prints the tests of the last ctest run in a build folder that were skipped, with the reason
# each gave (ctest itself only names them).
# Usage: scripts/print-skipped.sh [build folder]   (default: build)
set -euo pipefail
log=${1:-build}/Testing/Temporary/LastTest.log
[ -f "$log" ] || exit 0
# GoogleTest writes "file:line: Skipped", the reason, then "[  SKIPPED ] Suite.Test (N ms)".
skipped=$(awk '/: Skipped$/ {
                 getline reason
                 getline name
                 sub(/^\[  SKIPPED \] /, "", name)
                 sub(/ \([0-9]+ ms\)$/, "", name)
                 print "  " name ": " reason
               }' "$log" | sort -u)
if [ -n "$skipped" ]; then
  echo "Tests skipped, and why:"
  echo "$skipped"
fi

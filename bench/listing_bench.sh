#!/usr/bin/env bash
# A large folder listing in the window, offscreen: showing it and sorting
# it, against Qt's own sort of the same rows. FILES (default 20000) and
# RUNS (default 5) set the size and the number of runs.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
root="$(corvane_root)"
ensure_packages
build="${CORVANE_BUILD_DIR:-$root/build}"
build_tree "$build"
QT_QPA_PLATFORM=offscreen "$build/bench/corvane_listing_bench" "${FILES:-20000}" "${RUNS:-5}" \
  2> >(grep -v 'propagateSizeHints\|XDG_RUNTIME_DIR' >&2)

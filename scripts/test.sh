#!/usr/bin/env bash
# Sets up a fresh machine, builds the worker and its tests with the given preset (default: dev) and runs
# every test. Usage: scripts/test.sh [dev|asan|zxing23]
#
# zxing23 builds zxing-cpp 2.3 from source and runs the barcode tests (unit and end-to-end) against it.
# The sources are taken from $VESK_ZXING_SOURCE_DIR, else from ../shared/third_party/zxing-cpp-2.3.0
# beside the repository, else from /work/shared/third_party/zxing-cpp-2.3.0. When none is there, it says
# so and succeeds: those tests were then not run.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}

if [ "$preset" = zxing23 ]; then
  if [ -n "${VESK_ZXING_SOURCE_DIR:-}" ]; then
    [ -f "$VESK_ZXING_SOURCE_DIR/core/CMakeLists.txt" ] || {
      echo "VESK_ZXING_SOURCE_DIR=$VESK_ZXING_SOURCE_DIR holds no zxing-cpp sources" >&2; exit 1; }
  else
    for candidate in ../shared/third_party/zxing-cpp-2.3.0 /work/shared/third_party/zxing-cpp-2.3.0; do
      if [ -f "$candidate/core/CMakeLists.txt" ]; then
        VESK_ZXING_SOURCE_DIR=$(cd "$candidate" && pwd)
        break
      fi
    done
  fi
  if [ -z "${VESK_ZXING_SOURCE_DIR:-}" ]; then
    echo "NOTICE: no zxing-cpp 2.3 sources found (set VESK_ZXING_SOURCE_DIR);" \
         "the barcode tests against zxing-cpp 2.3 were NOT run."
    exit 0
  fi
  export VESK_ZXING_SOURCE_DIR
fi

scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"

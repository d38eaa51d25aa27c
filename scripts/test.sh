#!/usr/bin/env bash
# Sets up a fresh machine, builds the worker and its tests with the given preset (default: dev) and runs
# every test. Usage: scripts/test.sh [dev|asan|zxing23|windows]
#
# zxing23 builds zxing-cpp 2.3 from source and runs the barcode tests (unit and end-to-end) against it.
# The sources are taken from $VESK_ZXING_SOURCE_DIR, else from ../shared/third_party/zxing-cpp-2.3.0
# beside the repository. When neither is there, it says so and succeeds: those tests were then not run.
#
# windows cross-builds the Windows worker, its tests and VeskOcrWorker-win64.zip with MinGW-w64 and runs
# the tests under Wine (scripts/setup.sh windows installs both). It takes zxing-cpp 2.3 from the same
# places; without it the Windows worker is built without a barcode reader, which it says.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}

. scripts/zxing-sources.sh

setup_target=linux
case "$preset" in
  zxing23)
    find_zxing_sources
    if [ -z "${VESK_ZXING_SOURCE_DIR:-}" ]; then
      echo "NOTICE: no zxing-cpp 2.3 sources found (set VESK_ZXING_SOURCE_DIR);" \
           "the barcode tests against zxing-cpp 2.3 were NOT run."
      exit 0
    fi
    ;;
  windows)
    setup_target=windows
    find_zxing_sources
    if [ -z "${VESK_ZXING_SOURCE_DIR:-}" ]; then
      echo "NOTICE: no zxing-cpp 2.3 sources found (set VESK_ZXING_SOURCE_DIR);" \
           "the Windows worker is built WITHOUT a barcode reader."
      export VESK_ZXING_SOURCE_DIR=
    fi
    ;;
esac

scripts/setup.sh "$setup_target"
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"

#!/usr/bin/env bash
# Builds the Windows worker with MinGW-w64 and writes build/windows/VeskOcrWorker-win64.zip: one folder with
# VeskOcrWorker.exe, backend/ (the inference runtime), models/, the stand-in viewer and README.txt, which a
# user unpacks on Windows and runs. zxing-cpp 2.3 is taken from $VESK_ZXING_SOURCE_DIR, else from
# ../shared/third_party/zxing-cpp-2.3.0 beside the repository; without it the worker has no barcode reader.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/zxing-sources.sh
find_zxing_sources
if [ -z "${VESK_ZXING_SOURCE_DIR:-}" ]; then
  echo "NOTICE: no zxing-cpp 2.3 sources found (set VESK_ZXING_SOURCE_DIR); the package has NO barcode reader."
fi
export VESK_ZXING_SOURCE_DIR=${VESK_ZXING_SOURCE_DIR:-}

scripts/setup.sh windows
cmake --preset windows
cmake --build --preset windows --target vesk_package
echo "Written: build/windows/VeskOcrWorker-win64.zip"

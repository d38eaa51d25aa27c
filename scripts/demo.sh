#!/usr/bin/env bash
# Sets up a fresh machine, builds the worker, and runs it on a bundled sample screenshot with the stand-in
# viewer, which waits for the text report and prints it. Usage: scripts/demo.sh [screenshot]
set -euo pipefail
cd "$(dirname "$0")/.."
shot=$(realpath "${1:-tests/data/samples/qr_and_text.png}")

scripts/setup.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

bin=build/release/bin
# The worker starts the viewer with its standard streams on the null device; the stand-in viewer shows
# the report in the file named here instead.
shown=$(mktemp)
trap 'rm -f "$shown"' EXIT
echo "== Running the worker on $shot"
set +e
VESK_VIEWER_OUTPUT=$shown "$bin/VeskOcrWorker" "$shot" "$bin/vesk_viewer_standin" "$shot" --console
code=$?
set -e
echo "== Worker exit code: $code"
# The viewer runs on its own; give it a moment to notice the report.
for _ in $(seq 50); do
  [ -s "$shown" ] && break
  sleep 0.1
done
echo "== The viewer shows:"
cat "$shown"
echo "== Session files:"
ls -1 "${TMPDIR:-/tmp}"/VeskOCR*/*"$(basename "$shot")".ocr.* 2>/dev/null || true
exit "$code"

#!/usr/bin/env bash
# Mutation fuzzing of the image decoders in the AddressSanitizer + UndefinedBehaviorSanitizer build.
#
#   tests/fuzz/fuzz_decoders.sh [short|long] [seed]
#
# short (CI, a couple of minutes): 3000 mutated files per format (PNG, JPEG, BMP, GIF, TIFF, WebP)
#       decoded in process, then 2 whole worker runs per format on further mutated files.
# long:  100000 files per format in process, then 40 worker runs per format (an hour or more).
# The seed defaults to a random one and is printed, so a finding can be reproduced.
#
# Fails on a crash, a sanitizer report, a decode that takes over 10 s, a decode whose outcome is
# neither a whole picture nor one of the decoder's messages, and a worker run that ends with an
# exit code other than 0 or 2 or leaves no report for the viewer. The offending files are kept in
# build/asan/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/../.."

mode=${1:-short}
seed=${2:-$(( (RANDOM << 15) | RANDOM ))}
case "$mode" in
  short) per_format=3000; worker_runs=2 ;;
  long)  per_format=100000; worker_runs=40 ;;
  *) echo "usage: $0 [short|long] [seed]" >&2; exit 2 ;;
esac

scripts/setup.sh >/dev/null
cmake --preset asan >/dev/null
cmake --build --preset asan --target vesk_decode_fuzz VeskOcrWorker vesk_runtime_files >/dev/null

bin=build/asan/bin
work=build/asan/fuzz
rm -rf "$work"
mkdir -p "$work/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== Decoding $per_format mutated files per format in process (seed $seed)"
if ! "$bin/vesk_decode_fuzz" --work "$work/decode" --iterations "$per_format" --seed "$seed" --time-limit 10; then
  cp "$work"/decode/decoding-* "$work"/decode/unexpected-* "$work/findings/" 2>/dev/null || true
  echo "== FAILED: files kept in $work/findings (reproduce with: $0 $mode $seed)" >&2
  exit 1
fi

echo "== Running the worker on $worker_runs mutated files per format"
"$bin/vesk_decode_fuzz" --emit "$work/files" --iterations "$worker_runs" --seed "$seed" >/dev/null
# One worker run on a picture: its exit code, and the report it left (empty when none).
run_worker() {
  local shot=$1 tmp="$work/tmp"
  rm -rf "$tmp" && mkdir -p "$tmp"
  set +e
  # The viewer is a program that exits at once; the report is looked for here instead.
  TMPDIR="$tmp" timeout 300 "$bin/VeskOcrWorker" "$shot" /bin/true "$tmp/viewed.txt" --ep=cpu >"$work/worker.log" 2>&1
  code=$?
  set -e
  report=$(find "$tmp" -name '*.ocr.txt' -print -quit)
}
passed() { { [ "$code" -eq 0 ] || [ "$code" -eq 2 ]; } && [ -n "$report" ]; }

failures=0
runs=0
for shot in "$work"/files/*.*; do
  [ -f "$shot" ] || continue
  runs=$((runs + 1))
  run_worker "$shot"
  if ! passed; then
    # A decoder fault fails again on the same file; a second run tells it from a fault elsewhere
    # that only shows now and then (the inference runtime under the sanitizer, say).
    cp "$work/worker.log" "$work/findings/$(basename "$shot").first-run.log"
    echo "RETRY: $(basename "$shot"): exit code $code, report ${report:-missing}" >&2
    run_worker "$shot"
  fi
  if passed; then
    printf '%-16s exit %d: %s\n' "$(basename "$shot")" "$code" "$(head -c 100 "$report" | tr -d '\r' | head -n 2 | tr '\n' ' ')"
    continue
  fi
  failures=$((failures + 1))
  cp "$shot" "$work/findings/"
  echo "FAIL: $(basename "$shot"): exit code $code, report ${report:-missing}" >&2
  tail -n 20 "$work/worker.log" >&2
done
echo "== Worker runs: $runs, failures: $failures"
if [ "$failures" -ne 0 ]; then
  echo "== FAILED: files kept in $work/findings (reproduce with: $0 $mode $seed)" >&2
  exit 1
fi
echo "== Fuzzing passed (seed $seed)"

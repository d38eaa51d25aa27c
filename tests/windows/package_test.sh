#!/bin/sh
# The packaged worker, unpacked into a fresh folder, reads the QR sample under Wine: exit 0, the QR code
# (in a build with a barcode reader) and every text line reported, and a completion line that names the
# CPU fallback (DirectML cannot run under Wine). The run is made under Wine's heap checks: a block freed
# twice or freed after its memory was handed on only shows as a rare crash otherwise.
# Usage: package_test.sh ZIP PREFIX SAMPLES_DIR BARCODE_READER(ON|OFF)
set -eu
zip=$1 prefix=$2 samples=$3 barcodes=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

(cd "$work" && cmake -E tar xf "$zip")
package="$work/VeskOcrWorker"
[ -f "$package/VeskOcrWorker.exe" ] || fail "no VeskOcrWorker.exe in $zip"
grep -q ' model_profile.txt$' "$package/models/SHA256SUMS" || fail "no pinned model profile in $zip"

set +e
VESK_WINE_DEBUG=-all,warn+heap,err+heap VESK_VIEWER_OUTPUT=$(windows "$work/shown.txt") \
  "$here/wine.sh" "$prefix" "$package/VeskOcrWorker.exe" \
  "$(windows "$samples/qr_and_text.png")" "$(windows "$package/vesk_viewer_standin.exe")" \
  "$(windows "$work/doc.pdf")" --console >"$work/out" 2>"$work/err"
code=$?
set -e
[ "$code" -eq 0 ] || fail "exit code $code: $(cat "$work/err")"
! grep ':heap:' "$work/err" >&2 || fail "the worker misused the heap"
grep -q "^Completed: 5 lines, .* ms, EP=cpu (Fallback: DML det session init failed: " "$work/out" ||
  fail "completion line: $(cat "$work/out")"

# What the viewer showed.
for i in $(seq 1 600); do [ -f "$work/shown.txt" ] && break; sleep 0.1; done
[ -f "$work/shown.txt" ] || fail "the viewer showed no report"
tr -d '\r' <"$work/shown.txt" >"$work/report"
if [ "$barcodes" = ON ]; then
  sed -n 2,4p "$work/report" | tr '\n' '|' | grep -q "^\[QR Code / Barcode\]|Type: QRCode|Content: https://example.com/vesk-ocr-demo|$" ||
    fail "no QR code in the report: $(cat "$work/report")"
  sed -n '/^\[OCR Text\]$/,$p' "$work/report" | tail -n +2 >"$work/lines"
else
  cp "$work/report" "$work/lines"
fi
# The substitute recognition model leaves out some spaces between words; the rest is read exactly.
tr -d ' ' <"$samples/qr_and_text.txt" >"$work/expected"
tr -d ' ' <"$work/lines" | diff "$work/expected" - >&2 || fail "the text lines differ from the sample's"
echo "package reads the QR sample: exit 0, $(wc -l <"$work/lines") lines, barcodes $barcodes"

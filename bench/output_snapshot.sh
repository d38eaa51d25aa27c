#!/usr/bin/env bash
# Runs a built worker on every sample screenshot and every development screenshot under several
# configurations and keeps what each run wrote (text report, JSON document, run log), with the elapsed
# milliseconds blanked out and the repository's folder written as REPO/, so that snapshots made in two
# checkouts compare. Two snapshots of two builds that should behave alike are compared with
# `diff -r`; a difference is a change of behaviour.
#
# Usage: bench/output_snapshot.sh BIN_DIR OUT_DIR
#   BIN_DIR  the folder holding VeskOcrWorker, backend/ and models/ (for example build/dev/bin)
#   OUT_DIR  where the snapshot goes (created; must not exist yet)
#
# Configurations: the worker as built, with --order=layout, --cls=0, --barcode=0, and the first two
# again without the model profile (a copy of BIN_DIR whose models/ lacks the profile and its pin).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$1" && pwd)
out=$2
[ ! -e "$out" ] || { echo "$out exists already" >&2; exit 2; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The same worker without its model profile.
plain="$work/plain-bin"
cp -a "$bin" "$plain"
rm -f "$plain/models/model_profile.txt"
if [ -f "$plain/models/SHA256SUMS" ]; then
  grep -v 'model_profile.txt' "$plain/models/SHA256SUMS" > "$work/sums" || true
  cp "$work/sums" "$plain/models/SHA256SUMS"
fi

configs=(
  "profile|$bin|"
  "profile-layout|$bin|--order=layout"
  "profile-cls0|$bin|--cls=0"
  "profile-barcode0|$bin|--barcode=0"
  "plain|$plain|"
  "plain-layout|$plain|--order=layout"
)

shots=("$repo"/tests/data/samples/*.png "$repo"/bench/devset/*.png)

for entry in "${configs[@]}"; do
  IFS='|' read -r name dir args <<< "$entry"
  mkdir -p "$out/$name"
  for shot in "${shots[@]}"; do
    base=$(basename "$shot" .png)
    tmp="$work/tmp-$name-$base"
    mkdir -p "$tmp"
    # shellcheck disable=SC2086 # the arguments are split at spaces on purpose
    set +e
    TMPDIR="$tmp" "$dir/VeskOcrWorker" "$shot" /bin/true "$shot" --ep=cpu $args > /dev/null 2>&1
    code=$?
    set -e
    echo "$code" > "$out/$name/$base.exit"
    for f in "$tmp"/VeskOCR/*.ocr.txt "$tmp"/VeskOCR/*.ocr.json "$tmp"/VeskOCR/*.ocr.log; do
      [ -e "$f" ] || continue
      ext=${f##*.ocr.}
      sed -E -e 's/"elapsed_ms": ?-?[0-9]+/"elapsed_ms": 0/' -e 's/ barcodes in -?[0-9]+ ms/ barcodes in 0 ms/' \
        -e "s#$repo/#REPO/#g" "$f" > "$out/$name/$base.$ext"
    done
    rm -rf "$tmp"
  done
  echo "$name: ${#shots[@]} screenshots" >&2
done

#!/bin/bash
# Adds the corpus's captures of real program windows (family `x11`) to a corpus folder: terminals in bitmap and
# anti-aliased fonts and GTK dialogs, drawn by the programs themselves on a private virtual X display. Run it
# after generate.js into the same folder; it replaces the x11 screens a run before left there.
#
#   bash bench/corpus/x11.sh [--seed N] [--count N] [--out DIR]     # default: seed 1, 20 screens, build/corpus
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
seed=1 count=20 out=$here/../../build/corpus
while [ $# -gt 0 ]; do
  case $1 in
    --seed) seed=$2 ;;
    --count) count=$2 ;;
    --out) out=$2 ;;
    *) echo "usage: bash x11.sh [--seed N] [--count N] [--out DIR]" >&2; exit 2 ;;
  esac
  shift 2
done
for c in Xvfb xterm xwd convert xdotool xsetroot yad expand node; do
  command -v "$c" >/dev/null 2>&1 || { echo "x11.sh: $c is missing (see bench/devset/README.md)" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
display=${VESK_X_DISPLAY:-:94}

# shellcheck source=../devset/src/x11_session.sh
. "$here/../devset/src/x11_session.sh"
terms=$work/plan
node "$here/x11_screens.js" --seed "$seed" --count "$count" --out "$terms"

touch "$out/families.txt"
grep -v $'\tx11$' "$out/families.txt" >"$work/families" || true
rm -f "$out"/x11-*.png "$out"/x11-*.txt
for script in "$terms"/x11-*.sh; do
  : >"$known"
  # shellcheck source=/dev/null
  . "$script"
  printf '%s\tx11\n' "$(basename "$script" .sh)" >>"$work/families"
done
cp "$work/families" "$out/families.txt"

#!/bin/bash
# Adds the corpus's captures of real program windows (family `x11`) to a corpus folder: terminals in bitmap and
# anti-aliased fonts and GTK dialogs, drawn by the programs themselves on a private virtual X display. Run it
# after generate.js into the same folder; it replaces the x11 screens a run before left there.
#
#   bash bench/corpus/x11.sh [--seed N] [--count N] [--out DIR]     # default: seed 1, 20 screens, build/corpus
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=captured_family.sh
. "$here/captured_family.sh"
family_options x11 20 Xvfb xterm xwd convert xdotool xsetroot yad expand node -- "$@"
display=${VESK_X_DISPLAY:-:94}

# shellcheck source=../devset/src/x11_session.sh
. "$here/../devset/src/x11_session.sh"
terms=$work/plan
node "$here/x11_screens.js" --seed "$seed" --count "$count" --out "$terms"

capture_family x11 "$terms"

#!/bin/bash
# Adds the corpus's captures of Windows programs under Wine (family `wine`) to a corpus folder: Notepad windows
# with small aliased text (font smoothing off), mostly Tahoma 8, drawn by Wine on a private virtual X display.
# Run it after generate.js into the same folder; it replaces the wine screens a run before left there.
#
#   bash bench/corpus/wine.sh [--seed N] [--count N] [--out DIR]     # default: seed 1, 16 screens, build/corpus
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=captured_family.sh
. "$here/captured_family.sh"
family_options wine 16 Xvfb xwd convert xdotool xsetroot wine wineserver expand node -- "$@"
display=${VESK_X_DISPLAY:-:95}

# shellcheck source=../devset/src/x11_session.sh
. "$here/../devset/src/x11_session.sh"
plan=$work/plan
node "$here/wine_screens.js" --seed "$seed" --count "$count" --out "$plan"

# A fresh private prefix with font smoothing off and a caret that does not blink, as the development set's Wine
# captures have it (bench/devset/src/capture_x11.sh), and Wine's own virtual desktop of the screen's size.
wine_prefix

# notepad FILE X Y WIDTH HEIGHT FONT POINTS: opens $plan/FILE (with CR LF line ends) in Notepad at a fixed place
# on the virtual desktop, with its known text: title, menu bar, the file's lines, status bar.
notepad() {
  local file=$1
  notepad_open "$plan" "$@"
  knows "$file - Notepad" $'File\tEdit\tSearch\tView\tHelp'
  known_from_term <"$plan/$file" >>"$known"
  knows 'Ln 1, Col 1'
}

# Each screen's Wine ends before the next starts from the same prefix.
wine_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
capture_family wine "$plan" wine_stop

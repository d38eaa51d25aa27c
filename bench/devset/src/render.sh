#!/bin/sh
# Renders the development screenshots in the folder above from the HTML pages beside this script and
# writes each one's known text (NAME.txt) and, when it has upside-down lines, NAME.rotated.txt.
# Each page names its size in <meta name="screen" content="WIDTHxHEIGHT@SCALE"> (CSS pixels and device
# scale; the PNG is WIDTH*SCALE x HEIGHT*SCALE). The text comes from the page itself (lines.js), so
# picture and text cannot drift apart; a page with a clipped, wrapped or overlapping run fails.
# Needs Debian's chromium and the fonts the pages use (fonts-dejavu, fonts-liberation2, fonts-noto-core,
# fonts-noto-cjk). Usage: sh render.sh [NAME ...]   (default: every page)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")
browser=${CHROMIUM:-chromium}

if [ "$#" -eq 0 ]; then
    set --
    for page in "$here"/*.html; do set -- "$@" "$(basename "$page" .html)"; done
fi

# The lines after the marker line "@@$1" of a dumped page, up to the next marker, entities undone.
section() {
    awk -v m="@@$1" '/^@@/ { on = ($0 == m); next } on' "$2" |
        sed -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e 's/&nbsp;/ /g' -e 's/&amp;/\&/g'
}

for name in "$@"; do
    page="$here/$name.html"
    [ -f "$page" ] || { echo "no page $page" >&2; exit 1; }
    screen=$(sed -n 's/.*<meta name="screen" content="\([0-9]*x[0-9]*@[0-9]*\)".*/\1/p' "$page")
    [ -n "$screen" ] || { echo "$name: no <meta name=\"screen\"> size" >&2; exit 1; }
    size=$(echo "$screen" | sed 's/@.*//; s/x/,/')
    scale=${screen#*@}
    profile=$(mktemp -d)
    dump=$(mktemp)
    # A fresh profile and no network features, so that every run renders the same way.
    flags="--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
        --disable-component-update --disable-sync --user-data-dir=$profile --hide-scrollbars
        --force-device-scale-factor=$scale --window-size=$size"
    # shellcheck disable=SC2086
    "$browser" $flags --screenshot="$out/$name.png" "file://$page" >/dev/null 2>&1 &&
        "$browser" $flags --dump-dom "file://$page#lines" >"$dump" 2>/dev/null || {
        rm -rf "$profile" "$dump"; echo "chromium failed on $name" >&2; exit 1; }
    rm -rf "$profile"
    errors=$(section errors "$dump")
    if [ -n "$errors" ]; then
        echo "$name: $errors" >&2
        rm -f "$dump"
        exit 1
    fi
    section lines "$dump" >"$out/$name.txt"
    rotated=$(section rotated "$dump")
    if [ -n "$rotated" ]; then echo "$rotated" >"$out/$name.rotated.txt"; else rm -f "$out/$name.rotated.txt"; fi
    rm -f "$dump"
    [ -s "$out/$name.png" ] && [ -s "$out/$name.txt" ] || { echo "nothing written for $name" >&2; exit 1; }
    echo "$out/$name.png ($screen, $(wc -l <"$out/$name.txt") lines)"
done

#!/bin/sh
# Renders the sample screenshots in the folder above from the HTML pages beside this script.
# Needs only Debian's chromium (apt-get install -y chromium) and the DejaVu fonts; the QR code is
# embedded in its page as inline SVG. Usage: sh render.sh [NAME ...]   (default: every sample)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")
browser=${CHROMIUM:-chromium}

size_of() {
    case "$1" in
        dialog) echo 900,600 ;;
        two_columns) echo 1280,800 ;;
        upside_down) echo 1000,500 ;;
        qr_and_text) echo 1000,600 ;;
        blank) echo 800,600 ;;
        screen_1920x1080) echo 1920,1080 ;;
        *) echo "unknown sample: $1" >&2; return 1 ;;
    esac
}

if [ "$#" -eq 0 ]; then
    set -- dialog two_columns upside_down qr_and_text blank screen_1920x1080
fi

for name in "$@"; do
    size=$(size_of "$name")
    profile=$(mktemp -d)
    # A fresh profile and no network features, so that every run renders the same way.
    "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --hide-scrollbars --force-device-scale-factor=1 \
        --window-size="$size" --screenshot="$out/$name.png" "file://$here/$name.html" >/dev/null 2>&1 || {
        rm -rf "$profile"; echo "chromium failed on $name" >&2; exit 1; }
    rm -rf "$profile"
    [ -s "$out/$name.png" ] || { echo "no picture written for $name" >&2; exit 1; }
    echo "$out/$name.png ($size)"
done
